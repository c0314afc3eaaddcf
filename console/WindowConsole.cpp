#include "WindowConsole.h"

#include "MessageBoxes.h"
#include "SenseWindow.h"

#include <QPlainTextEdit>

namespace quillon::console {

void WindowConsole::ClearLog() {
    log_.clear();
}

void WindowConsole::AddLog(const std::string& line) {
    log_.appendPlainText(QString::fromStdString(line));
}

void WindowConsole::MessageBox(BoxKind kind, const std::string& text) {
    ShowMessageBox(log_.window(), kind, QString::fromStdString(text));
}

void WindowConsole::ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                              std::int32_t LBA) {
    if (senseWindow_ != nullptr) {
        senseWindow_->ShowSense(Show, SenseKey, ASC, ASCQ, LBA);
    }
}

} // namespace quillon::console
