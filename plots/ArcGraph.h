#pragma once

#include "plots/ArcGraphImage.h"
#include "plots/PlotWidget.h"

namespace quillon::plots {

// The disc error map as a control: shows the map's image and gives the map
// the control's size.
class TArcGraph : public PlotWidget {
    Q_OBJECT

public:
    explicit TArcGraph(QWidget* parent = nullptr);

    // The map, told the control's present size: a hidden control gets no
    // resize events, and the map is usually set up before it is shown.
    ArcGraphImage& Graph() {
        graph_.SetSize(size());
        return graph_;
    }

private:
    ArcGraphImage graph_;
};

} // namespace quillon::plots
