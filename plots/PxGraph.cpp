#include "plots/PxGraph.h"

namespace quillon::plots {

namespace {

constexpr QSize PlotSize{497, 369};

} // namespace

TPxGraph::TPxGraph(QWidget* parent) : PlotWidget(graph_, PlotSize, parent) {
    lendStyle();
}

} // namespace quillon::plots
