#pragma once

// What the operations' unit tests share: a front end that records, and a
// simulated bus as the drive component's only adapter.
#include "console/Console.h"
#include "scsi/SimTransport.h"
#include "sim/DriveSet.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon::console::testing {

// The front end of the tests: keeps the log and the boxes, and answers
// questions as told.
class RecordingConsole : public Console {
public:
    std::vector<std::string> lines;
    Answer answer = Answer::Abort;
    std::function<void()> whileAsked; // what the user does before answering

    void ClearLog() override { lines.clear(); }
    void AddLog(const std::string& line) override { lines.push_back(line); }
    void MessageBox(BoxKind, const std::string& text) override { lines.push_back("box: " + text); }
    Answer AskOkAbort(const std::string& question) override {
        lines.push_back("ask: " + question);
        if (whileAsked) {
            whileAsked();
        }
        return answer;
    }
    void ShowSense(bool, std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
};

// The front end of the tests, noting also what the sense window showed.
class SenseRecordingConsole : public RecordingConsole {
public:
    void ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t,
                   std::int32_t) override {
        if (Show) {
            lines.push_back("sense " + std::to_string(SenseKey) + "/" + std::to_string(ASC));
        }
    }
};

// The transports of a program whose only adapter is a simulated bus with
// these drives; bus is set to that bus.
inline std::vector<std::unique_ptr<scsi::Transport>>
SimulatedBus(sim::DriveSet drives, scsi::SimTransport*& bus, double timeScale = 0) {
    auto transport = std::make_unique<scsi::SimTransport>(std::move(drives), timeScale);
    bus = transport.get();
    std::vector<std::unique_ptr<scsi::Transport>> transports;
    transports.push_back(std::move(transport));
    return transports;
}

} // namespace quillon::console::testing
