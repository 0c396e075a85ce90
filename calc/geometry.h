// Horizontal section of the pier at any height: its area and outline length.
//
// The section is a rectangle L1 x L2 whose four corners are cut by 45 degree
// chamfers of leg l1 and whose two faces of length L1 each carry a groove with
// 45 degree sides of leg l2 and a flat bottom l3. In the flared part the faces
// follow circular arcs tangent to the vertical at its foot (y = 0), so each
// length grows by twice the arc's offset R - sqrt(R^2 - y^2).
#pragma once

#include "calc/fault.h"
#include "calc/parameters.h"

namespace pierqty {

// Area removed by chamfers and grooves: 2 l1^2 + 2 (l3 + l2) l2 (m^2).
Outcome<double> SectionCut(const PierParameters &p);
// Change of the outline by chamfers and grooves:
// 4 sqrt2 (l1 + l2) - 8 l1 - 4 l2 (m).
Outcome<double> PerimeterCorrection(const PierParameters &p);
// Outline of the base section: 2 (L1 + L2) + PerimeterCorrection (m).
Outcome<double> BaseOutline(const PierParameters &p);
// R - sqrt(R^2 - y^2); InvalidArgument when y lies beyond the arc's reach (m).
Outcome<double> FlareOffset(double R, double y);
// 2 FlareOffset(R1, y) + L1 (m).
Outcome<double> FlaredLength1(const PierParameters &p, double y);
// 2 FlareOffset(R2, y) + L2 (m).
Outcome<double> FlaredLength2(const PierParameters &p, double y);
// FlaredLength1(y) FlaredLength2(y) - SectionCut (m^2).
Outcome<double> SectionArea(const PierParameters &p, double y);
// 2 (FlaredLength1(y) + FlaredLength2(y)) + PerimeterCorrection (m).
Outcome<double> OutlineLength(const PierParameters &p, double y);

} // namespace pierqty
