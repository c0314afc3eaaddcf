#include "plots/PlotWidget.h"

#include "plots/PlotImage.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace quillon::plots {

PlotWidget::PlotWidget(PlotImage& graph, QSize sizeHint, QWidget* parent)
    : QWidget(parent), graph_(graph), sizeHint_(sizeHint) {}

void PlotWidget::lendStyle() {
    graph_.GRFont = font();
    graph_.TitleBackColor = palette().color(QPalette::Button);
}

void PlotWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), graph_.Image(), event->rect());
}

void PlotWidget::resizeEvent(QResizeEvent* event) {
    graph_.SetSize(event->size());
    QWidget::resizeEvent(event);
}

} // namespace quillon::plots
