#include "StreamConsole.h"

#include "drive/SenseReport.h"

namespace quillon::app {

void StreamConsole::AddLog(const std::string& line) {
    out_ << line << '\n';
}

void StreamConsole::MessageBox(BoxKind, const std::string& text) {
    out_ << text << '\n';
}

console::Console::Answer StreamConsole::AskOkAbort(const std::string& question) {
    out_ << question << '\n';
    return Answer::Abort;
}

void StreamConsole::ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                              std::int32_t LBA) {
    if (!Show) {
        return;
    }
    for (const auto& line : drive::senseReport(SenseKey, ASC, ASCQ, LBA)) {
        out_ << line << '\n';
    }
}

} // namespace quillon::app
