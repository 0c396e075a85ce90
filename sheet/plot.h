// Line plots as inline SVG: axis titles with units, round tick values, a
// light grid, a legend, and optional marks on the horizontal axis (the
// joints between shaft, flare and cap). Black and greys for print.
#pragma once

#include "sheet/markup.h"

#include <string>
#include <vector>

namespace pierqty::sheet {

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
};

struct PlotSeries {
    std::string name; // class name for the polyline, e.g. "cumulative-volume"
    std::string legend; // shown in the legend (trusted markup: may hold <tspan>)
    std::vector<PlotPoint> points; // in increasing x
    bool dashed = false;
};

struct PlotMark {
    double x = 0.0;
};

struct PlotSpec {
    std::string id; // id of the <svg>
    std::string xTitle; // with unit
    std::string yTitle; // with unit
    std::vector<PlotSeries> series;
    std::vector<PlotMark> marks; // dashed verticals
    std::vector<std::string> bandLabels; // names of the stretches between marks, left to right
    bool includeZero = true; // the vertical axis reaches 0
};

// Round tick values covering [low, high]: steps of 1, 2 or 5 times a power
// of ten, about `count` of them.
std::vector<double> RoundTicks(double low, double high, int count, double &step);

// Writes one <svg> plot. Writes nothing when no series has two finite points.
void WritePlot(MarkupWriter &w, const PlotSpec &spec);

} // namespace pierqty::sheet
