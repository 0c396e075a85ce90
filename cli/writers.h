// The outputs of one computed pier, each built whole in one string for a
// single write: the text report, the JSON object and the per-layer CSV.
#pragma once

#include "calc/exact.h"
#include "calc/fault.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <string>

namespace pierqty::cli {

// S and V, the layer report, and with exact (when given) the exact
// quantities beside the layered ones. LF line ends.
std::string TextOutput(const PierQuantities &q, const ExactOutcome *exact);

// Parameters, quantities, layers and the window's texts as one JSON object
// on one line, with exact (when given) under "exact".
std::string JsonOutput(const PierParameters &p, const PierQuantities &q, const ExactOutcome *exact);

// The fault as a JSON object on one line: its kind and its English message.
std::string FaultJson(const CalculationFault &fault);

// One CSV row per layer. Warns on standard error when the true strip areas
// cannot be given (their cells are then empty).
std::string LayerCsv(const PierParameters &p, const PierQuantities &q);

} // namespace pierqty::cli
