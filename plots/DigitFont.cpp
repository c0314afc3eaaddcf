#include "plots/DigitFont.h"

#include <QFontMetricsF>
#include <algorithm>

namespace quillon::plots {

namespace {

// The stretch factors QFont takes, in percent.
constexpr int MinStretch = 1;
constexpr int MaxStretch = 4000;
// Hinting keeps the widths from following the stretch exactly: at most this
// many one-percent steps narrow a font whose digits came out too wide.
constexpr int MaxNarrowingSteps = 10;

double widestDigit(const QFont& font) {
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

} // namespace

QFont HalfWidthDigitFont(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    font.setStretch(100);
    const double halfHeight = pixelSize / 2.0;
    const double measured = widestDigit(font);
    if (measured <= 0)
        return font;
    int stretch = std::clamp(static_cast<int>(100 * halfHeight / measured), MinStretch, MaxStretch);
    font.setStretch(stretch);
    for (int step = 0; step < MaxNarrowingSteps && stretch > MinStretch; ++step) {
        if (widestDigit(font) <= halfHeight)
            break;
        font.setStretch(--stretch);
    }
    return font;
}

} // namespace quillon::plots
