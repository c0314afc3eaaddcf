#pragma once

#include <QImage>
#include <QRect>
#include <QTest>
#include <QWidget>

namespace quillon::widgets::testing {

// Helpers of the widget tests: a window shown as the active one, so that key
// events reach it, and pixel searches on rendered widgets.

[[nodiscard]] inline bool showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

inline QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The bounding box of the pixels in area that have the colour (matching) or
// any other colour (not matching).
inline QRect pixelBox(const QImage& image, const QRect& area, QRgb color, bool matching = false) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) == color) == matching)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace quillon::widgets::testing
