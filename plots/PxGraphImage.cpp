#include "plots/PxGraphImage.h"

#include "plots/Pixels.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quillon::plots {

namespace {

// Ticks are drawn up to the range end plus this much, in plot units.
constexpr double TickTolerance = 0.01;
// A range so small that its steps would take longer than this many ticks to
// cover the tolerance gets no more: it would otherwise hang the drawing.
constexpr std::size_t MaxTicks = 10'000;

// The y title is cut to this many characters.
constexpr int MaxYtitleLength = 64;

// A tick value rounded to ten significant digits, then to the label's
// decimals, half away from zero; never "-0".
QString tickLabel(double value, int decimals) {
    const double significant = QString::number(value, 'e', 9).toDouble();
    const double scale = decimals == 0 ? 1 : 10;
    return QString::number(std::round(significant * scale) / scale + 0.0, 'f', decimals);
}

// The height of the font in pixels, negative as for a character height; a
// font given in points is taken at 96 pixels per inch.
int charHeight(const QFont& font) {
    if (font.pixelSize() > 0)
        return -font.pixelSize();
    return static_cast<int>(std::trunc(-font.pointSizeF() * 96 / 72));
}

// The y title's font: the face and height of the given font, upright, in
// normal weight, without lines.
QFont verticalFontOf(const QFont& font) {
    QFont vertical = font;
    vertical.setPixelSize(std::abs(charHeight(font)));
    vertical.setWeight(QFont::Normal);
    vertical.setItalic(false);
    vertical.setUnderline(false);
    vertical.setStrikeOut(false);
    return vertical;
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

// A rectangle outlined in the pen colour on the pixels from topLeft up to but
// not including bottomRight, and filled inside.
void rectangle(QPainter& painter, QPoint topLeft, QPoint bottomRight, const QColor& fill) {
    painter.setBrush(fill);
    painter.drawRect(topLeft.x(), topLeft.y(), bottomRight.x() - topLeft.x() - 1,
                     bottomRight.y() - topLeft.y() - 1);
}

// Narrows the steps [first, end) of a line that starts at coordinate p and
// moves by step (−1, 0 or 1) to those whose coordinate lies in [0, size).
void keepOnImage(qint64 p, int step, qint64 size, qint64& first, qint64& end) {
    if (step == 0) {
        if (p < 0 || p >= size)
            end = first;
    } else if (step > 0) {
        first = std::max(first, -p);
        end = std::min(end, size - p);
    } else {
        first = std::max(first, p - size + 1);
        end = std::min(end, p + 1);
    }
}

int length(const QString& text) {
    return static_cast<int>(text.length());
}

} // namespace

std::vector<AxisTick> AxisTicks(double min, double max) {
    const double step = (max - min) / 10;
    const int decimals = std::trunc(step) == step ? 0 : 1;
    std::vector<AxisTick> ticks;
    // An empty or reversed range, or a step lost in the precision of the
    // values, ends after the first tick instead of never.
    for (double value = min; value <= max + TickTolerance && ticks.size() < MaxTicks;) {
        ticks.push_back({value, tickLabel(value, decimals)});
        const double next = value + step;
        if (!(next > value))
            break;
        value = next;
    }
    return ticks;
}

PxGraphImage::PxGraphImage(QSize size) : PlotImage(size) {}

void PxGraphImage::SetRange(double Xmin, double Xmax, double Ymin, double Ymax) {
    view_.xMin = Xmin;
    view_.xMax = Xmax;
    view_.yMin = Ymin;
    view_.yMax = Ymax;
    rangeStored();
}

void PxGraphImage::scale() {
    fitImage();
    View& v = view_;
    const double dx = (v.xMax - v.xMin) / 100;
    const double dy = (v.yMax - v.yMin) / 100;
    v.left = v.xMin - 11 * dx;
    v.right = v.xMax + 5 * dx;
    v.bottom = v.yMin - 13 * dy;
    v.top = v.yMax + 10 * dy;
}

void PxGraphImage::DrawFrame() {
    scale();
    const View& v = view_;
    const double xRange = v.xMax - v.xMin;
    const double yRange = v.yMax - v.yMin;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setPen(QColor(FrameColor));
    rectangle(painter, {0, 0}, {image_.width(), image_.height()}, TitleBackColor);
    rectangle(painter, {XToPixel(v.xMin), YToPixel(v.yMax)}, {XToPixel(v.xMax), YToPixel(v.yMin)},
              QColor(GraphBackColor));

    painter.setFont(GRFont);
    const int h = charHeight(GRFont);
    wideCharWidth_ = std::abs(h / 2);
    charWidth_ = std::abs(h / 3);
    const int titleLeft = XToPixel(v.xMin + 0.52 * xRange);
    writeText(painter,
              {titleLeft - length(Graphtitle) * charWidth_, YToPixel(v.yMax + 0.07 * yRange)},
              Graphtitle, TitleColor);
    drawXTicks(painter);
    drawYtitle(painter);
    drawYTicks(painter);
    writeText(painter, {titleLeft - length(Xtitle) * charWidth_, YToPixel(v.yMin - 0.07 * yRange)},
              Xtitle, XYTitleColor);
}

// Numbers under the x axis, tick marks on the lower and upper edges of the
// plot area and dotted grid lines inside it.
void PxGraphImage::drawXTicks(QPainter& painter) {
    const View& v = view_;
    const double dy = (v.yMax - v.yMin) / 100;
    for (const AxisTick& tick : AxisTicks(v.xMin, v.xMax)) {
        const int x = XToPixel(tick.value);
        writeText(painter, {x - length(tick.label) * charWidth_, YToPixel(v.yMin - 2 * dy)},
                  tick.label, LabelColor);
        drawLine(painter, {x, YToPixel(v.yMin + dy)}, {x, YToPixel(v.yMin - dy)});
        drawLine(painter, {x, YToPixel(v.yMax + dy)}, {x, YToPixel(v.yMax - dy)});
        if (v.xMin < tick.value && tick.value < v.xMax)
            drawLine(painter, {x, YToPixel(v.yMin)}, {x, YToPixel(v.yMax)}, true);
    }
}

// The y title runs upwards from its start, the glyphs' tops to the left, in
// a font made from GRFont when first drawn and kept from then on.
void PxGraphImage::drawYtitle(QPainter& painter) {
    if (!verticalFont_)
        verticalFont_ = verticalFontOf(GRFont);
    const View& v = view_;
    const QPoint start(XToPixel(v.left + 0.015 * (v.xMax - v.xMin)),
                       YToPixel(v.yMin + 0.52 * (v.yMax - v.yMin)) + length(Ytitle) * charWidth_);
    painter.save();
    painter.setFont(*verticalFont_);
    painter.translate(start);
    painter.rotate(-90);
    writeText(painter, {0, 0}, Ytitle.left(MaxYtitleLength), XYTitleColor);
    painter.restore();
}

// Numbers left of the y axis, tick marks on the left and right edges of the
// plot area and dotted grid lines inside it.
void PxGraphImage::drawYTicks(QPainter& painter) {
    const View& v = view_;
    const double xRange = v.xMax - v.xMin;
    const double ex = xRange / 140;
    const int labelRight = XToPixel(v.xMin - xRange / 100);
    for (const AxisTick& tick : AxisTicks(v.yMin, v.yMax)) {
        const int y = YToPixel(tick.value);
        writeText(painter,
                  {labelRight - length(tick.label) * wideCharWidth_,
                   YToPixel(tick.value + 0.03 * (v.yMax - v.yMin))},
                  tick.label, LabelColor);
        drawLine(painter, {XToPixel(v.xMin + ex), y}, {XToPixel(v.xMin - ex), y});
        drawLine(painter, {XToPixel(v.xMax + ex), y}, {XToPixel(v.xMax - ex), y});
        if (v.yMin < tick.value && tick.value < v.yMax)
            drawLine(painter, {XToPixel(v.xMin), y}, {XToPixel(v.xMax), y}, true);
    }
}

// Text on a box of TitleBackColor as wide as the text and as high as the
// font, its top left corner at topLeft.
void PxGraphImage::writeText(QPainter& painter, QPoint topLeft, const QString& text,
                             QRgb color) const {
    const QFontMetrics metrics = painter.fontMetrics();
    painter.fillRect(QRect(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height())),
                     TitleBackColor);
    painter.setPen(QColor(color));
    painter.drawText(topLeft + QPoint(0, metrics.ascent()), text);
}

