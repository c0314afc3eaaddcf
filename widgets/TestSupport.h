#pragma once

#include "widgets/ImageTestSupport.h"

#include <QAccessible>
#include <QImage>
#include <QTest>
#include <QWidget>

namespace quillon::widgets::testing {

// Helpers of the widget tests: a window shown as the active one, so that key
// events reach it, and a widget rendered to an image for the pixel searches.

[[nodiscard]] inline bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

inline QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A grid cell's text as assistive technology reads it.
inline QString accessibleCellText(QWidget& grid, int col, int row) {
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(&grid)->tableInterface();
    return table->cellAt(row, col)->text(QAccessible::Name);
}

} // namespace quillon::widgets::testing
