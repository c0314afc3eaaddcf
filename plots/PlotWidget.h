#pragma once

#include <QWidget>

namespace quillon::plots {

class PlotImage;

// A control that shows a plot: paints the plot's image and gives the plot
// the control's size, and lends it its font and button-face colour.
class PlotWidget : public QWidget {
    Q_OBJECT

public:
    QSize sizeHint() const override { return sizeHint_; }

protected:
    // graph may be a member not yet constructed: it is used only later.
    PlotWidget(PlotImage& graph, QSize sizeHint, QWidget* parent);

    // Gives the plot the control's font and button-face colour; called by
    // the derived control once its plot is constructed.
    void lendStyle();
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    PlotImage& graph_;
    QSize sizeHint_;
};

} // namespace quillon::plots
