#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRgb>
#include <QString>
#include <functional>

namespace quillon::plots {

// The published properties the plots share: their titles, whether a point
// may cover what is already drawn, the font of every text, the colours, and
// the notification of a point plotted outside the range.
struct PlotProperties {
    QString Graphtitle;
    QString Xtitle;
    QString Ytitle;
    bool OverWrite = true;
    QFont GRFont;
    QRgb GraphBackColor = 0xFFFFFFFF;
    QColor TitleBackColor = QPalette().color(QPalette::Button);
    QRgb TitleColor = 0xFFFF0000;
    QRgb LabelColor = 0xFF000000;
    QRgb XYTitleColor = 0xFFFF0000;
    // Called after a point outside the range has been plotted.
    std::function<void()> OnGraphError;
};

} // namespace quillon::plots
