// READ(10) throughput through TMODrive and the iSCSI transport against
// libiscsi's own iscsi-perf, on the same tgtd LUN in the same run: 64 KiB
// transfers, one command in flight, sequential through the LUN. The two take
// turns (rounds of a fixed time each) so that a change of load on the machine
// falls on both.
//
//   iscsi_bench [--seconds S] [--rounds N] [--url iscsi://host/iqn/lun]
//
// Without --url it starts a private tgtd through tgtd.sh and reads LUN 1 of
// its "disks" target. Prints both rates and their ratio; exit status 0 when
// the transport reaches 85 % of iscsi-perf, 1 when not, 77 when tgtd or
// iscsi-perf is missing.

#include "drive/MODrive.h"
#include "scsi/IscsiTransport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef QUILLON_TGTD_SCRIPT
#error "QUILLON_TGTD_SCRIPT must name tgtd.sh"
#endif

namespace {

using namespace quillon;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t TransferBytes = 65536;
constexpr double Required = 0.85;

struct Rate {
    double commands = 0;
    double seconds = 0;
    double iops() const { return seconds > 0 ? commands / seconds : 0; }
};

// iscsi-perf for a while; its last "iops average" covers the whole run.
bool runIscsiPerf(const std::string& url, int blocks, int seconds, Rate& rate) {
    const std::string command = "timeout -s INT " + std::to_string(seconds) +
                                " iscsi-perf -m 1 -b " + std::to_string(blocks) + " '" + url +
                                "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return false;
    }
    std::string output;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        output.append(chunk, got);
    }
    ::pclose(pipe);
    const auto at = output.rfind("iops average ");
    if (at == std::string::npos) {
        std::fprintf(stderr, "iscsi_bench: no rate from iscsi-perf:\n%s\n", output.c_str());
        return false;
    }
    rate.commands += std::strtod(output.c_str() + at + 13, nullptr) * seconds;
    rate.seconds += seconds;
    return true;
}

// The same reads through the drive command layer.
bool runDrive(drive::TMODrive& drive, std::uint8_t lun, int blocks, int seconds,
              std::vector<std::uint8_t>& buffer, std::int32_t& lba, Rate& rate) {
    const std::int32_t last = drive::TMODrive::LastBlockLBA;
    const auto start = Clock::now();
    const auto until = start + std::chrono::seconds(seconds);
    long done = 0;
    while (Clock::now() < until) {
        if (lba + blocks - 1 > last) {
            lba = 0;
        }
        if (drive.Read10(0, 0, lun, lba, blocks, buffer.data()) != 0) {
            std::fprintf(stderr, "iscsi_bench: READ(10) at %d failed\n", lba);
            return false;
        }
        lba += blocks;
        ++done;
    }
    rate.commands += static_cast<double>(done);
    rate.seconds += std::chrono::duration<double>(Clock::now() - start).count();
    return true;
}

std::string startTgtd() {
    const std::string dir = std::string(std::getenv("QUILLON_TGTD_ROOT")) + "/bench";
    const std::string command = std::string("'") + QUILLON_TGTD_SCRIPT + "' start '" + dir + "'";
    const int status = std::system(command.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::exit(WIFEXITED(status) && WEXITSTATUS(status) == 77 ? 77 : 1);
    }
    std::ifstream env(dir + "/env");
    std::string portal;
    std::string target;
    for (std::string line; std::getline(env, line);) {
        if (line.rfind("portal=", 0) == 0) {
            portal = line.substr(7);
        } else if (line.rfind("disks=", 0) == 0) {
            target = line.substr(6);
        }
    }
    return "iscsi://" + portal + "/" + target + "/1";
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 5;
    int rounds = 2;
    std::string url;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (arg == "--url" && i + 1 < argc) {
            url = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--seconds S] [--rounds N] [--url URL]\n", argv[0]);
            return 2;
        }
    }
    if (seconds < 1 || rounds < 1) {
        std::fprintf(stderr, "iscsi_bench: --seconds and --rounds must be at least 1\n");
        return 2;
    }
    if (std::system("command -v iscsi-perf >/dev/null") != 0) {
        std::fprintf(stderr, "iscsi_bench: iscsi-perf is not installed (libiscsi-bin): skipped\n");
        return 77;
    }
    if (url.empty()) {
        if (std::getenv("QUILLON_TGTD_ROOT") == nullptr) {
            // Under tgtd.sh, which stops the daemon however this ends.
            std::vector<char*> args{const_cast<char*>(QUILLON_TGTD_SCRIPT),
                                    const_cast<char*>("run")};
            args.insert(args.end(), argv, argv + argc);
            args.push_back(nullptr);
            ::execv(QUILLON_TGTD_SCRIPT, args.data());
            std::perror("cannot run " QUILLON_TGTD_SCRIPT);
            return 1;
        }
        url = startTgtd();
    }

    const scsi::IscsiUrl parsed = scsi::parseIscsiUrl(url);
    const std::uint8_t lun = parsed.lun.value_or(0);
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    transports.push_back(std::make_unique<scsi::IscsiTransport>(std::vector<std::string>{url}));
    drive::TMODrive drive(std::move(transports));
    for (int i = 0; i < 3 && drive.TestUnitReady(0, 0, lun) != 0; ++i) {
        // a fresh login's unit attention
    }
    if (drive.Capacity(0, 0, lun) != 0) {
        std::fprintf(stderr, "iscsi_bench: READ CAPACITY failed on %s\n", parsed.display().c_str());
        return 1;
    }
    const int blocks =
        static_cast<int>(TransferBytes / static_cast<std::uint32_t>(drive::TMODrive::BlockSize));
    std::vector<std::uint8_t> buffer(TransferBytes);
    std::int32_t lba = 0;

    std::printf("READ(10) of %u bytes (%d blocks), one in flight, %d x %d s each, on %s\n",
                TransferBytes, blocks, rounds, seconds, parsed.display().c_str());
    Rate perf;
    Rate ours;
    for (int round = 0; round < rounds; ++round) {
        if (!runIscsiPerf(url, blocks, seconds, perf) ||
            !runDrive(drive, lun, blocks, seconds, buffer, lba, ours)) {
            return 1;
        }
    }
    const double ratio = perf.iops() > 0 ? ours.iops() / perf.iops() : 0;
    const auto mbs = [](const Rate& rate) {
        return rate.iops() * TransferBytes / 1e6;
    };
    std::printf("iscsi-perf           %8.0f IOPS  %7.1f MB/s\n", perf.iops(), mbs(perf));
    std::printf("TMODrive over iSCSI  %8.0f IOPS  %7.1f MB/s\n", ours.iops(), mbs(ours));
    std::printf("ratio                %8.1f %%  (at least %.0f %% required)\n", ratio * 100,
                Required * 100);
    return ratio >= Required ? 0 : 1;
}
