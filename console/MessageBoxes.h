#pragma once

#include "console/Console.h"

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace quillon::console {

// The one way the program shows a modal message box: information,
// confirmation or error look, titled by its kind, with the given buttons;
// returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, Console::BoxKind kind,
                                           const QString& text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// Runs what the user started (a button's handler); an error it raises is
// shown in an error box over parent, so that it never unwinds through the
// toolkit's event delivery.
void RunShowingErrors(QWidget* parent, const std::function<void()>& operation);

} // namespace quillon::console
