#pragma once

#include "app/ProgressLine.h"
#include "console/CopyWindows.h"

namespace quillon::app {

// The progress window of the copies and of verify on a terminal: the gauge
// is the progress line on standard error; what runs is in the log already.
class TerminalGauge : public console::ProgressWindow {
public:
    explicit TerminalGauge(ProgressLine& line) : line_(line) {}

    void ShowGauge(const std::string& /*text*/) override { line_.Show(0, 100); }
    void SetGauge(std::int64_t percent) override { line_.Show(percent, 100); }
    void HideGauge() override { line_.Clear(); }
    void ProcessMessages() override {}

private:
    ProgressLine& line_;
};

} // namespace quillon::app
