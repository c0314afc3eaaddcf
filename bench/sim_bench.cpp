// Command rate of the simulated drive at zero latency: the model computes the
// time a real drive would take but nobody waits for it.
#include "sim/Bytes.h"
#include "sim/SimTarget.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

using namespace quillon::sim;

// A drive with its power-on unit attention taken, ready for block commands.
std::unique_ptr<SimTarget> readyTarget(const char* medium) {
    DriveConfig config;
    config.media = {medium};
    auto target = std::make_unique<SimTarget>(config);
    const std::uint8_t tur[6] = {op::TestUnitReady, 0, 0, 0, 0, 0};
    target->execute(0, {tur, {}, {}, std::nullopt});
    return target;
}

// Runs one command per iteration at addresses that stride over the medium.
void runBlockCommand(benchmark::State& state, const char* medium, std::uint8_t opcode,
                     std::uint16_t length, std::size_t bufferSize) {
    auto target = readyTarget(medium);
    std::vector<std::uint8_t> buffer(bufferSize);
    std::uint32_t lba = 0;
    for (auto _ : state) {
        const auto cdb = cdb10(opcode, lba, length);
        const auto outcome = target->execute(0, {cdb, {}, buffer, std::nullopt});
        if (outcome.status != status::Good) {
            state.SkipWithError("the command failed");
            break;
        }
        lba = (lba + 7919) % 200000;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bufferSize));
}

void BM_Read10OneBlock512(benchmark::State& state) {
    runBlockCommand(state, "mo230", op::Read10, 1, 512);
}
BENCHMARK(BM_Read10OneBlock512);

void BM_Read10OneBlock2048(benchmark::State& state) {
    runBlockCommand(state, "mo1300", op::Read10, 1, 2048);
}
BENCHMARK(BM_Read10OneBlock2048);

void BM_ReadLong2380(benchmark::State& state) {
    runBlockCommand(state, "mo1300", op::ReadLong10, 2380, 2380);
}
BENCHMARK(BM_ReadLong2380);

void BM_WriteLong2380(benchmark::State& state) {
    auto target = readyTarget("mo1300");
    const std::vector<std::uint8_t> pattern(2380, 0xA5);
    std::uint32_t lba = 0;
    for (auto _ : state) {
        const auto cdb = cdb10(op::WriteLong10, lba, 2380);
        if (target->execute(0, {cdb, pattern, {}, std::nullopt}).status != status::Good) {
            state.SkipWithError("the command failed");
            break;
        }
        lba = (lba + 1) % 600000;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteLong2380);

} // namespace
