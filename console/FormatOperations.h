#pragma once

#include "console/DriveConsole.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillon::console {

// What one of the two formats sends and asks: the confirmation question, the
// format bits of FORMAT UNIT's byte 1 and the parameter list sent with it,
// and the length of one tick of its progress window's timer.
struct FormatKind {
    const char* Question;
    std::uint8_t FormatBits;
    std::span<const std::uint8_t> ParameterList;
    std::int32_t TickMilliseconds;
};

// The zero format's parameter list: a defect list header with FOV and DCRT
// set (the options in it are valid, certification is off) and an empty list.
inline constexpr std::array<std::uint8_t, 10> EmptyDefectList{0x00, 0xA0};

// "Format": the drive's own defaults, no parameter list; ticks of a second.
inline constexpr FormatKind PhysicalFormat{"Format Drive", 0x00, {}, 1000};
// "ZeroFormat": FmtData and CmpLst with a list in physical sector format
// (1Dh), so that the empty list replaces the grown list; ticks of a tenth.
inline constexpr FormatKind NonPListFormat{"Format Drive(Non P-list:Disable Certification)", 0x1D,
                                           EmptyDefectList, 100};

// The time that ticks of a kind's timer make, as the progress windows and the
// log show it, "%4d:%2d": whole minutes and the seconds beyond them, padded
// with blanks.
std::string ElapsedText(std::int32_t ticks, const FormatKind& kind);

// One FORMAT UNIT, sent by a worker thread while the user interface waits:
// the command to the device with the kind's bits and its own copy of the
// parameter list, and the result the wait polls, −1 until the worker has
// stored it. An error the drive layer raises is kept for the user interface
// and stores a non-zero result, so the wait always ends.
class FormatJob {
public:
    FormatJob(drive::TMODrive& drive, DeviceAddress at, const FormatKind& kind);

    // On the worker thread: sends the command and stores its result.
    void Execute() noexcept;
    // −1 while the command runs; then 0 for success, else the failure.
    std::int32_t FormatResult() const { return result_.load(std::memory_order_acquire); }
    // Whether the drive layer raised an error; read once the result is in.
    bool Raised() const { return static_cast<bool>(error_); }
    // Throws the error the drive layer raised, if it raised one.
    void RethrowError() const;

private:
    // The result stored when the drive layer raised an error instead of
    // returning one.
    static constexpr std::int32_t RaisedResult = 0x300;

    drive::TMODrive& drive_;
    const DeviceAddress at_;
    const std::uint8_t formatBits_;
    std::vector<std::uint8_t> parameters_;
    std::exception_ptr error_;
    std::atomic<std::int32_t> result_{-1};
};

// The progress window of a format as the operation sees it: shown in the
// main window's place while a worker thread runs the job, it counts the
// ticks of its timer from its showing.
class FormatProgress {
public:
    virtual ~FormatProgress() = default;

    // Hides the main window and shows the progress window; showing it starts
    // the worker thread that runs the job.
    virtual void ShowProgress(std::shared_ptr<FormatJob> job) = 0;
    // One round of the wait: lets the front end handle what is pending
    // (timer ticks, painting, the user's input).
    virtual void ProcessMessages() = 0;
    // Hides the progress window and shows the main window.
    virtual void HideProgress() = 0;
    // The timer's ticks since the window was shown.
    virtual std::int32_t Ticks() const = 0;
};

// The main window's "Format" and "ZeroFormat", written once for the windows
// and for quillon-cli: the device checked, the write-protected medium
// ejected, the question asked, then FORMAT UNIT on a worker thread with the
// command time-out raised for it, while the user interface shows the
// progress window, and the outcome logged with the time the format took.
// While the worker formats, nothing else is sent to the drive: the user
// interface only waits in ProcessMessages.
class FormatOperations {
public:
    struct Result {
        bool Completed = false;
        // Why the format did not complete, in words; empty when it did.
        std::string Shortfall;
    };

    // The command time-out of every command but FORMAT UNIT.
    static constexpr std::int32_t CommandTimeOut = 10000;

    explicit FormatOperations(DriveConsole& drive) : drive_(drive) {}

    // One of the formats on the device at, with its progress window.
    Result Run(DeviceAddress at, const FormatKind& kind, FormatProgress& progress);
    // The buttons.
    Result Format(DeviceAddress at, FormatProgress& progress) {
        return Run(at, PhysicalFormat, progress);
    }
    Result ZeroFormat(DeviceAddress at, FormatProgress& progress) {
        return Run(at, NonPListFormat, progress);
    }

    // The command time-out while FORMAT UNIT runs: two hours, as a format
    // takes minutes; lowered only where a test cannot wait for a hung drive.
    std::int32_t FormatTimeOut = 7200000;

private:
    // Runs the job on the worker while the progress window shows; returns
    // the ticks it took.
    std::int32_t formatWhileWaiting(const std::shared_ptr<FormatJob>& job,
                                    FormatProgress& progress);
    Result report(const FormatJob& job, const FormatKind& kind, std::int32_t ticks);

    DriveConsole& drive_;
};

} // namespace quillon::console
