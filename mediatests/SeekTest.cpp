#include "SeekTest.h"

#include "console/FormatText.h"
#include "plots/DigitFont.h"
#include "plots/HrpcTimer.h"
#include "plots/PxGraphImage.h"
#include "widgets/Colors.h"

#include <chrono>
#include <cstdlib>

namespace quillon::mediatests {

namespace {

using console::formatText;

// The axes when the fields would leave one of them empty.
constexpr std::int64_t SmallestAxisEnd = 10;
constexpr std::int32_t SmallestMaxTime = 1;

} // namespace

std::int64_t SeekAxisEnd(std::int32_t maxLba) {
    std::int64_t step = 10;
    while (maxLba / step > 10) {
        step *= 10;
    }
    return (maxLba / step + 1) * step;
}

void PrepareSeekPlot(plots::PxGraphImage& graph, const QFont& font) {
    graph.Graphtitle = "MO Drive Random Seek Test";
    graph.Xtitle = "LBA(Decimal)";
    graph.Ytitle = "Time(mS)";
    graph.TitleBackColor = QColor(widgets::colors::clYellow);
    graph.TitleColor = widgets::colors::clFuchsia;
    graph.GRFont = plots::HalfWidthDigitFont(font, 12);
    graph.SetRange(0, 60000, 0, 200);
}

void RandomSeekTest::SetAxisRange() {
    const std::int32_t maxLba = view_.MaxLba();
    std::int64_t xMax = SeekAxisEnd(maxLba);
    if (xMax <= 0) {
        // Written in signed hexadecimal, as the field shows it.
        drive_.Output().AddLog(formatText(
            "Max LBA %s%llX leaves no distance axis: it runs to %lld", maxLba < 0 ? "-" : "",
            static_cast<unsigned long long>(std::llabs(std::int64_t{maxLba})),
            static_cast<long long>(SmallestAxisEnd)));
        xMax = SmallestAxisEnd;
    }
    std::int32_t maxTime = view_.MaxTime();
    if (maxTime < SmallestMaxTime) {
        drive_.Output().AddLog(formatText("Max Time %d leaves no time axis: it runs to %d mS",
                                          maxTime, SmallestMaxTime));
        maxTime = SmallestMaxTime;
    }
    view_.Graph().SetRange(0, static_cast<double>(xMax), 0, maxTime);
}

bool RandomSeekTest::Run() {
    SetAxisRange();
    random_.seed(static_cast<std::mt19937::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    StopRequested = false;
    ErrorCount = 0;
    SumTime = 0;
    SumDistance = 0;
    SeeksAsked = view_.TestCount();
    SeeksMade = 0;
    if (drive_.MODrive1.Seek10(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, 0) != 0) {
        std::string statusText;
        drive_.ShowScsiStatus(true, "Fist Seek", statusText);
        return endRun();
    }
    view_.SetRunning(true);
    const std::int32_t count = SeeksAsked;
    std::int32_t at = 0;
    for (std::int32_t index = 1; index <= count; ++index) {
        at = seekRandomly(index, at);
        SeeksMade = index;
        if (StopRequested || view_.StopAsked()) {
            break;
        }
        drive_.Output().ShowProgress(index, count);
        view_.ProcessEvents();
    }
    view_.SetRunning(false);
    return endRun();
}

std::int32_t RandomSeekTest::seekRandomly(std::int32_t index, std::int32_t from) {
    const std::int32_t lba = randomBlock();
    timer_.Start();
    const int status =
        drive_.MODrive1.Seek10(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN, lba);
    timer_.Stop();
    const auto ms = static_cast<float>(timer_.Elapsed());
    const std::int64_t distance = std::llabs(std::int64_t{from} - lba);
    if (status == 0) {
        view_.Graph().Plot(static_cast<double>(distance), ms, widgets::colors::clRed);
        SumTime += ms;
        SumDistance += distance;
        showAverages(index);
    } else {
        ++ErrorCount;
        view_.ShowErrorCount(ErrorCount);
    }
    if (OnSeek) {
        OnSeek({index, from, lba, distance, ms, status});
    }
    return status == 0 ? lba : from;
}

std::vector<std::string> RandomSeekTest::Shortcomings() const {
    std::vector<std::string> reasons;
    if (SeeksAsked <= 0) {
        reasons.push_back(formatText("the test count %d asks for no seek", SeeksAsked));
    }
    if (SeeksMade < SeeksAsked) {
        reasons.push_back(formatText("the run ended after %d of %d seeks", SeeksMade, SeeksAsked));
    }
    if (ErrorCount > 0) {
        reasons.push_back(formatText("%d of %d seeks failed", ErrorCount, SeeksMade));
    }
    return reasons;
}

// Uniform over 0 to Max LBA - 1; a Max LBA of 0 or less leaves block 0.
std::int32_t RandomSeekTest::randomBlock() {
    const std::int32_t maxLba = view_.MaxLba();
    if (maxLba <= 0) {
        return 0;
    }
    return std::uniform_int_distribution<std::int32_t>(0, maxLba - 1)(random_);
}

// Both averages divide by the seeks made so far, failed ones included.
void RandomSeekTest::showAverages(std::int32_t index) {
    view_.ShowAverages(formatText("Ave = %6.1f:%8lld", SumTime / index,
                                  static_cast<long long>(SumDistance / index)));
}

bool RandomSeekTest::endRun() {
    console::Console& output = drive_.Output();
    if (output.AskOkAbort("Seek Test end") == console::Console::Answer::Ok) {
        return false;
    }
    output.AddLog("Seek Test end");
    return true;
}

} // namespace quillon::mediatests
