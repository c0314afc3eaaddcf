#pragma once

#include <QColor>
#include <QPalette>

namespace quillon::widgets {

// The colours the windows are painted in, by the names the look is described
// with: the sixteen fixed colours, and the system colours, which follow the
// application's palette so that the tool fits the desktop it runs on.
namespace colors {

inline constexpr QRgb clBlack = 0xFF000000;
inline constexpr QRgb clMaroon = 0xFF800000;
inline constexpr QRgb clGreen = 0xFF008000;
inline constexpr QRgb clOlive = 0xFF808000;
inline constexpr QRgb clNavy = 0xFF000080;
inline constexpr QRgb clPurple = 0xFF800080;
inline constexpr QRgb clTeal = 0xFF008080;
inline constexpr QRgb clGray = 0xFF808080;
inline constexpr QRgb clSilver = 0xFFC0C0C0;
inline constexpr QRgb clRed = 0xFFFF0000;
inline constexpr QRgb clLime = 0xFF00FF00;
inline constexpr QRgb clYellow = 0xFFFFFF00;
inline constexpr QRgb clBlue = 0xFF0000FF;
inline constexpr QRgb clFuchsia = 0xFFFF00FF;
inline constexpr QRgb clAqua = 0xFF00FFFF;
inline constexpr QRgb clWhite = 0xFFFFFFFF;

inline QColor clBtnFace() {
    return QPalette().color(QPalette::Button);
}
inline QColor clBtnHighlight() {
    return QPalette().color(QPalette::Light);
}
inline QColor clBtnShadow() {
    return QPalette().color(QPalette::Dark);
}
inline QColor clBtnText() {
    return QPalette().color(QPalette::ButtonText);
}
inline QColor clWindow() {
    return QPalette().color(QPalette::Base);
}
inline QColor clWindowText() {
    return QPalette().color(QPalette::Text);
}
inline QColor clHighlight() {
    return QPalette().color(QPalette::Highlight);
}
inline QColor clHighlightText() {
    return QPalette().color(QPalette::HighlightedText);
}

} // namespace colors
} // namespace quillon::widgets
