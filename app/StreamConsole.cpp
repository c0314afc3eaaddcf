#include "StreamConsole.h"

#include "drive/SenseReport.h"

#include <cctype>
#include <cstdio>

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
    switch (answering_) {
    case Answering::Ok:
        return Answer::Ok;
    case Answering::FromInput:
        return readAnswer();
    case Answering::Abort:
        break;
    }
    return Answer::Abort;
}

console::Console::Answer StreamConsole::readAnswer() {
    out_.flush();
    for (std::string line;;) {
        std::fputs("OK or Abort? ", stderr);
        std::fflush(stderr);
        if (!std::getline(in_, line)) {
            std::fputs("\n", stderr);
            return Answer::Abort;
        }
        std::string word;
        for (const char c : line) {
            if (std::isspace(static_cast<unsigned char>(c)) == 0) {
                word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
        }
        if (word == "ok") {
            return Answer::Ok;
        }
        if (word == "abort") {
            return Answer::Abort;
        }
    }
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
