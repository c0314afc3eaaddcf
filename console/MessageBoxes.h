#pragma once

#include "console/Console.h"

#include <QString>

class QWidget;

namespace quillon::console {

// The one way the program shows a modal message box with an OK button:
// information, confirmation or error look, titled by its kind.
void ShowMessageBox(QWidget* parent, Console::BoxKind kind, const QString& text);

} // namespace quillon::console
