#include "console/FormatText.h"
#include "mediatests/SeekTest.h"
#include "mediatests/TestRig.h"
#include "plots/HrpcTimer.h"
#include "plots/PxGraphImage.h"
#include "sim/DriveTiming.h"
#include "sim/MediaProfile.h"
#include "widgets/Colors.h"
#include "widgets/ImageTestSupport.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <chrono>

using namespace quillon;
using namespace quillon::mediatests;
using quillon::mediatests::testing::SimulatedDrive;
using quillon::widgets::colors::clRed;
using quillon::widgets::testing::pixelBox;

namespace {

constexpr std::uint8_t Seek10 = 0x2B;

// The seek window without a screen: the fields, the figures last shown, the
// Seek Test/STOP swaps, the seeks made and what happens when the test lets
// events run.
class PlotView : public SeekView {
public:
    plots::PxGraphImage graph;
    std::int32_t maxTime = 80, maxLba = 0, testCount = 10;
    std::string averages = "Ave =";
    std::int32_t errorCount = -1;
    std::vector<bool> runningStates;
    std::function<void()> onEvents;
    std::function<bool()> stopAsked;

    plots::PxGraphImage& Graph() override { return graph; }
    std::int32_t MaxTime() const override { return maxTime; }
    std::int32_t MaxLba() const override { return maxLba; }
    std::int32_t TestCount() const override { return testCount; }
    void ShowAverages(const std::string& text) override { averages = text; }
    void ShowErrorCount(std::int32_t count) override { errorCount = count; }
    void SetRunning(bool running) override { runningStates.push_back(running); }
    void ProcessEvents() override {
        if (onEvents) {
            onEvents();
        }
    }
    bool StopAsked() const override { return stopAsked && stopAsked(); }
};

// A tick label drawn alone as the plot draws it, in its colours and font,
// cut to the box of the pixels the text changed.
QImage labelAlone(const plots::PxGraphImage& graph, const QString& text) {
    const QFontMetrics metrics(graph.GRFont);
    QImage image(metrics.horizontalAdvance(text) + 1, metrics.height(), QImage::Format_RGB32);
    const QRgb background = graph.TitleBackColor.rgb();
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(graph.GRFont);
    painter.setPen(QColor(graph.LabelColor));
    painter.drawText(0, metrics.ascent(), text);
    painter.end();
    return image.copy(pixelBox(image, image.rect(), background));
}

// Whether the image holds the pixels of label at `at`.
bool holdsLabel(const QImage& image, const QImage& label, QPoint at) {
    for (int y = 0; y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            if (image.pixel(at + QPoint(x, y)) != label.pixel(x, y))
                return false;
    return true;
}

// Where the whole label of the x-axis tick shows below the plot area, near
// the tick; empty when no part of the image below holds it whole.
QRect xLabelShown(const plots::PxGraphImage& graph, const plots::AxisTick& tick) {
    const QImage& image = graph.Image();
    const QImage label = labelAlone(graph, tick.label);
    const int x = graph.XToPixel(tick.value);
    const int left = std::max(0, x - 2 * label.width());
    const int right = std::min(image.width() - label.width(), x + label.width());
    for (int top = graph.YToPixel(0) + 1; top <= image.height() - label.height(); ++top)
        for (int at = left; at <= right; ++at)
            if (holdsLabel(image, label, {at, top}))
                return {QPoint(at, top), label.size()};
    return {};
}

// A seek test on the simulated 230 MB drive at 0:2:0, its seeks recorded.
struct SeekRig {
    explicit SeekRig(const std::string& options = "", double timeScale = 0)
        : sim("2=mo230" + options, timeScale), test(sim.operations, view, timer) {
        view.maxLba = drive::TMODrive::LastBlockLBA;
        test.OnSeek = [this](const SeekRecord& seek) {
            seeks.push_back(seek);
        };
        sim.bus->target(2)->setTracing(true);
    }

    // The blocks the drive was told to seek to, the first seek included.
    std::vector<std::uint32_t> seekTargets() const {
        std::vector<std::uint32_t> targets;
        for (const auto& entry : sim.trace()) {
            if (entry.cdb[0] == Seek10) {
                targets.push_back(mediatests::testing::lbaOf(entry.cdb));
            }
        }
        return targets;
    }

    std::vector<std::string> questions() const {
        std::vector<std::string> asked;
        std::ranges::copy_if(sim.console.lines, std::back_inserter(asked),
                             [](const std::string& line) { return line.starts_with("ask: "); });
        return asked;
    }

    SimulatedDrive sim;
    PlotView view;
    plots::THrpcTimer timer;
    RandomSeekTest test;
    std::vector<SeekRecord> seeks;
};

} // namespace

TEST(SeekTest, AxisEndsOneRoundStepAboveMaxLba) {
    EXPECT_EQ(SeekAxisEnd(0), 10);
    EXPECT_EQ(SeekAxisEnd(10), 20);
    EXPECT_EQ(SeekAxisEnd(60000), 70000);
    EXPECT_EQ(SeekAxisEnd(100000), 110000);
    EXPECT_EQ(SeekAxisEnd(0x1E240), 200000);
    EXPECT_EQ(SeekAxisEnd(INT32_MAX), 3'000'000'000);

    SeekRig rig;
    rig.view.maxLba = 0x1E240;
    rig.test.SetAxisRange();
    const plots::PxGraphImage& graph = rig.view.graph;
    // The view keeps 11 % of the range on the left and 5 % on the right.
    EXPECT_EQ(graph.XToPixel(-22000), 0);
    EXPECT_EQ(graph.XToPixel(210000), 497);
    const auto ticks = plots::AxisTicks(0, 200000);
    ASSERT_EQ(ticks.size(), 11u);
    EXPECT_EQ(ticks[1].label, "20000");
    EXPECT_EQ(ticks[10].label, "200000");
}

// The distance axis of the largest cartridges runs past a million: each
// number under it shows whole and apart from the next, a blank column at
// least between them.
TEST(SeekTest, DistanceLabelsShowWholeAndApartOnEachMedium) {
    SeekRig rig;
    PrepareSeekPlot(rig.view.graph, QFont());
    for (const char* medium : {"mo230", "mo640", "mo2300"}) {
        SCOPED_TRACE(medium);
        rig.view.maxLba = static_cast<std::int32_t>(sim::findMediaProfile(medium)->lastLba);
        rig.test.SetAxisRange();
        QRect previous;
        for (const plots::AxisTick& tick :
             plots::AxisTicks(0, static_cast<double>(SeekAxisEnd(rig.view.maxLba)))) {
            const QRect shown = xLabelShown(rig.view.graph, tick);
            ASSERT_FALSE(shown.isEmpty()) << tick.label.toStdString() << " is not whole";
            EXPECT_TRUE(previous.isEmpty() || previous.right() + 1 < shown.left())
                << tick.label.toStdString() << " touches the number before it";
            previous = shown;
        }
    }
}

TEST(SeekTest, EmptyAxesAreWidenedAndLogged) {
    SeekRig rig;
    rig.view.maxLba = -0x64;
    rig.view.maxTime = 0;
    rig.test.SetAxisRange();
    const auto& lines = rig.sim.console.lines;
    EXPECT_EQ(lines.at(lines.size() - 2), "Max LBA -64 leaves no distance axis: it runs to 10");
    EXPECT_EQ(lines.back(), "Max Time 0 leaves no time axis: it runs to 1 mS");
    const plots::PxGraphImage& graph = rig.view.graph;
    EXPECT_LT(graph.XToPixel(0), graph.XToPixel(10));
    EXPECT_GT(graph.YToPixel(0), graph.YToPixel(1));

    // A negative Max LBA also seeks to block 0 only.
    rig.view.testCount = 3;
    rig.test.Run();
    EXPECT_EQ(rig.seekTargets(), (std::vector<std::uint32_t>{0, 0, 0, 0}));
}

TEST(SeekTest, SeeksRandomBlocksBelowMaxLbaAndAveragesThem) {
    SeekRig rig;
    rig.view.maxLba = 5000;
    rig.view.testCount = 200;
    EXPECT_TRUE(rig.test.Run()); // Abort closes the window
    const auto targets = rig.seekTargets();
    ASSERT_EQ(targets.size(), 201u);
    EXPECT_EQ(targets[0], 0u);
    EXPECT_LT(*std::ranges::max_element(targets), 5000u);
    EXPECT_GT(*std::ranges::max_element(targets), 4000u);
    // Each seek starts where the previous one ended.
    std::int64_t distances = 0;
    for (std::size_t i = 0; i < rig.seeks.size(); ++i) {
        const SeekRecord& seek = rig.seeks[i];
        EXPECT_EQ(seek.From, i == 0 ? 0 : rig.seeks[i - 1].To);
        EXPECT_EQ(seek.Distance, std::abs(seek.From - seek.To));
        distances += seek.Distance;
    }
    EXPECT_EQ(rig.test.SumDistance, distances);
    EXPECT_EQ(rig.view.averages.substr(rig.view.averages.find(':')),
              console::formatText(":%8lld", static_cast<long long>(distances / 200)));
    EXPECT_EQ(rig.view.runningStates, (std::vector<bool>{true, false}));
    EXPECT_EQ(rig.questions(), std::vector<std::string>{"ask: Seek Test end"});
    EXPECT_EQ(rig.sim.console.lines.back(), "Seek Test end");
}

TEST(SeekTest, OkKeepsTheWindowAndTheNextRunStartsOnAnEmptyPlot) {
    SeekRig rig;
    rig.sim.console.answer = console::Console::Answer::Ok;
    rig.view.maxLba = 0; // every seek to block 0: the points lie on the y axis
    rig.view.testCount = 5;
    EXPECT_FALSE(rig.test.Run());
    EXPECT_EQ(rig.seekTargets(), (std::vector<std::uint32_t>(6, 0)));
    const plots::PxGraphImage& graph = rig.view.graph;
    const QPoint origin(graph.XToPixel(0), graph.YToPixel(rig.seeks[0].Ms));
    EXPECT_EQ(graph.Image().pixel(origin), clRed);
    EXPECT_NE(rig.sim.console.lines.back(), "Seek Test end");

    rig.view.testCount = 0;
    rig.test.Run();
    EXPECT_NE(graph.Image().pixel(origin), clRed);
}

TEST(SeekTest, NoRandomSeekForACountOfZeroOrLess) {
    for (const std::int32_t count : {0, -5}) {
        SeekRig rig;
        rig.view.testCount = count;
        rig.test.Run();
        EXPECT_EQ(rig.seekTargets().size(), 1u);
        EXPECT_EQ(rig.view.runningStates, (std::vector<bool>{true, false}));
        EXPECT_EQ(rig.questions().size(), 1u);
        EXPECT_EQ(rig.view.averages, "Ave =");
    }
}

TEST(SeekTest, FailedFirstSeekEndsTheRunAtTheQuestion) {
    SeekRig rig(":fail=2b-3.11.0");
    rig.test.Run();
    EXPECT_EQ(rig.seekTargets().size(), 1u);
    EXPECT_TRUE(rig.view.runningStates.empty());
    const auto& lines = rig.sim.console.lines;
    EXPECT_NE(std::ranges::find(lines, "Error: Fist Seek"), lines.end());
    EXPECT_EQ(rig.questions().size(), 1u);
}

TEST(SeekTest, StopEndsTheRunAfterTheSeekInProgress) {
    SeekRig rig;
    rig.view.testCount = 1000;
    rig.view.onEvents = [&rig] {
        if (rig.seeks.size() == 3) {
            rig.test.StopRequested = true;
        }
    };
    rig.test.Run();
    EXPECT_EQ(rig.seeks.size(), 4u); // the fourth was under way when STOP came
    EXPECT_EQ(rig.questions().size(), 1u);
    EXPECT_EQ(rig.view.runningStates.back(), false);

    // A stop asked outside the events (Ctrl-C during the third seek) ends
    // the run after that seek, with no other seek sent.
    SeekRig interrupted;
    interrupted.view.testCount = 1000;
    interrupted.view.stopAsked = [&interrupted] {
        return interrupted.seeks.size() >= 3;
    };
    interrupted.test.Run();
    EXPECT_EQ(interrupted.seeks.size(), 3u);
    EXPECT_EQ(interrupted.seekTargets().size(), 4u); // the first seek to block 0, then three
    EXPECT_EQ(interrupted.test.SeeksMade, 3);
}

// One seek in ten fails: it is counted, not plotted, the head stays, and the
// time average still divides by every seek made. At the drive's modelled
// speed every measured time covers the modelled seek.
TEST(SeekTest, FailedSeeksCountAndTimesFollowTheModel) {
    SeekRig rig("", 1);
    sim::FaultRule fault;
    fault.opcode = Seek10;
    fault.skip = 6; // the first seek and five random ones go through
    rig.sim.simDrive().addFault(fault);
    rig.view.maxTime = 50;
    rig.view.testCount = 10;
    rig.test.Run();
    ASSERT_EQ(rig.seeks.size(), 10u);
    EXPECT_EQ(rig.test.ErrorCount, 1);
    EXPECT_EQ(rig.view.errorCount, 1);
    const SeekRecord& failed = rig.seeks[5];
    EXPECT_NE(failed.Status, 0);
    EXPECT_EQ(rig.seeks[6].From, failed.From);

    const sim::MediaProfile& profile = *sim::findMediaProfile("mo230");
    const sim::DriveTiming timing(profile);
    double sum = 0;
    for (const SeekRecord& seek : rig.seeks) {
        if (seek.Status != 0) {
            continue;
        }
        const std::chrono::duration<double, std::milli> model =
            timing.seek(profile.trackOf(static_cast<std::uint32_t>(seek.From)),
                        profile.trackOf(static_cast<std::uint32_t>(seek.To)));
        EXPECT_GE(seek.Ms, model.count());
        sum += seek.Ms;
    }
    EXPECT_NEAR(rig.test.SumTime, sum, 0.01);
    EXPECT_EQ(rig.view.averages.substr(0, 12), console::formatText("Ave = %6.1f", sum / 10));
}
