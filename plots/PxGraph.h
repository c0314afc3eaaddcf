#pragma once

#include "plots/PlotWidget.h"
#include "plots/PxGraphImage.h"

namespace quillon::plots {

// The x-y plot as a control: shows the plot's image and gives the plot the
// control's size.
class TPxGraph : public PlotWidget {
    Q_OBJECT

public:
    explicit TPxGraph(QWidget* parent = nullptr);

    // The plot, told the control's present size: a hidden control gets no
    // resize events, and the plot is usually set up before it is shown.
    PxGraphImage& Graph() {
        graph_.SetSize(size());
        return graph_;
    }

private:
    PxGraphImage graph_;
};

} // namespace quillon::plots
