// The outputs of one computed pier, each built whole in one string for a
// single write: the text report, the JSON object and the per-layer CSV.
#pragma once

#include "calc/exact.h"
#include "calc/fault.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <string>
#include <string_view>

namespace pierqty::cli {

// The text report, built while the calculation runs: as the layer sink it
// takes each layer the loop hands on and formats its line straight into its
// buffer. S, V and the report's head, known once the totals are, go in
// front of it as another piece of the same write. LF line ends.
class TextReport
{
public:
    explicit TextReport(int layerCount);
    void operator()(const LayerSection &layer);
    // Writes S and V, the layer report, and with exact (when given) the
    // exact quantities beside the layered ones: Write's status.
    int write(const PierQuantities &q, const ExactOutcome *exact) const;

private:
    std::string m_layers;
};

// Parameters, quantities, layers and the window's texts as one JSON object
// on one line, with exact (when given) under "exact".
std::string JsonOutput(const PierParameters &p, const PierQuantities &q, const ExactOutcome *exact);

// The fault as a JSON object on one line: its kind and its English message.
std::string FaultJson(const CalculationFault &fault);

// One CSV row per layer. Warns on standard error when the true strip areas
// cannot be given (their cells are then empty).
std::string LayerCsv(const PierParameters &p, const PierQuantities &q);

} // namespace pierqty::cli
