#include "StreamConsole.h"

#include "drive/SenseReport.h"

namespace quillon::app {

void StreamConsole::print(const std::string& line) {
    progress_.Clear();
    out_ << line << '\n';
}

void StreamConsole::AddLog(const std::string& line) {
    print(line);
}

void StreamConsole::MessageBox(BoxKind, const std::string& text) {
    print(text);
}

console::Console::Answer StreamConsole::AskOkAbort(const std::string& question) {
    print(question);
    return Answer::Abort;
}

void StreamConsole::ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                              std::int32_t LBA) {
    if (!Show) {
        return;
    }
    for (const auto& line : drive::senseReport(SenseKey, ASC, ASCQ, LBA)) {
        print(line);
    }
}

void StreamConsole::ShowProgress(std::int64_t done, std::int64_t total) {
    out_.flush();
    progress_.Show(done, total);
}

} // namespace quillon::app
