#pragma once

#include "console/Console.h"

class QPlainTextEdit;
class QWidget;

namespace quillon::console {

class TExSenseData;

// The console of the windows: the main window's log, message boxes over the
// active window, and the sense window.
class WindowConsole : public Console {
public:
    explicit WindowConsole(QPlainTextEdit& log) : log_(log) {}

    // The sense window exists only after the main window; until then sense
    // data is not shown.
    void SetSenseWindow(TExSenseData* window) { senseWindow_ = window; }

    void ClearLog() override;
    void AddLog(const std::string& line) override;
    void MessageBox(BoxKind kind, const std::string& text) override;
    Answer AskOkAbort(const std::string& question) override;
    void ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                   std::int32_t LBA) override;

private:
    // The window a box belongs to: the one in front (a test window while
    // the main window is hidden), else the main window.
    QWidget* boxParent() const;

    QPlainTextEdit& log_;
    TExSenseData* senseWindow_ = nullptr;
};

} // namespace quillon::console
