#include "calc/exact.h"

#include "calc/arithmetic.h"
#include "calc/numbers.h"

#include <boost/math/quadrature/tanh_sinh.hpp>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace pierqty {

namespace {

constexpr double kSqrt2 = detail::kSqrt2;

// Tanh-sinh quadrature converges double-exponentially for integrands that
// are analytic inside the interval, even with the inverse-square-root
// singularity that the slopes have at y = R when h = R. Successive levels
// agreeing to 1e-10 leaves an error far below it.
constexpr double kTolerance = 1e-10;

// Built once per thread: construction computes the abscissa tables, and the
// two-argument integrate() of Boost 1.74 is not const.
boost::math::quadrature::tanh_sinh<double> &Quadrature()
{
    thread_local boost::math::quadrature::tanh_sinh<double> quadrature;
    return quadrature;
}

// One arc of radius R at height y, with d = h - y its distance below the
// top of the flare (known accurately near the top, where it matters).
struct ArcAt {
    double offset; // f(y), m
    double slope; // f'(y)
    double factor; // sqrt(1 + f'(y)^2) = R / sqrt(R^2 - y^2)
};

ArcAt Arc(double R, double h, double y, double d)
{
    // Scaled by R so that no square overflows for a very large radius;
    // 1 - y/R comes from (R - h + d), exact where y is close to R = h.
    const double u = y / R;
    const double c = std::sqrt(((R - h + d) / R) * (1.0 + u)); // sqrt(R^2 - y^2) / R
    return {y * u / (1.0 + c), u / c, 1.0 / c};
}

enum class Part { Volume, Projected, EndFaces, GroovedFaces, GrooveWalls, Chamfers };

// What does not change with height: the area and outline taken by the
// chamfers and grooves, the same formulas as the layered method's.
struct Constants {
    double sectionCut;
    double perimeterCorrection;
};

Constants ConstantsOf(const PierParameters &p)
{
    const detail::StepContext context;
    const detail::Guard<false> unchecked{context};
    return {detail::SectionCutOf(p, unchecked), detail::PerimeterCorrectionOf(p, unchecked)};
}

double Integrand(const PierParameters &p, const Constants &constants, Part part, double y, double d)
{
    const ArcAt a1 = Arc(p.R1, p.h, y, d);
    const ArcAt a2 = Arc(p.R2, p.h, y, d);
    const double length1 = p.L1 + 2.0 * a1.offset;
    const double length2 = p.L2 + 2.0 * a2.offset;
    switch (part) {
    case Part::Volume:
        return length1 * length2 - constants.sectionCut;
    case Part::Projected:
        return 2.0 * (length1 + length2) + constants.perimeterCorrection;
    case Part::EndFaces:
        return 2.0 * (length2 - 2.0 * p.l1) * a1.factor;
    case Part::GroovedFaces:
        return 2.0 * (length1 - 2.0 * p.l1 - 2.0 * p.l2) * a2.factor;
    case Part::GrooveWalls:
        return 4.0 * kSqrt2 * p.l2 * std::sqrt(1.0 + a2.slope * a2.slope / 2.0);
    case Part::Chamfers: {
        const double v = a1.slope + a2.slope;
        return 4.0 * kSqrt2 * p.l1 * std::sqrt(1.0 + v * v / 2.0);
    }
    }
    return 0.0;
}

// Integral of one part over [a, b], 0 <= a <= b <= h.
double Integrate(const PierParameters &p, Part part, double a, double b)
{
    if (!(b > a))
        return 0.0;
    const double half = (b - a) / 2.0;
    const double belowTop = p.h - b;
    const Constants constants = ConstantsOf(p);
    // t in [-1, 1]; tc is 1 - t for t > 0 and -1 - t for t < 0, exact near the ends.
    const auto f = [&](double t, double tc) {
        const double fromA = t < 0 ? -tc : 1.0 + t; // 1 + t
        const double toB = t > 0 ? tc : 1.0 - t; // 1 - t
        const double y = a + half * fromA;
        const double d = belowTop + half * toB;
        return Integrand(p, constants, part, y, d);
    };
    try {
        return half * Quadrature().integrate(f, kTolerance);
    } catch (const std::exception &) {
        // The integrand overflowed: dimensions far beyond any real pier.
        return std::numeric_limits<double>::quiet_NaN();
    }
}

bool Positive(double value)
{
    return value > 0.0;
}

} // namespace

namespace {

// A value as the Chinese texts print it: shortest form, minus sign U+2212.
std::string ChineseNumber(double value)
{
    std::string text = ShortestText(value);
    if (!text.empty() && text.front() == '-')
        text.replace(0, 1, "\u2212");
    return text;
}

std::string NameOf(int field)
{
    return std::string(kParameters[static_cast<std::size_t>(field)].name);
}

// A length or radius that is negative, or zero where it must be positive.
PierReason SignReason(const PierParameters &p, int field)
{
    const double value = ParameterValue(p, field);
    const bool strictlyPositive = field <= kFieldR2;
    const std::string name = NameOf(field);
    const bool radius = field == kFieldR1 || field == kFieldR2;
    std::string zh = name + " = " + ChineseNumber(value) + "，";
    if (!strictlyPositive)
        zh += "长度不能为负";
    else
        zh += radius ? "外弧半径必须大于 0" : "截面长度必须大于 0";
    return {{field},
            name + " = " + ShortestText(value) + " is not " + (strictlyPositive ? "positive" : "zero or positive"),
            std::move(zh)};
}

PierReason AboveRadius(const PierParameters &p, int radiusField)
{
    const std::string radius = NameOf(radiusField);
    const double R = ParameterValue(p, radiusField);
    return {{radiusField, kFieldh},
            "h = " + ShortestText(p.h) + " lies above " + radius + " = " + ShortestText(R),
            "h = " + ChineseNumber(p.h) + " 大于 " + radius + " = " + ChineseNumber(R) + "，圆弧到不了花瓶段顶部"};
}

} // namespace

