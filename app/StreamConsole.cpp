#include "StreamConsole.h"

#include "drive/SenseReport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>

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
    case Answering::AskUser:
        return askUser();
    case Answering::Abort:
        break;
    }
    return Answer::Abort;
}

console::Console::Answer StreamConsole::askUser() {
    out_.flush();
    std::fputs("OK or Abort? ", stderr);
    std::fflush(stderr);
    std::string reply;
    std::getline(std::cin, reply);
    std::erase_if(reply, [](unsigned char c) { return std::isspace(c) != 0; });
    std::transform(reply.begin(), reply.end(), reply.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return reply == "ok" ? Answer::Ok : Answer::Abort;
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
