// True quantities of the flared part, beside the layered ones.
//
// The layered method's volume (trapezoid rule) overestimates slightly, and
// its formwork tends, as n grows, to the vertical projection of the flared
// faces rather than their area. Formwork is ordered by the true contact
// area: a face leaning outward with slope v per metre of height has an area
// larger by sqrt(1 + v^2). Heights y run from the foot of the flare (0) to h.
//
//   f_k(y)  = R_k - sqrt(R_k^2 - y^2) = y^2 / (R_k + sqrt(R_k^2 - y^2))
//   f_k'(y) = y / sqrt(R_k^2 - y^2)
//
// End faces (2) move with f1, width L2 + 2 f2 - 2 l1; the grooved faces (2)
// move with f2, width L1 + 2 f1 - 2 l1 - 2 l2; each groove wall (4, width
// sqrt2 l2) moves along its normal at f2' / sqrt2; each chamfer (4, width
// sqrt2 l1) at (f1' + f2') / sqrt2.
#pragma once

#include "calc/parameters.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pierqty {

struct ExactQuantities {
    double FlareVolume = 0.0; // integral of the section area over the flare, m^3
    double V = 0.0; // shaft + exact flare + cap volume, m^3
    double ProjectedFlareFormwork = 0.0; // integral of the outline: the layered limit, m^2
    double TrueFlareFormwork = 0.0; // sum of the four face groups below, m^2
    double EndFaces = 0.0; // the two faces at the ends of L1, m^2
    double GroovedFaces = 0.0; // flat parts and groove bottoms of the L1 faces, m^2
    double GrooveWalls = 0.0; // the four sloping groove sides, m^2
    double Chamfers = 0.0; // the four corner chamfers, m^2
    double ProjectedS = 0.0; // shaft + projected flare + cap formwork, m^2
    double S = 0.0; // shaft + true flare + cap formwork, m^2
};

// Why the exact quantities do not apply to a set of parameters, in English
// (the command line) and Simplified Chinese (the window, sheet, clipboard).
struct NotApplicable {
    std::string reason;
    std::string reasonZh;
};

using ExactOutcome = std::variant<ExactQuantities, NotApplicable>;

// Defined for a physical pier only: positive L1, L2, R1, R2; h, H1, H2, l1,
// l2, l3 not negative; h not above R1 or R2; chamfers and grooves that fit
// the faces. Accurate to about 1e-12 relative, h = R included.
ExactOutcome CalculateExact(const PierParameters &p);

// One geometric reason why a pier cannot be built, with the parameters it
// names (field indices, in reading order).
struct PierReason {
    std::vector<int> fields;
    std::string en; // "L1 = -1 is not positive"
    std::string zh; // "L1 = −1，截面长度必须大于 0"

    bool empty() const { return en.empty(); }
};

// Every geometric reason why the pier cannot be built: a negative length;
// L1, L2, R1 or R2 not positive; h above R1 or R2; chamfers and groove that
// do not fit the faces. Empty for a pier that can be built. The layered
// figures of such a pier are still what the formulas give, but they are no
// quantities: no bill, sheet or batch total may take them.
std::vector<PierReason> UnbuildableReasons(const PierParameters &p);

// The same rule decides where the exact quantities apply: the first reason
// why they do not, or an empty one when they do.
PierReason ExactApplicability(const PierParameters &p);

// The fault that refuses a pier that cannot be built (kind NotBuildable),
// naming every reason; nothing for a pier that can.
std::optional<CalculationFault> UnbuildableFault(const PierParameters &p);

// True formwork of the flared part between heights a and b (0 <= a <= b <= h)
// for a pier to which the exact quantities apply, m^2; NaN when the
// dimensions are too large to integrate.
double TrueFlareFormworkBetween(const PierParameters &p, double a, double b);

} // namespace pierqty
