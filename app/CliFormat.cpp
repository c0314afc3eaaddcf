#include "CliFormat.h"

#include "CliSession.h"
#include "ProgramOptions.h"
#include "console/FormatThread.h"

#include <chrono>
#include <unistd.h>

namespace quillon::app {

namespace {

using Clock = std::chrono::steady_clock;

// The progress window of a format on a terminal: the worker thread formats
// while the progress line shows the time elapsed since the format started;
// the ticks are counted on the monotonic clock, in the kind's tick length,
// up to the worker's end.
class TerminalFormatProgress : public console::FormatProgress {
public:
    TerminalFormatProgress(ProgressLine& line, const console::FormatKind& kind)
        : line_(line), tick_(kind.TickMilliseconds) {}

    void ShowProgress(std::shared_ptr<console::FormatJob> job) override {
        started_ = ended_ = Clock::now();
        line_.Restart();
        worker_.Start(std::move(job));
    }
    void ProcessMessages() override {
        worker_.WaitFor(RedrawInterval);
        line_.Show(0, 0);
    }
    void HideProgress() override {
        worker_.Finish();
        ended_ = Clock::now();
        line_.Clear();
    }
    std::int32_t Ticks() const override {
        return static_cast<std::int32_t>((ended_ - started_) / tick_);
    }

private:
    static constexpr std::chrono::milliseconds RedrawInterval{100};

    ProgressLine& line_;
    const std::chrono::milliseconds tick_;
    console::FormatWorker worker_;
    Clock::time_point started_;
    Clock::time_point ended_;
};

// Runs one of the two formats with the question answered as the command
// line says.
int runFormat(CliSession& session, const CommandArguments& arguments,
              const console::FormatKind& kind) {
    const bool yes = arguments.Flag("--yes");
    if (!yes && isatty(STDIN_FILENO) != 1) {
        throw UsageError("standard input is not a terminal to confirm the format on; give --yes "
                         "to format without asking (the medium's contents are lost)",
                         std::string(arguments.Command().Name));
    }
    session.AnswerQuestions(yes ? StreamConsole::Answering::Ok
                                : StreamConsole::Answering::FromInput);
    console::FormatOperations formats(session.Operations());
    TerminalFormatProgress progress(session.Progress(), kind);
    const auto result = formats.Run(arguments.Address(), kind, progress);
    if (result.Completed) {
        return session.Conclude({});
    }
    return session.Conclude({result.Shortfall});
}

} // namespace

int RunFormat(CliSession& session, const CommandArguments& arguments) {
    return runFormat(session, arguments, console::PhysicalFormat);
}

int RunZeroFormat(CliSession& session, const CommandArguments& arguments) {
    return runFormat(session, arguments, console::NonPListFormat);
}

} // namespace quillon::app
