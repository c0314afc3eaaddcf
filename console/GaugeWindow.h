#pragma once

#include "console/CopyWindows.h"

#include <QDialog>

class QLabel;

namespace quillon::widgets {
class TGauge;
}

namespace quillon::console {

// The progress window "Gauge" of the copies and of verify: a line saying what
// runs and a blue gauge. It has no buttons and no border icons, so a running
// copy cannot be stopped from it.
class TForm3 : public QDialog, public ProgressWindow {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    void ShowGauge(const std::string& text) override;
    void SetGauge(std::int64_t percent) override;
    void HideGauge() override;
    void ProcessMessages() override;

    QLabel* Label1 = nullptr;
    widgets::TGauge* Gauge1 = nullptr;
};

} // namespace quillon::console
