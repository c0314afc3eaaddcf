#include "FormatOperations.h"

#include "FormatText.h"

namespace quillon::console {

namespace {

// The stretch in which the worker formats: the command time-out raised and
// the progress window in the main window's place, both undone however the
// wait ends.
class FormattingScope {
public:
    FormattingScope(drive::TMODrive& drive, std::int32_t timeOut, FormatProgress& progress)
        : drive_(drive), progress_(progress) {
        drive_.TimeOut_ExecSCSICommand = timeOut;
    }
    ~FormattingScope() {
        progress_.HideProgress();
        drive_.TimeOut_ExecSCSICommand = FormatOperations::CommandTimeOut;
    }
    FormattingScope(const FormattingScope&) = delete;
    FormattingScope& operator=(const FormattingScope&) = delete;

private:
    drive::TMODrive& drive_;
    FormatProgress& progress_;
};

} // namespace

std::string ElapsedText(std::int32_t ticks, const FormatKind& kind) {
    const std::int32_t perSecond = 1000 / kind.TickMilliseconds;
    const std::int32_t perMinute = 60 * perSecond;
    return formatText("%4d:%2d", ticks / perMinute, ticks % perMinute / perSecond);
}

FormatJob::FormatJob(drive::TMODrive& drive, DeviceAddress at, const FormatKind& kind)
    : drive_(drive), at_(at), formatBits_(kind.FormatBits),
      parameters_(kind.ParameterList.begin(), kind.ParameterList.end()) {}

void FormatJob::Execute() noexcept {
    std::int32_t result = RaisedResult;
    try {
        result = drive_.Format(at_.HA, at_.Target, at_.LUN, formatBits_,
                               static_cast<std::int32_t>(parameters_.size()), parameters_.data());
    } catch (...) {
        error_ = std::current_exception();
    }
    // The last the worker touches: once the result is seen, the job and the
    // drive are the user interface's again.
    result_.store(result, std::memory_order_release);
}

void FormatJob::RethrowError() const {
    if (error_) {
        std::rethrow_exception(error_);
    }
}

FormatOperations::Result FormatOperations::Run(DeviceAddress at, const FormatKind& kind,
                                               FormatProgress& progress) {
    drive_.SelectCurrent(at);
    if (!drive_.BeginOperation(at, "Physical Format")) {
        return {false, DriveConsole::NoDeviceReason};
    }
    if (!drive_.CheckWriteEnable(at.HA, at.Target, at.LUN, true)) {
        return {false, "the medium is write-protected, or its mode data could not be read"};
    }
    Console& out = drive_.Output();
    if (out.AskOkAbort(kind.Question) == Console::Answer::Abort) {
        out.AddLog("Cancel Format Drive");
        return {false, "the format was cancelled"};
    }
    out.AddLog("Format Start");
    const auto job = std::make_shared<FormatJob>(drive_.MODrive1, at, kind);
    const std::int32_t ticks = formatWhileWaiting(job, progress);
    return report(*job, kind, ticks);
}

std::int32_t FormatOperations::formatWhileWaiting(const std::shared_ptr<FormatJob>& job,
                                                  FormatProgress& progress) {
    {
        const FormattingScope scope(drive_.MODrive1, FormatTimeOut, progress);
        progress.ShowProgress(job);
        while (job->FormatResult() < 0) {
            progress.ProcessMessages();
        }
    }
    return progress.Ticks();
}

FormatOperations::Result FormatOperations::report(const FormatJob& job, const FormatKind& kind,
                                                  std::int32_t ticks) {
    Console& out = drive_.Output();
    const std::string timeLine = "  Time(mm:ss) = " + ElapsedText(ticks, kind);
    if (job.FormatResult() == 0) {
        out.AddLog("Format Complete");
        out.AddLog(timeLine);
        out.MessageBox(Console::BoxKind::Information, "Format Complete");
        return {true, {}};
    }
    out.AddLog(timeLine);
    if (job.Raised()) {
        out.AddLog("Error: Format");
        job.RethrowError();
    }
    std::string statusText;
    drive_.ShowScsiStatus(true, "Format", statusText);
    return {false, "the format failed: " + statusText};
}

} // namespace quillon::console
