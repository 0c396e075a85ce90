// Internal: the section formulas written once, evaluated either with a check
// after every operation (Checked = true) or bare (Checked = false).
//
// Faults are found from each step's result rather than from the FPU flags,
// which the optimiser may move arithmetic across: a NaN is an invalid
// operation, an infinity from finite operands an overflow. The one divisor
// that can be zero (n) is tested explicitly by the caller.
//
// The bare form serves the layer loop: a non-finite value or a negative root
// argument always propagates into the pass's outputs (no operation here can
// turn an infinity or NaN back into a finite number), so a pass whose outputs
// are finite had no fault, and a pass whose outputs are not is evaluated
// again checked, which finds the first faulting step exactly.
#pragma once

#include "calc/fault.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <cmath>

namespace pierqty::detail {

// sqrt(2) as the nearest double.
inline constexpr double kSqrt2 = 1.4142135623730951;

struct StepContext {
    FaultStep step = FaultStep::SectionCut;
    int layer = 0;
    double height = 0.0;
};

[[noreturn]] void RaiseNonFinite(double value, const StepContext &context);
[[noreturn]] void RaiseBeyondRadius(const StepContext &context, int radiusIndex, double radius, double y);

template<bool Checked>
struct Guard {
    const StepContext &context;
    double operator()(double value) const
    {
        if constexpr (Checked) {
            if (!std::isfinite(value)) [[unlikely]]
                RaiseNonFinite(value, context);
        }
        return value;
    }
};

// R - sqrt(R^2 - y^2), the offset of an arc of radius R at height y.
template<bool Checked>
inline double FlareOffsetOf(double R, int radiusIndex, double y, const Guard<Checked> &g)
{
    const double rootArgument = g(g(R * R) - g(y * y));
    if constexpr (Checked) {
        if (rootArgument < 0.0)
            RaiseBeyondRadius(g.context, radiusIndex, R, y);
    }
    return g(R - std::sqrt(rootArgument));
}

struct FlaredLengths {
    double length1; // L1 direction (m)
    double length2; // L2 direction (m)
};

template<bool Checked>
inline FlaredLengths FlaredLengthsAt(const PierParameters &p, double y, const Guard<Checked> &g)
{
    const double length1 = g(g(2.0 * FlareOffsetOf(p.R1, 1, y, g)) + p.L1);
    const double length2 = g(g(2.0 * FlareOffsetOf(p.R2, 2, y, g)) + p.L2);
    return {length1, length2};
}

template<bool Checked>
inline double AreaOf(FlaredLengths lengths, double sectionCut, const Guard<Checked> &g)
{
    return g(g(lengths.length1 * lengths.length2) - sectionCut);
}

template<bool Checked>
inline double OutlineOf(FlaredLengths lengths, double perimeterCorrection, const Guard<Checked> &g)
{
    return g(g(2.0 * g(lengths.length1 + lengths.length2)) + perimeterCorrection);
}

// 2 l1^2 + 2 (l3 + l2) l2
template<bool Checked>
inline double SectionCutOf(const PierParameters &p, const Guard<Checked> &g)
{
    return g(g(2.0 * g(p.l1 * p.l1)) + g(2.0 * g(g(p.l3 + p.l2) * p.l2)));
}

// ((l2 + l1) sqrt2 4 - (2 l1) 4) - 4 l2
template<bool Checked>
inline double PerimeterCorrectionOf(const PierParameters &p, const Guard<Checked> &g)
{
    const double slanted = g(g(g(p.l2 + p.l1) * kSqrt2) * 4.0);
    return g(g(slanted - g(g(2.0 * p.l1) * 4.0)) - g(4.0 * p.l2));
}

// 2 (L1 + L2) + PerimeterCorrection
inline double BaseOutlineOf(const PierParameters &p, double perimeterCorrection, const Guard<true> &g)
{
    return g(g(2.0 * g(p.L1 + p.L2)) + perimeterCorrection);
}

// Steps 1 to 4 of the calculation: the base section, the shaft, the section
// at the top of the flare and the cap, each checked. Throws CalculationFault.
void ComputeStraightParts(const PierParameters &p, PierQuantities &q);

} // namespace pierqty::detail
