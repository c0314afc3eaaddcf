#pragma once

#include "plots/PlotImage.h"

class QPainter;

namespace quillon::plots {

// The disc error map drawn into an image, with or without a screen: a
// schematic top view of an optical disc (rim, hub, a dense ring and the band
// where the tracks lie) with a legend, on which error positions are marked as
// single pixels in polar coordinates and failed blocks as arcs. Marks go
// straight into the image; drawing the empty disc again erases them. Without
// OverWrite a mark never covers the disc's outlines; marks always cover the
// background and earlier marks.
class ArcGraphImage : public PlotImage {
public:
    explicit ArcGraphImage(QSize size = {436, 436});

    // Stores the world range and draws the empty disc.
    void SetRange(double XMin, double XMax, double YMin, double YMax);
    // One pixel at Angle degrees (counter-clockwise from the positive x axis)
    // and Radius world units around the range centre.
    void PlotPolar(QRgb Color, double Angle, double Radius);
    // The arc of a circle from StartAngle to EndAngle, counter-clockwise.
    void DrawArc(QRgb Color, Qt::BrushStyle BrushStyle, double CX, double CY, double Radius,
                 double StartAngle, double EndAngle);
    void DrawCircle(QRgb Color, Qt::BrushStyle BrushStyle, double CX, double CY, double Radius);
    // World units to pixels of the picture as last drawn, so that marks land
    // on the disc they mark.
    int XToPixel(double x) const;
    int YToPixel(double y) const;

private:
    // The range in world units and the view window around it, which keeps a
    // margin of 2 % of the range on every side.
    struct View {
        double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
        double xRange = 0, yRange = 0, xCenter = 0, yCenter = 0;
        double left = 0, bottom = 0, width = 0, height = 0;
    };

    void DrawDisc();
    void drawEmpty() override { DrawDisc(); }
    void scale();
    void drawBackgroundAndLegend();
    void setDrawingColor(QPainter& painter, QRgb color, Qt::BrushStyle brushStyle);

    static constexpr QRgb FrameColor = 0xFF000000;

    View view_;
    // Outlines the background at the next drawing of the disc: the colour
    // last drawn with.
    QRgb penColor_ = 0xFF000000;
};

} // namespace quillon::plots
