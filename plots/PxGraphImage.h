#pragma once

#include "plots/PlotImage.h"

#include <optional>
#include <vector>

class QPainter;

namespace quillon::plots {

// One numbered tick of an axis: its value and the label written under (or
// beside) it.
struct AxisTick {
    double value;
    QString label;
};

// The ticks of an axis from min to max in tenths of the range, each step
// added to a running value, up to the range end plus 0.01: labels without
// decimals when the step is a whole number, else with one. The running value
// stops where it no longer grows (an empty or reversed range, or a step lost
// in the precision of the values), and after 10,000 ticks (a step of a
// millionth or less), instead of looping for ever.
std::vector<AxisTick> AxisTicks(double min, double max);

// A titled x-y scatter plot drawn into an image, with or without a screen:
// a filled frame with the graph title, the axis titles (the y title running
// upwards), numbered ticks every tenth of each range and a dotted grid.
// Points are single pixels in a colour of their own and go straight into the
// image; drawing the frame again erases them. Without OverWrite the first
// point on a pixel keeps it, and grid and frame stay.
class PxGraphImage : public PlotImage {
public:
    explicit PxGraphImage(QSize size = {497, 369});

    // Stores the range and draws the empty frame. The range must not be empty.
    void SetRange(double Xmin, double Xmax, double Ymin, double Ymax);
    // One pixel at (X, Y); a point outside the range is drawn (where it falls
    // on the image) and then reported through OnGraphError.
    void Plot(double X, double Y, QRgb Color);
    // Plot values to pixels of the image as last drawn.
    int XToPixel(double x) const;
    int YToPixel(double y) const;

private:
    // The range and the view window around it: margins of 11 % of the x
    // range on the left, 5 % on the right, 13 % of the y range below and
    // 10 % above.
    struct View {
        double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
        double left = 0, right = 0, bottom = 0, top = 0;
    };

    void DrawFrame();
    void drawEmpty() override { DrawFrame(); }
    void scale();
    void drawXTicks(QPainter& painter);
    void drawYtitle(QPainter& painter);
    void drawYTicks(QPainter& painter);
    void writeText(QPainter& painter, QPoint topLeft, const QString& text, QRgb color) const;
    void drawLine(QPainter& painter, QPoint from, QPoint to, bool dotted = false) const;

    static constexpr QRgb FrameColor = 0xFF000000;

    View view_;
    // The only estimates of text widths, in pixels per character, taken from
    // the height of GRFont at each drawing of the frame.
    int charWidth_ = 0;
    int wideCharWidth_ = 0;
    std::optional<QFont> verticalFont_;
};

} // namespace quillon::plots
