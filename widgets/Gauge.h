#pragma once

#include <QColor>
#include <QProgressBar>
#include <cstdint>

namespace quillon::widgets {

// A bar gauge of the percentage done, 0 to 100, in the colour it is given;
// a value outside that range is shown as the nearest bound.
class TGauge : public QProgressBar {
    Q_OBJECT

public:
    explicit TGauge(QColor foreColor, QWidget* parent = nullptr);

    void SetProgress(std::int64_t percent);
    int Progress() const { return value(); }
};

} // namespace quillon::widgets
