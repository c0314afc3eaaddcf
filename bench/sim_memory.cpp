// Memory of the simulated drive: WRITE LONG of one pattern over every sector
// of a 1.3 GB cartridge, with the growth of the resident set reported. With
// --image FILE the cartridge is kept in that image file (1.4 GB of it
// written).
#include "sim/SimTarget.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quillon::sim;

double residentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
        }
    }
    return 0;
}

std::uint8_t be(std::uint32_t value, int shift) {
    return static_cast<std::uint8_t>(value >> shift);
}

} // namespace

int main(int argc, char** argv) {
    double limit = 0;
    DriveConfig config;
    config.media = {"mo1300"};
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--limit-mib" && i + 1 < argc) {
            limit = std::strtod(argv[i + 1], nullptr);
        } else if (option == "--image" && i + 1 < argc) {
            config.image = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: sim_memory [--limit-mib N] [--image FILE]\n");
            return 2;
        }
    }
    const double before = residentMiB();
    std::optional<SimTarget> target;
    try {
        target.emplace(config);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "sim_memory: %s\n", error.what());
        return 2;
    }
    const std::uint8_t tur[6] = {op::TestUnitReady, 0, 0, 0, 0, 0};
    target->execute(0, {tur, {}, {}, std::nullopt});

    const std::vector<std::uint8_t> pattern(2380, 0xA5);
    const std::uint32_t sectors = findMediaProfile("mo1300")->blockCount();
    for (std::uint32_t lba = 0; lba < sectors; ++lba) {
        const std::uint8_t cdb[10] = {op::WriteLong10, 0, be(lba, 24), be(lba, 16), be(lba, 8),
                                      be(lba, 0),      0, 0x09,        0x4C,        0};
        if (target->execute(0, {cdb, pattern, {}, std::nullopt}).status != status::Good) {
            std::fprintf(stderr, "WRITE LONG failed at %u\n", lba);
            return 1;
        }
    }
    const double growth = residentMiB() - before;
    std::printf("mo1300%s: WRITE LONG of one pattern over %u sectors: resident set +%.1f MiB\n",
                config.image.empty() ? "" : " in an image file", sectors, growth);
    if (limit > 0 && growth > limit) {
        std::printf("over the limit of %.0f MiB\n", limit);
        return 1;
    }
    return 0;
}
