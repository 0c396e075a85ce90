#include "calc/geometry.h"

#include "calc/arithmetic.h"

namespace pierqty {

namespace detail {

void RaiseNonFinite(double value, const StepContext &context)
{
    CalculationFault fault;
    fault.kind = std::isnan(value) ? FaultKind::InvalidOperation : FaultKind::Overflow;
    fault.step = context.step;
    fault.layer = context.layer;
    fault.height = context.height;
    throw fault;
}

void RaiseBeyondRadius(const StepContext &context, int radiusIndex, double radius, double y)
{
    CalculationFault fault;
    fault.kind = FaultKind::InvalidArgument;
    fault.step = context.step;
    fault.layer = context.layer;
    fault.height = y;
    fault.radiusIndex = radiusIndex;
    fault.radius = radius;
    throw fault;
}

} // namespace detail

namespace {

using detail::Guard;
using detail::StepContext;

// Runs one checked evaluation and turns a raised fault into an Outcome.
template<class Function>
Outcome<double> Evaluate(FaultStep step, double height, Function function)
{
    const StepContext context{step, 0, height};
    const Guard<true> guard{context};
    try {
        return function(guard);
    } catch (const CalculationFault &fault) {
        return fault;
    }
}

} // namespace

Outcome<double> SectionCut(const PierParameters &p)
{
    return Evaluate(FaultStep::SectionCut, 0.0, [&](const Guard<true> &g) { return detail::SectionCutOf(p, g); });
}

Outcome<double> PerimeterCorrection(const PierParameters &p)
{
    return Evaluate(FaultStep::PerimeterCorrection, 0.0,
                    [&](const Guard<true> &g) { return detail::PerimeterCorrectionOf(p, g); });
}

Outcome<double> BaseOutline(const PierParameters &p)
{
    return Evaluate(FaultStep::ShaftFormwork, 0.0, [&](const Guard<true> &g) {
        return detail::BaseOutlineOf(p, detail::PerimeterCorrectionOf(p, g), g);
    });
}

Outcome<double> FlareOffset(double R, double y)
{
    return Evaluate(FaultStep::TopSection, y, [&](const Guard<true> &g) { return detail::FlareOffsetOf(R, 0, y, g); });
}

Outcome<double> FlaredLength1(const PierParameters &p, double y)
{
    return Evaluate(FaultStep::TopSection, y,
                    [&](const Guard<true> &g) { return detail::FlaredLengthsAt(p, y, g).length1; });
}

Outcome<double> FlaredLength2(const PierParameters &p, double y)
{
    return Evaluate(FaultStep::TopSection, y,
                    [&](const Guard<true> &g) { return detail::FlaredLengthsAt(p, y, g).length2; });
}

Outcome<double> SectionArea(const PierParameters &p, double y)
{
    return Evaluate(FaultStep::TopSection, y, [&](const Guard<true> &g) {
        return detail::AreaOf(detail::FlaredLengthsAt(p, y, g), detail::SectionCutOf(p, g), g);
    });
}

Outcome<double> OutlineLength(const PierParameters &p, double y)
{
    return Evaluate(FaultStep::TopSection, y, [&](const Guard<true> &g) {
        return detail::OutlineOf(detail::FlaredLengthsAt(p, y, g), detail::PerimeterCorrectionOf(p, g), g);
    });
}

} // namespace pierqty
