// One-block READ(10) through the whole drive component stack (TMODrive →
// TWin32ASPI → simulated transport, time scale 0) against the same commands
// sent straight to the drive model.
#include "drive/MODrive.h"
#include "scsi/SimTransport.h"
#include "sim/Bytes.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

using namespace quillon;

constexpr std::uint8_t Target = 2;

sim::DriveSet oneDrive() {
    return sim::parseDriveSet("2=mo230");
}

void BM_Read10Model(benchmark::State& state) {
    auto drives = oneDrive();
    sim::SimTarget& target = *drives.at(Target);
    const std::uint8_t tur[6]{};
    target.execute(0, {tur, {}, {}, std::nullopt});
    std::vector<std::uint8_t> buffer(512);
    std::uint32_t lba = 0;
    for (auto _ : state) {
        const auto cdb = sim::cdb10(0x28, lba, 1);
        if (target.execute(0, {cdb, {}, buffer, std::nullopt}).status != 0) {
            state.SkipWithError("READ(10) failed");
            break;
        }
        lba = (lba + 7919) % 400000;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Read10Model);

void BM_Read10ThroughTMODrive(benchmark::State& state) {
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    transports.push_back(std::make_unique<scsi::SimTransport>(oneDrive(), 0.0));
    drive::TMODrive drive(std::move(transports));
    drive.TestUnitReady(0, Target, 0);
    std::vector<std::uint8_t> buffer(512);
    std::int32_t lba = 0;
    for (auto _ : state) {
        if (drive.Read10(0, Target, 0, lba, 1, buffer.data()) != 0) {
            state.SkipWithError("READ(10) failed");
            break;
        }
        lba = (lba + 7919) % 400000;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Read10ThroughTMODrive);

} // namespace
