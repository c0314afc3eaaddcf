#pragma once

#include <QFlags>
#include <QImage>
#include <QPoint>
#include <QRect>

namespace quillon::widgets {

// The edges of a rectangle that get dots. A frame around several cells is
// drawn piecewise: each cell draws only the edges of the frame it carries.
enum DottedEdge { deLeft = 0x1, deTop = 0x2, deRight = 0x4, deBottom = 0x8 };
Q_DECLARE_FLAGS(DottedEdges, DottedEdge)

// The colour of a dot over a pixel: the pixel's inverse, so that the dot shows
// on any colour, except over pixels close to grey, whose inverse would be grey
// too: there the dot is black over a light pixel and white over a dark one.
QRgb dottedFrameColor(QRgb under);

// Draws the given edges of rect (in the image's pixels) dot by dot on every
// second pixel, each dot in dottedFrameColor of the pixel under it. A dot sits
// on a pixel whose coordinates plus origin add up to an even number, so that
// the pieces of a frame drawn into the images of neighbouring cells line up
// when origin is where each image is shown.
void drawDottedFrame(QImage& image, const QRect& rect, DottedEdges edges, QPoint origin = {});

} // namespace quillon::widgets

Q_DECLARE_OPERATORS_FOR_FLAGS(quillon::widgets::DottedEdges)
