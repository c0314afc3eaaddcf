#include "Gauge.h"

#include <algorithm>

namespace quillon::widgets {

TGauge::TGauge(QColor foreColor, QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setAlignment(Qt::AlignCenter);
    setFormat("%p%");
    // The bar is drawn by the style sheet so that every platform style shows
    // the colour.
    setStyleSheet(QString("QProgressBar { border: 1px solid gray; background: white; }"
                          "QProgressBar::chunk { background: %1; }")
                      .arg(foreColor.name()));
}

void TGauge::SetProgress(std::int64_t percent) {
    setValue(static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100)));
}

} // namespace quillon::widgets
