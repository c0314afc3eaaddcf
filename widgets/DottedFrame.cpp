#include "widgets/DottedFrame.h"

#include <cstdlib>

namespace quillon::widgets {

namespace {

// How far a pixel is from grey: the sum over its components of the distance
// between the component and its inverse.
int distanceFromGrey(QRgb pixel) {
    return std::abs(2 * qRed(pixel) - 255) + std::abs(2 * qGreen(pixel) - 255) +
           std::abs(2 * qBlue(pixel) - 255);
}

// The pixel as a Windows colour value (red in the low byte, blue in the high
// one), which is how light and dark are told apart.
unsigned colorValue(QRgb pixel) {
    return unsigned(qRed(pixel)) | unsigned(qGreen(pixel)) << 8 | unsigned(qBlue(pixel)) << 16;
}

void drawDot(QImage& image, int x, int y, QPoint origin) {
    if ((x + y + origin.x() + origin.y()) % 2 == 0 && image.valid(x, y))
        image.setPixel(x, y, dottedFrameColor(image.pixel(x, y)));
}

void drawRow(QImage& image, int y, int left, int right, QPoint origin) {
    for (int x = left; x <= right; ++x)
        drawDot(image, x, y, origin);
}

void drawColumn(QImage& image, int x, int top, int bottom, QPoint origin) {
    for (int y = top; y <= bottom; ++y)
        drawDot(image, x, y, origin);
}

} // namespace

QRgb dottedFrameColor(QRgb under) {
    constexpr int greyDistance = 24;
    constexpr unsigned darkBelow = 0xC0C0C1;
    if (distanceFromGrey(under) >= greyDistance)
        return qRgb(255 - qRed(under), 255 - qGreen(under), 255 - qBlue(under));
    return colorValue(under) < darkBelow ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
}

void drawDottedFrame(QImage& image, const QRect& rect, DottedEdges edges, QPoint origin) {
    if (edges & deTop)
        drawRow(image, rect.top(), rect.left(), rect.right(), origin);
    if (edges & deBottom)
        drawRow(image, rect.bottom(), rect.left(), rect.right(), origin);
    // The corners are dotted once: inverting a pixel twice would undo the dot.
    const int top = edges & deTop ? rect.top() + 1 : rect.top();
    const int bottom = edges & deBottom ? rect.bottom() - 1 : rect.bottom();
    if (edges & deLeft)
        drawColumn(image, rect.left(), top, bottom, origin);
    if (edges & deRight)
        drawColumn(image, rect.right(), top, bottom, origin);
}

} // namespace quillon::widgets