// A horizontal or vertical line in the frame colour from `from` up to but
// not including `to`. A dotted one leaves every second pixel, from the second
// on, in GraphBackColor. Only the pixels on the image are visited, so the
// far-off ends of a degenerate range cost nothing.
void PxGraphImage::drawLine(QPainter& painter, QPoint from, QPoint to, bool dotted) const {
    const QPoint step(sign(to.x() - from.x()), sign(to.y() - from.y()));
    qint64 first = 0;
    qint64 end = std::max(std::abs(qint64(to.x()) - from.x()), std::abs(qint64(to.y()) - from.y()));
    keepOnImage(from.x(), step.x(), image_.width(), first, end);
    keepOnImage(from.y(), step.y(), image_.height(), first, end);
    QPolygon dots;
    QPolygon gaps;
    for (auto i = static_cast<int>(first); i < end; ++i)
        (dotted && i % 2 ? gaps : dots) << from + i * step;
    painter.setPen(QColor(FrameColor));
    painter.drawPoints(dots);
    painter.setPen(QColor(GraphBackColor));
    painter.drawPoints(gaps);
}

void PxGraphImage::Plot(double X, double Y, QRgb Color) {
    if (QRgb* pixel = pixelAt(image_, {XToPixel(X), YToPixel(Y)})) {
        if (OverWrite || *pixel == opaque(GraphBackColor))
            *pixel = opaque(Color);
    }
    const View& v = view_;
    const bool outside = X < v.xMin || X > v.xMax || Y < v.yMin || Y > v.yMax;
    if (outside && OnGraphError)
        OnGraphError();
}

int PxGraphImage::XToPixel(double x) const {
    return nearestPixel(image_.width() * (x - view_.left) / (view_.right - view_.left));
}

int PxGraphImage::YToPixel(double y) const {
    return nearestPixel((1 - (y - view_.bottom) / (view_.top - view_.bottom)) * image_.height());
}

} // namespace quillon::plots
