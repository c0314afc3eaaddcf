#include "Transports.h"

#include "scsi/IscsiTransport.h"
#include "scsi/SgTransport.h"
#include "scsi/SimTransport.h"

#include <sstream>

namespace quillon::app {

namespace {

// One note per line of a transport's reason.
void addNotes(std::vector<std::string>& notes, const std::string& prefix,
              const std::string& reason) {
    std::istringstream lines(reason);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            notes.push_back(prefix + line);
        }
    }
}

} // namespace

OpenedTransports openTransports(const AdapterOptions& options, double defaultTimeScale) {
    OpenedTransports opened;
    if (options.simulate) {
        auto drives = options.simulate->empty() ? sim::defaultDriveSet()
                                                : sim::parseDriveSet(*options.simulate);
        opened.transports.push_back(std::make_unique<scsi::SimTransport>(
            std::move(drives), options.timeScale.value_or(defaultTimeScale)));
    }
    auto sg = std::make_unique<scsi::SgTransport>();
    if (sg->open() == scsi::Transport::Presence::Absent) {
        opened.notes.push_back("No Linux SCSI generic (sg) adapters.");
        addNotes(opened.notes, "  ", sg->reason());
    }
    if (std::string advice = sg->accessAdvice(); !advice.empty()) {
        opened.warnings.push_back(std::move(advice));
    }
    opened.transports.push_back(std::move(sg));
    if (!options.iscsi.empty()) {
        auto iscsi = std::make_unique<scsi::IscsiTransport>(options.iscsi);
        iscsi->open();
        addNotes(opened.notes, "iSCSI: ", iscsi->reason());
        opened.transports.push_back(std::move(iscsi));
    }
    return opened;
}

std::vector<std::string> OpenedTransports::logLines() const {
    std::vector<std::string> lines = warnings;
    lines.insert(lines.end(), notes.begin(), notes.end());
    return lines;
}

} // namespace quillon::app