std::vector<PierReason> UnbuildableReasons(const PierParameters &p)
{
    // The lengths and radii must be positive, the heights, chamfers and
    // groove sizes at least not negative.
    std::vector<PierReason> reasons;
    for (int k = kFieldL1; k < kFieldN; ++k) {
        const double value = ParameterValue(p, k);
        if (k <= kFieldR2 ? !Positive(value) : !(value >= 0.0))
            reasons.push_back(SignReason(p, k));
    }
    if (!reasons.empty())
        return reasons; // the fits below mean nothing with a negative size
    if (p.h > p.R1)
        reasons.push_back(AboveRadius(p, kFieldR1));
    if (p.h > p.R2)
        reasons.push_back(AboveRadius(p, kFieldR2));
    if (p.L2 - 2.0 * p.l1 < 0.0)
        reasons.push_back({{kFieldL2, kFieldl1},
                           "the chamfers do not fit the end faces (L2 - 2 l1 < 0)",
                           "倒角放不下端面（L2 − 2l1 < 0）"});
    if (p.L1 - 2.0 * p.l1 - 2.0 * p.l2 - p.l3 < 0.0)
        reasons.push_back({{kFieldL1, kFieldl1, kFieldl2, kFieldl3},
                           "the chamfers and the groove do not fit the grooved faces (L1 - 2 l1 - 2 l2 - l3 < 0)",
                           "倒角与槽放不下带槽面（L1 − 2l1 − 2l2 − l3 < 0）"});
    return reasons;
}

PierReason ExactApplicability(const PierParameters &p)
{
    std::vector<PierReason> reasons = UnbuildableReasons(p);
    return reasons.empty() ? PierReason{} : std::move(reasons.front());
}

std::optional<CalculationFault> UnbuildableFault(const PierParameters &p)
{
    const std::vector<PierReason> reasons = UnbuildableReasons(p);
    if (reasons.empty())
        return std::nullopt;
    CalculationFault fault;
    fault.kind = FaultKind::NotBuildable;
    fault.parameter = reasons.front().fields.front();
    for (const PierReason &reason : reasons) {
        fault.reasonsEn += (fault.reasonsEn.empty() ? "" : "; ") + reason.en;
        fault.reasonsZh += (fault.reasonsZh.empty() ? "" : "；") + reason.zh;
    }
    return fault;
}

double TrueFlareFormworkBetween(const PierParameters &p, double a, double b)
{
    return Integrate(p, Part::EndFaces, a, b) + Integrate(p, Part::GroovedFaces, a, b) +
        Integrate(p, Part::GrooveWalls, a, b) + Integrate(p, Part::Chamfers, a, b);
}

ExactOutcome CalculateExact(const PierParameters &p)
{
    if (PierReason reason = ExactApplicability(p); !reason.empty())
        return NotApplicable{std::move(reason.en), std::move(reason.zh)};

    ExactQuantities e;
    e.FlareVolume = Integrate(p, Part::Volume, 0.0, p.h);
    e.ProjectedFlareFormwork = Integrate(p, Part::Projected, 0.0, p.h);
    e.EndFaces = Integrate(p, Part::EndFaces, 0.0, p.h);
    e.GroovedFaces = Integrate(p, Part::GroovedFaces, 0.0, p.h);
    e.GrooveWalls = Integrate(p, Part::GrooveWalls, 0.0, p.h);
    e.Chamfers = Integrate(p, Part::Chamfers, 0.0, p.h);
    e.TrueFlareFormwork = ((e.EndFaces + e.GroovedFaces) + e.GrooveWalls) + e.Chamfers;
    const NotApplicable kTooLarge{"a dimension is too large for the exact quantities", "尺寸过大，无法计算精确值"};
    if (!std::isfinite(e.FlareVolume) || !std::isfinite(e.ProjectedFlareFormwork) ||
        !std::isfinite(e.TrueFlareFormwork))
        return NotApplicable{kTooLarge};

    // Shaft and cap are straight: their volumes and formwork are those of
    // the layered method, computed by the same steps.
    PierQuantities straight;
    try {
        detail::ComputeStraightParts(p, straight);
        const detail::StepContext context;
        const detail::Guard<true> g{context};
        e.V = g(g(straight.CapVolume + straight.ShaftVolume) + e.FlareVolume);
        e.S = g(g(e.TrueFlareFormwork + straight.ShaftFormwork) + straight.CapFormwork);
        e.ProjectedS = g(g(e.ProjectedFlareFormwork + straight.ShaftFormwork) + straight.CapFormwork);
    } catch (const CalculationFault &) {
        return NotApplicable{kTooLarge};
    }
    return e;
}

} // namespace pierqty
