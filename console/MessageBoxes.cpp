#include "MessageBoxes.h"

#include <QMessageBox>

namespace quillon::console {

void ShowMessageBox(QWidget* parent, Console::BoxKind kind, const QString& text) {
    struct Look {
        QMessageBox::Icon icon;
        const char* title;
    };
    constexpr Look Looks[] = {{QMessageBox::Information, "Information"},
                              {QMessageBox::Question, "Confirm"},
                              {QMessageBox::Critical, "Error"}};
    const Look& look = Looks[static_cast<int>(kind)];
    QMessageBox box(look.icon, look.title, text, QMessageBox::Ok, parent);
    box.setObjectName("MessageBox");
    box.exec();
}

} // namespace quillon::console
