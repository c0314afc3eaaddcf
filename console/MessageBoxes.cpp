#include "MessageBoxes.h"

#include <exception>

namespace quillon::console {

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, Console::BoxKind kind,
                                           const QString& text,
                                           QMessageBox::StandardButtons buttons) {
    struct Look {
        QMessageBox::Icon icon;
        const char* title;
    };
    constexpr Look Looks[] = {{QMessageBox::Information, "Information"},
                              {QMessageBox::Question, "Confirm"},
                              {QMessageBox::Critical, "Error"}};
    const Look& look = Looks[static_cast<int>(kind)];
    QMessageBox box(look.icon, look.title, text, buttons, parent);
    box.setObjectName("MessageBox");
    box.exec();
    return box.standardButton(box.clickedButton());
}

void RunShowingErrors(QWidget* parent, const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::exception& error) {
        ShowMessageBox(parent, Console::BoxKind::Error, error.what());
    }
}

} // namespace quillon::console
