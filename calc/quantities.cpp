#include "calc/quantities.h"

#include "calc/arithmetic.h"

namespace pierqty {

namespace detail {

void ComputeStraightParts(const PierParameters &p, PierQuantities &q)
{
    StepContext context;
    const Guard<true> g{context};

    context.step = FaultStep::SectionCut;
    q.SectionCut = SectionCutOf(p, g);
    context.step = FaultStep::S0;
    q.S0 = g(g(p.L1 * p.L2) - q.SectionCut);
    context.step = FaultStep::ShaftVolume;
    q.ShaftVolume = g(p.H1 * q.S0);

    context.step = FaultStep::PerimeterCorrection;
    q.PerimeterCorrection = PerimeterCorrectionOf(p, g);
    context.step = FaultStep::ShaftFormwork;
    q.ShaftFormwork = g(BaseOutlineOf(p, q.PerimeterCorrection, g) * p.H1);

    context.step = FaultStep::TopSection;
    context.height = p.h;
    const FlaredLengths top = FlaredLengthsAt(p, p.h, g);
    q.TopSection = AreaOf(top, q.SectionCut, g);
    context.step = FaultStep::CapVolume;
    q.CapVolume = g(p.H2 * q.TopSection);
    context.step = FaultStep::CapFormwork;
    q.CapFormwork = g(OutlineOf(top, q.PerimeterCorrection, g) * p.H2);
}

} // namespace detail

namespace {

using detail::Guard;
using detail::StepContext;

struct LoopSums {
    double previous = 0.0; // section at the bottom of the next layer (m^2)
    double volume = 0.0; // FlareVolume so far (m^3)
    double formwork = 0.0; // FlareFormwork so far (m^2)
};

// One pass of the layer loop: the section at the layer's top, then the
// layer's volume by the trapezoid rule and its formwork by the outline at
// its top, each evaluated in the order written, then added to the sums.
// Returns the layer's entry, all but its number.
template<bool Checked>
inline LayerSection LayerPass(const PierParameters &p, const PierQuantities &q, double count, double y, LoopSums &sums,
                              const Guard<Checked> &g)
{
    LayerSection layer;
    layer.y_i = y;
    const detail::FlaredLengths lengths = detail::FlaredLengthsAt(p, y, g);
    layer.S_i = detail::AreaOf(lengths, q.SectionCut, g);
    layer.volume = g(g(g(g(layer.S_i + sums.previous) * p.h) / count) / 2.0);
    sums.volume = g(layer.volume + sums.volume);
    layer.outline = detail::OutlineOf(lengths, q.PerimeterCorrection, g);
    layer.formwork = g(g(layer.outline * p.h) / count);
    sums.formwork = g(layer.formwork + sums.formwork);
    sums.previous = layer.S_i;
    return layer;
}

// No operation of a pass turns an infinity or NaN back into a finite number,
// so finite sums mean every step of the pass was finite.
bool PassIsFinite(const LayerSection &layer, const LoopSums &sums)
{
    return std::isfinite(layer.y_i) && std::isfinite(sums.volume) && std::isfinite(sums.formwork);
}

// A layer top y beyond h in magnitude can only come from rounding i x (h / n)
// with i <= n. It matters only when it takes y beyond a radius (R^2 - y^2 < 0);
// h itself is within reach of both arcs, since the top section was computed.
bool RoundedPastRadius(const PierParameters &p, double y)
{
    return std::fabs(y) > std::fabs(p.h) && (p.R1 * p.R1 - y * y < 0.0 || p.R2 * p.R2 - y * y < 0.0);
}

template<class Sink>
void RunLayerLoop(const PierParameters &p, PierQuantities &q, Sink &sink)
{
    const int n = p.n;
    if (n < 1)
        return;
    const double count = static_cast<double>(n);
    LoopSums sums{q.S0, 0.0, 0.0};
    const StepContext bare{FaultStep::Layer, 0, 0.0};
    const Guard<false> unchecked{bare};
    for (int i = 1; i <= n; ++i) {
        // y_i = i * (h / n): one product with the layer height, not i * h / n.
        const double y = static_cast<double>(i) * q.LayerHeight;
        LoopSums next = sums;
        LayerSection layer = LayerPass(p, q, count, y, next, unchecked);
        if (!PassIsFinite(layer, next) && RoundedPastRadius(p, y)) [[unlikely]] {
            // The top layer's n x (h / n) rounded just past h, and h equals a
            // radius (a flare that ends horizontal): the arc is evaluated at
            // h itself, where the top section was, and the layer records h.
            next = sums;
            layer = LayerPass(p, q, count, p.h, next, unchecked);
        }
        if (!PassIsFinite(layer, next)) [[unlikely]] {
            const StepContext context{FaultStep::Layer, i, layer.y_i};
            const Guard<true> checked{context};
            checked(layer.y_i);
            LayerPass(p, q, count, layer.y_i, sums, checked);
            detail::RaiseNonFinite(std::nan(""), context); // not reached: the pass faults
        }
        sums = next;
        layer.i = static_cast<std::int16_t>(i);
        sink(layer);
    }
    q.FlareVolume = sums.volume;
    q.FlareFormwork = sums.formwork;
}

template<class Sink>
void CalculateOrRaise(const PierParameters &p, PierQuantities &q, Sink &sink)
{
    detail::ComputeStraightParts(p, q);

    StepContext context;
    const Guard<true> g{context};

    context.step = FaultStep::LayerHeight;
    if (p.n <= 0) {
        // No layers: n = 0 cannot divide h; a negative count would leave the
        // flared part out of S and V while the totals still look complete.
        CalculationFault fault;
        if (p.n < 0)
            fault.kind = FaultKind::InvalidArgument;
        else
            fault.kind = p.h == 0.0 ? FaultKind::InvalidOperation : FaultKind::DivisionByZero;
        fault.step = FaultStep::LayerHeight;
        fault.height = p.h;
        fault.layerCount = static_cast<double>(p.n);
        throw fault;
    }
    q.LayerHeight = g(p.h / static_cast<double>(p.n));

    RunLayerLoop(p, q, sink);

    context.step = FaultStep::TotalFormwork;
    q.S = g(g(q.FlareFormwork + q.ShaftFormwork) + q.CapFormwork);
    context.step = FaultStep::TotalVolume;
    q.V = g(g(q.CapVolume + q.ShaftVolume) + q.FlareVolume);
}

template<class Sink>
Outcome<PierQuantities> Calculate(const PierParameters &p, Sink &sink)
{
    try {
        PierQuantities q;
        CalculateOrRaise(p, q, sink);
        return q;
    } catch (const CalculationFault &fault) {
        return fault;
    }
}

} // namespace

Outcome<PierQuantities> calculate(const PierParameters &p)
{
    std::vector<LayerSection> layers;
    if (p.n > 0)
        layers.reserve(static_cast<std::size_t>(p.n));
    const auto keep = [&layers](const LayerSection &layer) { layers.push_back(layer); };
    Outcome<PierQuantities> outcome = Calculate(p, keep);
    if (outcome)
        outcome.value().Layers = std::move(layers);
    return outcome;
}

Outcome<PierQuantities> calculate(const PierParameters &p, LayerSink sink)
{
    return Calculate(p, sink);
}

Outcome<PierCalculation> CalculatePier(const ParameterTexts &texts, ParameterReadings *readings)
{
    auto parameters = parsePierParameters(texts, readings);
    if (!parameters)
        return parameters.fault();
    auto quantities = calculate(parameters.value());
    if (!quantities)
        return quantities.fault();
    return PierCalculation{parameters.value(), std::move(quantities).value()};
}

} // namespace pierqty
