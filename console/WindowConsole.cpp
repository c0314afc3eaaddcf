#include "WindowConsole.h"

#include "MessageBoxes.h"
#include "SenseWindow.h"

#include <QApplication>
#include <QPlainTextEdit>

namespace quillon::console {

void WindowConsole::ClearLog() {
    log_.clear();
}

void WindowConsole::AddLog(const std::string& line) {
    log_.appendPlainText(QString::fromStdString(line));
}

void WindowConsole::MessageBox(BoxKind kind, const std::string& text) {
    ShowMessageBox(boxParent(), kind, QString::fromStdString(text));
}

Console::Answer WindowConsole::AskOkAbort(const std::string& question) {
    const auto pressed =
        ShowMessageBox(boxParent(), BoxKind::Confirmation, QString::fromStdString(question),
                       QMessageBox::Ok | QMessageBox::Abort);
    return pressed == QMessageBox::Abort ? Answer::Abort : Answer::Ok;
}

QWidget* WindowConsole::boxParent() const {
    QWidget* active = QApplication::activeWindow();
    return active != nullptr ? active : log_.window();
}

void WindowConsole::ShowSense(bool Show, std::int32_t SenseKey, std::int32_t ASC, std::int32_t ASCQ,
                              std::int32_t LBA) {
    if (senseWindow_ != nullptr) {
        senseWindow_->ShowSense(Show, SenseKey, ASC, ASCQ, LBA);
    }
}

} // namespace quillon::console
