// One row per layer, for spreadsheets and climbing-form lifts.
#include "cli/writers.h"

#include "calc/numbers.h"
#include "cli/reader/csv.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace pierqty::cli {

// Volumes and formwork of a layer as the layered method counts them; the
// true area of the layer's strip; running sums from the foot of the flared
// part.
std::string LayerCsv(const PierParameters &p, const PierQuantities &q)
{
    const std::string notApplicable = ExactApplicability(p).en;
    if (!notApplicable.empty())
        std::cerr << "warning: true areas not applicable: " << notApplicable << "\n";
    std::string out;
    out.reserve(q.Layers.size() * 160 + 256);
    csv::AppendRow(out,
                   {"i", "y_i", "S_i", "outline_i", "layer_volume", "layer_formwork", "layer_true_formwork",
                    "cumulative_volume", "cumulative_true_formwork"});
    double previousTop = 0.0;
    double cumulativeVolume = 0.0;
    double cumulativeTrue = 0.0;
    for (const LayerSection &layer : q.Layers) {
        cumulativeVolume += layer.volume;
        std::string trueArea, trueSum;
        const double top = std::min(layer.y_i, p.h);
        const double strip = notApplicable.empty() ? TrueFlareFormworkBetween(p, previousTop, top) : NAN;
        if (std::isfinite(strip)) {
            cumulativeTrue += strip;
            trueArea = ShortestText(strip);
            trueSum = ShortestText(cumulativeTrue);
            previousTop = top;
        }
        csv::AppendRow(out,
                       {std::to_string(layer.i), ShortestText(layer.y_i), ShortestText(layer.S_i),
                        ShortestText(layer.outline), ShortestText(layer.volume), ShortestText(layer.formwork), trueArea,
                        ShortestText(cumulativeVolume), trueSum});
    }
    return out;
}

} // namespace pierqty::cli
