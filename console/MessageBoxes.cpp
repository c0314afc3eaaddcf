#include "MessageBoxes.h"

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

} // namespace quillon::console
