#pragma once

#include <QImage>
#include <QPoint>
#include <algorithm>
#include <cmath>

namespace quillon::plots {

// Pixel helpers shared by the plots, which draw single-pixel points straight
// into Format_RGB32 images.

// Rounds to the nearest pixel, ties to the even one. Far-off values (and NaN)
// stay far off the picture instead of overflowing.
inline int nearestPixel(double v) {
    constexpr double Limit = 1 << 30;
    return static_cast<int>(std::nearbyint(!(v > -Limit) ? -Limit : std::min(v, Limit)));
}

constexpr QRgb opaque(QRgb color) {
    return color | 0xFF000000u;
}

// The pixel at p, or null where p lies off the image.
inline QRgb* pixelAt(QImage& image, QPoint p) {
    if (!image.rect().contains(p))
        return nullptr;
    return reinterpret_cast<QRgb*>(image.scanLine(p.y())) + p.x();
}

} // namespace quillon::plots
