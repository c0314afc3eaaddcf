#include "plots/ArcGraph.h"

namespace quillon::plots {

namespace {

constexpr QSize MapSize{436, 436};

} // namespace

TArcGraph::TArcGraph(QWidget* parent) : PlotWidget(graph_, MapSize, parent) {
    lendStyle();
}

} // namespace quillon::plots
