// The random seek test on a 230 MB cartridge at the drive's modelled speed
// (time scale 1): every successful seek's measured time against the model's
// seek time for the same tracks, and the test's averages against the
// model's. Prints the mean measured and modelled times and the mean and
// largest excess of a measurement over its model; with --max-excess MS exits
// 1 when the mean excess is above MS. --count N sets the seeks (default 500).
#include "BenchRig.h"
#include "mediatests/SeekTest.h"
#include "plots/HrpcTimer.h"
#include "plots/PxGraphImage.h"
#include "sim/DriveTiming.h"
#include "sim/MediaProfile.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace quillon;
using drive::TMODrive;

// A seek window that shows nothing but still draws the plot.
class SilentSeekView : public mediatests::SeekView {
public:
    explicit SilentSeekView(std::int32_t count) : count_(count) {
        graph_.SetRange(0, 60000, 0, 200);
    }
    plots::PxGraphImage& Graph() override { return graph_; }
    std::int32_t MaxTime() const override { return 80; }
    std::int32_t MaxLba() const override { return TMODrive::LastBlockLBA; }
    std::int32_t TestCount() const override { return count_; }
    void ShowAverages(const std::string& text) override { averages = text; }
    void ShowErrorCount(std::int32_t) override {}
    void SetRunning(bool) override {}
    void ProcessEvents() override {}

    std::string averages;

private:
    plots::PxGraphImage graph_;
    std::int32_t count_;
};

// Measured against modelled milliseconds over the successful seeks.
struct Comparison {
    int seeks = 0;
    double measured = 0;
    double modelled = 0;
    double largestExcess = 0;
};

std::string option(int argc, char** argv, const std::string& name, const char* fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            return argv[i + 1];
        }
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    const double maxExcess = std::strtod(option(argc, argv, "--max-excess", "0").c_str(), nullptr);
    const int count = std::atoi(option(argc, argv, "--count", "500").c_str());
    bench::drawOffscreen();
    QGuiApplication application(argc, argv);
    bench::ReadyDrive ready(1.0);
    if (!ready.ready) {
        std::fprintf(stderr, "the simulated drive is not ready\n");
        return 1;
    }

    const sim::MediaProfile& profile = *sim::findMediaProfile("mo230");
    const sim::DriveTiming timing(profile);
    SilentSeekView view(count);
    plots::THrpcTimer timer;
    mediatests::RandomSeekTest test(ready.operations, view, timer);
    Comparison comparison;
    test.OnSeek = [&](const mediatests::SeekRecord& seek) {
        if (seek.Status != 0) {
            return;
        }
        const std::chrono::duration<double, std::milli> model =
            timing.seek(profile.trackOf(static_cast<std::uint32_t>(seek.From)),
                        profile.trackOf(static_cast<std::uint32_t>(seek.To)));
        ++comparison.seeks;
        comparison.measured += seek.Ms;
        comparison.modelled += model.count();
        comparison.largestExcess = std::max(comparison.largestExcess, seek.Ms - model.count());
    };
    test.Run();

    const double n = std::max(comparison.seeks, 1);
    const double meanExcess = (comparison.measured - comparison.modelled) / n;
    std::printf("%d seeks on mo230 at time scale 1: %s\n", comparison.seeks, view.averages.c_str());
    std::printf("mean seek time measured %.3f ms, modelled %.3f ms\n", comparison.measured / n,
                comparison.modelled / n);
    std::printf("excess over the model: mean %.3f ms, largest %.3f ms\n", meanExcess,
                comparison.largestExcess);
    if (maxExcess > 0 && meanExcess > maxExcess) {
        std::printf("over the limit of %.3f ms\n", maxExcess);
        return 1;
    }
    return 0;
}
