#include "plots/ArcGraphImage.h"

#include "plots/Pixels.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace quillon::plots {

namespace {

// The arc's end points lie this many pixels out from the canvas origin.
constexpr double RayLength = 8000;

// The legend: text, colour, and its top left corner as a fraction of the range
// from the lower left corner.
struct LegendLine {
    const char* text;
    QRgb color;
    double x;
    double y;
};
constexpr LegendLine Legend[] = {
    {"Burst error", 0xFFFF0000, 0.02, 0.07},
    {"Byte error", 0xFF0000FF, 0.02, 0.03},
};

// The disc's circles as fractions of XMax: the rim as a double line, the hub
// as a double line, a dense ring (added in steps below), and the band the
// tracks lie in.
constexpr double RimAndHub[] = {1, 0.994, 0.117, 0.12};
constexpr double DenseRingStart = 0.234;
constexpr double DenseRingStep = 0.005;
constexpr double DenseRingEnd = 0.2652;
constexpr double TrackBand[] = {0.945, 0.459};

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

double degrees(double radians) {
    return radians * 180 / std::numbers::pi;
}

// Angles above a full turn are taken modulo 360 into (0, 360]; others stay.
double wrapAngle(double angle) {
    if (angle <= 360)
        return angle;
    const double wrapped = std::fmod(angle, 360);
    return wrapped == 0 ? 360 : wrapped;
}

// The direction from the centre, in degrees counter-clockwise on screen, of
// the ray through the point RayLength pixels out from the canvas origin at
// screenAngle. The point is not offset by the centre, so the ray leans a
// little towards the origin.
double rayDirection(QPoint centre, double screenAngle) {
    const double x = std::trunc(RayLength * std::cos(radians(screenAngle)));
    const double y = std::trunc(RayLength * std::sin(radians(screenAngle)));
    return degrees(std::atan2(centre.y() - y, x - centre.x()));
}

} // namespace

ArcGraphImage::ArcGraphImage(QSize size) : PlotImage(size) {}

void ArcGraphImage::SetRange(double XMin, double XMax, double YMin, double YMax) {
    view_.xMin = XMin;
    view_.xMax = XMax;
    view_.yMin = YMin;
    view_.yMax = YMax;
    rangeStored();
}

void ArcGraphImage::scale() {
    fitImage();
    View& v = view_;
    v.xRange = v.xMax - v.xMin;
    v.yRange = v.yMax - v.yMin;
    v.xCenter = v.xMin + v.xRange / 2;
    v.yCenter = v.yMin + v.yRange / 2;
    v.left = v.xMin - 2 * v.xRange / 100;
    v.width = v.xMax + 2 * v.xRange / 100 - v.left;
    v.bottom = v.yMin - 2 * v.yRange / 100;
    v.height = v.yMax + 2 * v.yRange / 100 - v.bottom;
}

void ArcGraphImage::DrawDisc() {
    scale();
    drawBackgroundAndLegend();
    const auto circle = [this](double f) {
        DrawCircle(FrameColor, Qt::NoBrush, 0, 0, f * view_.xMax);
    };
    for (double f : RimAndHub)
        circle(f);
    for (double f = DenseRingStart; f < DenseRingEnd; f += DenseRingStep)
        circle(f);
    for (double f : TrackBand)
        circle(f);
}

// Fills the picture with the background colour, outlined in the colour last
// drawn with, and writes the legend in the lower left corner.
void ArcGraphImage::drawBackgroundAndLegend() {
    QPainter painter(&image_);
    painter.setPen(QColor(penColor_));
    painter.setBrush(QColor(GraphBackColor));
    painter.drawRect(image_.rect().adjusted(0, 0, -1, -1));
    painter.setFont(GRFont);
    const int ascent = painter.fontMetrics().ascent();
    for (const LegendLine& line : Legend) {
        painter.setPen(QColor(line.color));
        painter.drawText(XToPixel(view_.xMin + line.x * view_.xRange),
                         YToPixel(view_.yMin + line.y * view_.yRange) + ascent, line.text);
    }
}

void ArcGraphImage::PlotPolar(QRgb Color, double Angle, double Radius) {
    const double angle = radians(wrapAngle(Angle));
    const double x = view_.xCenter + Radius * std::cos(angle);
    const double y = view_.yCenter + Radius * std::sin(angle);
    const int px = XToPixel(x);
    const int py = YToPixel(y);
    if (QRgb* pixel = pixelAt(image_, {px, py})) {
        // Without OverWrite a mark never covers the disc's outlines, but it
        // does cover an earlier mark: the later bytes of a burst, plotted at
        // almost the same place as its first ones, must show in their colour.
        if (OverWrite || *pixel != opaque(FrameColor))
            *pixel = opaque(Color);
    }
    const bool outside = x < view_.xMin || x > view_.xMax || y < view_.yMin || y > view_.yMax;
    if (outside && OnGraphError)
        OnGraphError();
}

// Draws counter-clockwise on screen from the start ray to the end ray; when
// both rays coincide the whole circle is drawn, so 0 to 360 is a full turn.
void ArcGraphImage::DrawArc(QRgb Color, Qt::BrushStyle BrushStyle, double CX, double CY,
                            double Radius, double StartAngle, double EndAngle) {
    const QPoint centre(XToPixel(CX), YToPixel(CY));
    const int r = XToPixel(Radius) - centre.x();
    const double start = rayDirection(centre, 360 - wrapAngle(StartAngle));
    const double end = rayDirection(centre, 360 - wrapAngle(EndAngle));
    double span = std::fmod(end - start, 360);
    if (span <= 0)
        span += 360;
    QPainter painter(&image_);
    setDrawingColor(painter, Color, BrushStyle);
    painter.drawArc(QRect(centre.x() - r, centre.y() - r, 2 * r, 2 * r), qRound(start * 16),
                    qRound(span * 16));
}

void ArcGraphImage::DrawCircle(QRgb Color, Qt::BrushStyle BrushStyle, double CX, double CY,
                               double Radius) {
    const QPoint centre(XToPixel(CX), YToPixel(CY));
    const int r = XToPixel(Radius) - XToPixel(view_.xCenter);
    QPainter painter(&image_);
    setDrawingColor(painter, Color, BrushStyle);
    painter.drawEllipse(centre, r, r);
}

void ArcGraphImage::setDrawingColor(QPainter& painter, QRgb color, Qt::BrushStyle brushStyle) {
    penColor_ = color;
    painter.setPen(QColor(color));
    painter.setBrush(QBrush(QColor(color), brushStyle));
}

int ArcGraphImage::XToPixel(double x) const {
    return nearestPixel(image_.width() * (x - view_.left) / view_.width);
}

int ArcGraphImage::YToPixel(double y) const {
    return nearestPixel((1 - (y - view_.bottom) / view_.height) * image_.height());
}

} // namespace quillon::plots
