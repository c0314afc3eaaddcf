#pragma once

#include <QSize>
#include <QString>

class QDialog;

namespace quillon::console {

// The look of the console's dialogs: a fixed size, only the system menu
// among the border icons, and the small 8-point font of the main window.
void SetUpFixedDialog(QDialog& dialog, const char* name, const QString& caption, QSize size);

} // namespace quillon::console
