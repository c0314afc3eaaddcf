#pragma once

#include "console/DriveConsole.h"
#include "mediatests/MediaTestLaunch.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

class QFont;

namespace quillon::plots {
class PxGraphImage;
class THrpcTimer;
} // namespace quillon::plots

namespace quillon::mediatests {

// What the random seek test needs of the window that shows it (or of the
// terminal that runs it), besides the console's log and boxes: the plot,
// the three fields, the running figures, the Seek Test/STOP state and the
// message loop.
class SeekView {
public:
    virtual ~SeekView() = default;

    virtual plots::PxGraphImage& Graph() = 0;
    // The fields as they stand now: Max LBA is read at every seek, so a change
    // during a run takes effect at once.
    virtual std::int32_t MaxTime() const = 0;
    virtual std::int32_t MaxLba() const = 0;
    virtual std::int32_t TestCount() const = 0;
    // The running averages ("Ave =" at rest).
    virtual void ShowAverages(const std::string& text) = 0;
    // The failed seeks so far; the first failure brings the count into view.
    virtual void ShowErrorCount(std::int32_t count) = 0;
    // While running, "Seek Test" is hidden and STOP shown in its place.
    virtual void SetRunning(bool running) = 0;
    // Lets pending events run: the plot repaints, STOP can be pressed.
    virtual void ProcessEvents() = 0;
    // A stop asked for from outside the window's events (a terminal's
    // Ctrl-C), read with StopRequested after each seek.
    virtual bool StopAsked() const { return false; }
};

// One random seek as a run made it: the block the head came from (the last
// one reached), the block asked for, the time the command took and its
// SCSI status (0: GOOD).
struct SeekRecord {
    std::int32_t Index;
    std::int32_t From;
    std::int32_t To;
    std::int64_t Distance;
    float Ms;
    int Status;
};

// The random seek test: SEEK(10) to random blocks below Max LBA, each
// command timed, every successful seek plotted as a red point of distance
// in blocks against time in milliseconds, with running averages of both.
class RandomSeekTest {
public:
    RandomSeekTest(console::DriveConsole& drive, SeekView& view, plots::THrpcTimer& timer)
        : drive_(drive), view_(view), timer_(timer) {}

    // The x axis from 0 to the first round value above Max LBA, the y axis
    // from 0 to Max Time, drawn empty.
    void SetAxisRange();
    // The run that "Seek Test" starts; returns whether the window is to close
    // (the user chose Abort at the end).
    bool Run();

    bool StopRequested = false;
    // The figures of the last run. The distances are summed in 64 bits: a
    // thousand full strokes over a large medium pass 2^31 blocks.
    std::int32_t ErrorCount = 0;
    double SumTime = 0;
    std::int64_t SumDistance = 0;
    // The random seeks the run was asked for and those it made.
    std::int32_t SeeksAsked = 0;
    std::int32_t SeeksMade = 0;

    // Why the last run cannot count as a whole, clean run, one reason a
    // line: failed seeks, seeks not made; none when every seek asked for
    // was made and succeeded.
    std::vector<std::string> Shortcomings() const;
    // Called after every random seek, for reports.
    std::function<void(const SeekRecord&)> OnSeek;

private:
    // Seeks to a random block; returns the block the head is at afterwards.
    std::int32_t seekRandomly(std::int32_t index, std::int32_t from);
    std::int32_t randomBlock();
    void showAverages(std::int32_t index);
    bool endRun();

    console::DriveConsole& drive_;
    SeekView& view_;
    plots::THrpcTimer& timer_;
    std::mt19937 random_;
};

// The end of the x axis for a largest address: the multiple of the smallest
// power of ten (10 at least) that cuts maxLba into at most ten steps, one
// step above maxLba. 0 gives 10, 60000 gives 70000, 123456 gives 200000.
std::int64_t SeekAxisEnd(std::int32_t maxLba);

// The plot as the seek window shows it: titles, colours, the face of font at
// 12 pixels with digits 6 pixels wide (the x-axis numbers are placed by that
// width), and the range it has before the first showing.
void PrepareSeekPlot(plots::PxGraphImage& graph, const QFont& font);

// The launch from the main window's "Seek Test" (or the terminal).
inline const MediaTestNames SeekTestNames{"Seek Test", "Seek test", "Seek Test Complete"};

} // namespace quillon::mediatests
