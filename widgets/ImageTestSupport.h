#pragma once

#include <QImage>
#include <QRect>

namespace quillon::widgets::testing {

// Helpers of the tests that check pictures, drawn on a screen or without one:
// pixel searches.

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
