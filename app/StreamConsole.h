#pragma once

#include "console/Console.h"

#include <ostream>

namespace quillon::app {

// The console of quillon-cli: the log lines, the text of each message box and
// the contents of the sense window when it would open, on an output stream.
// Clearing the log prints nothing: each command runs one operation. A
// question is printed and answered Abort, which ends a test.
class StreamConsole : public console::Console {
public:
    explicit StreamConsole(std::ostream& out) : out_(out) {}

    void ClearLog() override {}
    void AddLog(const std::string& line) override;
    void MessageBox(BoxKind kind, const std::string& text) override;
    Answer AskOkAbort(const std::string& question) override;
    void ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                   std::int32_t LBA) override;

private:
    std::ostream& out_;
};

} // namespace quillon::app
