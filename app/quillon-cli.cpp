// quillon-cli: the headless front end of Quillon.
#include "sim/DriveSet.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace quillon::sim;

constexpr std::string_view Usage = R"(Usage: quillon-cli [OPTION]... COMMAND

Quillon tests and debugs magneto-optical disk drives on SCSI.

Commands:
  scan          list the drives found (INQUIRY and READ CAPACITY of each)

Options:
  --simulate    use the simulated drives: an MO drive with a 230 MB cartridge
                at 0:2:0, one with a 640 MB cartridge at 0:4:0 and a fixed
                disk at 0:5:0
  --help        show this text and exit
  --version     show the version and exit

Exit status: 0 when every command succeeded, 1 when a drive failed a command,
2 for a usage error.
)";

// One command sent to a simulated logical unit, with its data.
struct Reply {
    CommandOutcome outcome;
    std::vector<std::uint8_t> data;
};

Reply send(SimTarget& target, std::vector<std::uint8_t> cdb, std::size_t dataLength) {
    Reply reply;
    reply.data.resize(dataLength);
    reply.outcome = target.execute(0, {cdb, {}, reply.data, std::nullopt});
    reply.data.resize(reply.outcome.dataInLength);
    return reply;
}

std::string text(const std::vector<std::uint8_t>& data, std::size_t at, std::size_t length) {
    return {data.begin() + static_cast<std::ptrdiff_t>(at),
            data.begin() + static_cast<std::ptrdiff_t>(at + length)};
}

std::uint32_t be32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return std::uint32_t{d[at]} << 24 | std::uint32_t{d[at + 1]} << 16 |
           std::uint32_t{d[at + 2]} << 8 | d[at + 3];
}

// Lists every simulated drive: its address, type, identity and capacity.
int scan() {
    auto drives = defaultDriveSet();
    std::printf("%-7s %-4s %-8s %-16s %-4s %10s %6s\n", "H:T:L", "Type", "Vendor", "Product", "Rev",
                "Last LBA", "Block");
    int result = 0;
    for (auto& [id, target] : drives) {
        const auto inquiry = send(*target, {op::Inquiry, 0, 0, 0, 36, 0}, 36);
        if (inquiry.outcome.status != status::Good || inquiry.data.size() < 36) {
            result = 1;
            continue;
        }
        // The first TEST UNIT READY takes the power-on unit attention.
        send(*target, {op::TestUnitReady, 0, 0, 0, 0, 0}, 0);
        const auto capacity = send(*target, {op::ReadCapacity10, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
        std::printf("0:%u:0   %02Xh  %s %s %s ", id, inquiry.data[0] & 0x1F,
                    text(inquiry.data, 8, 8).c_str(), text(inquiry.data, 16, 16).c_str(),
                    text(inquiry.data, 32, 4).c_str());
        if (capacity.outcome.status == status::Good && capacity.data.size() == 8) {
            std::printf("%10X %6u\n", be32(capacity.data, 0), be32(capacity.data, 4));
        } else {
            std::printf("%10s %6s\n", "-", "-");
            result = 1;
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    bool simulate = false;
    std::vector<std::string_view> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::fputs(Usage.data(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quillon-cli %s\n", QUILLON_VERSION);
            return 0;
        }
        if (arg == "--simulate") {
            simulate = true;
        } else if (arg.starts_with("-")) {
            std::fprintf(stderr, "quillon-cli: unknown option %s (see --help)\n", argv[i]);
            return 2;
        } else {
            commands.push_back(arg);
        }
    }
    if (commands.size() != 1 || commands.front() != "scan") {
        std::fprintf(stderr, "quillon-cli: expected the command scan (see --help)\n");
        return 2;
    }
    if (!simulate) {
        std::printf("No drives: only the simulated drives (--simulate) are available so far.\n");
        return 0;
    }
    return scan();
}
