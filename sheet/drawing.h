// The pier drawn to scale for the calculation sheet, black on white: the
// front elevation (width L1, flare arcs of radius R1), the side elevation
// (width L2, arcs of radius R2), and the section with its chamfers and
// grooves, each with dimension lines that carry the actual values.
#pragma once

#include "calc/parameters.h"
#include "sheet/markup.h"

namespace pierqty::sheet {

// Writes one <svg> and returns true; returns false and writes nothing when
// the parameters describe no pier that can be drawn (the same conditions
// under which the exact quantities do not apply, or a height of zero).
bool WritePierDrawing(MarkupWriter &w, const PierParameters &p);

// A side whose radius is 100000 m or more is to stay vertical, as the
// window tells its user: drawn straight, its faces flat.
bool IsVertical(double R);

} // namespace pierqty::sheet
