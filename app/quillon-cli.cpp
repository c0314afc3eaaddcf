// quillon-cli: the headless front end of Quillon.
#include "CliOptions.h"
#include "CliSession.h"
#include "scsi/IscsiTransport.h"
#include "scsi/SgTransport.h"
#include "scsi/SimTransport.h"

#include <cstdio>
#include <iostream>

using namespace quillon;

namespace {

// The transports in adapter order: the simulated bus first when asked for,
// then the Linux SCSI generic hosts, then the iSCSI portals.
std::vector<std::unique_ptr<scsi::Transport>> openTransports(const app::CliOptions& options) {
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    if (options.simulate) {
        auto drives = options.simulate->empty() ? sim::defaultDriveSet()
                                                : sim::parseDriveSet(*options.simulate);
        transports.push_back(
            std::make_unique<scsi::SimTransport>(std::move(drives), options.timeScale));
    }
    auto sg = std::make_unique<scsi::SgTransport>();
    if (options.verbose && sg->open() == scsi::Transport::Presence::Absent) {
        std::fprintf(stderr, "quillon-cli: no sg adapters: %s\n", sg->reason().c_str());
    }
    transports.push_back(std::move(sg));
    if (!options.iscsi.empty()) {
        auto iscsi = std::make_unique<scsi::IscsiTransport>(options.iscsi);
        if (options.verbose && iscsi->open() == scsi::Transport::Presence::Present &&
            !iscsi->reason().empty()) {
            std::fprintf(stderr, "quillon-cli: iSCSI: %s\n", iscsi->reason().c_str());
        }
        transports.push_back(std::move(iscsi));
    }
    return transports;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const auto options = app::CliOptions::parse(argc, argv);
        if (options.help) {
            std::fputs(app::cliUsage(), stdout);
            return 0;
        }
        if (options.version) {
            std::printf("quillon-cli %s\n", QUILLON_VERSION);
            return 0;
        }
        drive::TMODrive drive(openTransports(options));
        return app::CliSession(drive, std::cout).run(options.words);
    } catch (const app::UsageError& error) {
        std::fprintf(stderr, "quillon-cli: %s (see --help)\n", error.what());
        return 2;
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillon-cli: %s\n", error.what());
        return 1;
    }
}
