// The sector hex editor showing a long block of 2380 bytes (149 rows of the
// grid) and repainting, on the offscreen platform; and the one cell of ASCII
// text a keystroke in a byte cell rewrites.
#include "BenchRig.h"
#include "console/HexEditWindow.h"
#include "widgets/StringGridEx.h"

#include <QApplication>
#include <QPixmap>
#include <benchmark/benchmark.h>

namespace {

using namespace quillon;

constexpr std::int32_t LongBlock = 2380;

struct Editor {
    Editor() : operations(drive, console), editor(operations) {
        for (std::int32_t i = 0; i < LongBlock; ++i) {
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
        }
        editor.show();
    }
    drive::TMODrive drive;
    bench::SilentConsole console;
    console::DriveConsole operations;
    console::THexEdit editor;
    std::array<std::uint8_t, LongBlock> bytes{};
};

void BM_ShowLongBlockAndRepaint(benchmark::State& state) {
    Editor e;
    for (auto _ : state) {
        e.editor.BufferToGrid(LongBlock, e.bytes.data());
        benchmark::DoNotOptimize(e.editor.grab()); // paints the window and its grid
    }
}
BENCHMARK(BM_ShowLongBlockAndRepaint)->Unit(benchmark::kMillisecond);

void BM_KeystrokeUpdatesTheAsciiText(benchmark::State& state) {
    Editor e;
    e.editor.BufferToGrid(LongBlock, e.bytes.data());
    auto* grid = e.editor.findChild<widgets::TStringGridEx*>("StringGridEx1");
    int row = 1;
    for (auto _ : state) {
        emit grid->OnSetEditText(3, row, "0041");
        row = row % 148 + 1;
    }
}
BENCHMARK(BM_KeystrokeUpdatesTheAsciiText)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    bench::drawOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
