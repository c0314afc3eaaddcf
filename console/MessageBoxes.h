#pragma once

#include "console/Console.h"

#include <QMessageBox>
#include <QString>

class QWidget;

namespace quillon::console {

// The one way the program shows a modal message box: information,
// confirmation or error look, titled by its kind, with the given buttons;
// returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, Console::BoxKind kind,
                                           const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

} // namespace quillon::console
