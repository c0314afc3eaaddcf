// The bit error rate test in long-write mode against its bare drive commands,
// on a 230 MB cartridge at time scale 0 (default byte error rate): the WRITE
// LONG and READ LONG passes over 100,000 blocks through TMODrive alone, then
// the test's run over the same blocks (skip 0) with a window that shows
// nothing. Prints both times and their ratio, the test's overhead; with
// --max-ratio R exits 1 when the ratio is above R. Each is timed a few times,
// the two in turn, and the best time kept.
#include "BenchRig.h"
#include "mediatests/BitErrorRate.h"
#include "plots/ArcGraphImage.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace quillon;
using drive::TMODrive;

constexpr std::uint8_t Target = bench::ReadyDrive::Target;
constexpr std::int32_t End = 99'999; // blocks 0 to 99,999, and the last pass's rest
constexpr int Rounds = 5;

// A test window that shows nothing but still draws the map.
class SilentView : public mediatests::TestView {
public:
    SilentView() {
        map_.OverWrite = false;
        map_.SetRange(-64, 64, -64, 64);
    }
    plots::ArcGraphImage& Map() override { return map_; }
    void ShowRate(const std::string&) override {}
    void ShowLba(const std::string&) override {}
    void SetRunning(bool) override {}
    void ProcessEvents() override {}

private:
    plots::ArcGraphImage map_;
};

// The passes the test makes from block 0 to End with skip 0, each Spt + 1
// blocks written and then read back.
int barePasses(TMODrive& drive, std::vector<std::uint8_t>& pattern,
               std::vector<std::uint8_t>& data) {
    mediatests::MediumGeometry geometry;
    geometry.ComputeGeometry();
    int failures = 0;
    for (std::int32_t cur = 0; cur <= End;) {
        std::int32_t tracks = 0, track = 0, sector = 0, spt = 0;
        geometry.LbaToTrackSector(cur, tracks, track, sector, spt);
        for (std::int32_t lba = cur; lba <= cur + spt; ++lba) {
            failures +=
                drive.LongWrite(0, Target, 0, lba, TMODrive::LongBlockSize, pattern.data()) != 0;
        }
        for (std::int32_t lba = cur; lba <= cur + spt; ++lba) {
            failures +=
                drive.LongRead(0, Target, 0, lba, TMODrive::LongBlockSize, data.data()) != 0;
        }
        cur += spt + 1;
    }
    return failures;
}

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const double maxRatio =
        argc == 3 && std::string(argv[1]) == "--max-ratio" ? std::strtod(argv[2], nullptr) : 0;
    bench::drawOffscreen();
    QGuiApplication application(argc, argv);
    bench::ReadyDrive ready(0.0);
    if (!ready.ready) {
        std::fprintf(stderr, "the simulated drive is not ready\n");
        return 1;
    }

    std::vector<std::uint8_t> pattern(TMODrive::LongBlockSize, 0xA5);
    std::vector<std::uint8_t> data(TMODrive::LongBlockSize);
    int failures = 0;
    SilentView view;
    mediatests::BitErrorRateTest test(ready.operations, view);
    // Alternated, so that a busy machine slows both alike.
    double bare = 1e9, run = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        bare = std::min(bare, seconds([&] { failures += barePasses(ready.drive, pattern, data); }));
        run = std::min(run, seconds([&] { test.Run(0, End, 0); }));
    }

    const double ratio = run / bare;
    std::printf("WRITE LONG + READ LONG passes, blocks 0-%d: %.3f s (%d failed)\n", End, bare,
                failures);
    std::printf("bit error rate test, same blocks:         %.3f s (%d blocks tested, %d "
                "erroneous bytes, %d burst lines)\n",
                run, test.BlocksTested, test.ErrorCount, test.BurstLineCount);
    std::printf("ratio %.2f\n", ratio);
    if (maxRatio > 0 && ratio > maxRatio) {
        std::printf("over the limit of %.2f\n", maxRatio);
        return 1;
    }
    return 0;
}
