// A million byte-error marks on the disc error map of the bit error rate
// windows (436 × 436 pixels, range −64 to 64, no overwriting), spread over the
// track band the way a run of erroneous bytes is.
#include "plots/ArcGraphImage.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

using quillon::plots::ArcGraphImage;

constexpr int Marks = 1'000'000;

void BM_PlotPolarMillion(benchmark::State& state) {
    ArcGraphImage map({436, 436});
    map.OverWrite = false;
    map.SetRange(-64, 64, -64, 64);
    for (auto _ : state) {
        for (int i = 0; i < Marks; ++i)
            map.PlotPolar(i % 2 ? 0xFFFF0000 : 0xFF0000FF, i * 0.0137, 30 + (i % 3001) * 0.01);
        benchmark::DoNotOptimize(map.Image().constBits());
        state.PauseTiming();
        map.Redraw();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Marks);
}
BENCHMARK(BM_PlotPolarMillion)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Text of the legend needs the font database; no screen is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
