#pragma once

#include "app/ProgressLine.h"
#include "console/Console.h"

#include <ostream>

namespace quillon::app {

// The console of quillon-cli: the log lines, the text of each message box and
// the contents of the sense window when it would open, on an output stream;
// the progress of long operations on a progress line, taken away before
// each line. Clearing the log prints nothing: each command runs one
// operation. A question is printed and answered Abort, which ends a test,
// unless the command answers otherwise.
class StreamConsole : public console::Console {
public:
    // How questions are answered: Abort without asking, OK without asking
    // (the user said so on the command line), or by the user on standard
    // input, where only "ok" goes on.
    enum class Answering { Abort, Ok, AskUser };

    StreamConsole(std::ostream& out, ProgressLine& progress) : out_(out), progress_(progress) {}

    void SetAnswering(Answering answering) { answering_ = answering; }

    void ClearLog() override {}
    void AddLog(const std::string& line) override;
    void MessageBox(BoxKind kind, const std::string& text) override;
    Answer AskOkAbort(const std::string& question) override;
    void ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                   std::int32_t LBA) override;
    void ShowProgress(std::int64_t done, std::int64_t total) override;

private:
    void print(const std::string& line);
    Answer askUser();

    std::ostream& out_;
    ProgressLine& progress_;
    Answering answering_ = Answering::Abort;
};

} // namespace quillon::app
