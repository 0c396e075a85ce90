// The layered method evaluated plainly: one straight loop over the formulas,
// in the order they are documented, with no fault checks and nothing shared
// with calc/. The tests hold calculate() to it bit for bit; the benchmarks
// use it as the bare floor that the checked code is measured against.
//
// A formula that is wrong here and in calc/ alike goes unnoticed, which is
// why the worked figures stay hard-coded in the tests beside it.
#pragma once

#include "calc/parameters.h"

#include <cmath>
#include <cstdint>

namespace pierqty::reference {

struct Totals {
    double SectionCut, S0, ShaftVolume, PerimeterCorrection, ShaftFormwork;
    double TopSection, CapVolume, CapFormwork, LayerHeight;
    double FlareVolume, FlareFormwork, S, V;
};

// onLayer(i, y_i, S_i) is called for every layer in order. Meant for piers
// on which the calculation completes (n >= 1, h within both radii).
template<class OnLayer>
Totals Evaluate(const PierParameters &p, OnLayer &&onLayer)
{
    const double sqrt2 = 1.4142135623730951;
    Totals t{};
    t.SectionCut = 2.0 * (p.l1 * p.l1) + 2.0 * ((p.l3 + p.l2) * p.l2);
    t.S0 = p.L1 * p.L2 - t.SectionCut;
    t.ShaftVolume = p.H1 * t.S0;
    t.PerimeterCorrection = (((p.l2 + p.l1) * sqrt2) * 4.0 - (2.0 * p.l1) * 4.0) - 4.0 * p.l2;
    t.ShaftFormwork = (2.0 * (p.L1 + p.L2) + t.PerimeterCorrection) * p.H1;
    const double top1 = 2.0 * (p.R1 - std::sqrt(p.R1 * p.R1 - p.h * p.h)) + p.L1;
    const double top2 = 2.0 * (p.R2 - std::sqrt(p.R2 * p.R2 - p.h * p.h)) + p.L2;
    t.TopSection = top1 * top2 - t.SectionCut;
    t.CapVolume = p.H2 * t.TopSection;
    t.CapFormwork = (2.0 * (top1 + top2) + t.PerimeterCorrection) * p.H2;
    const double count = static_cast<double>(p.n);
    t.LayerHeight = p.h / count;

    double previous = t.S0;
    for (int i = 1; i <= p.n; ++i) {
        double y = static_cast<double>(i) * t.LayerHeight;
        // The top layer may round just beyond h; where the flare ends
        // horizontal (h equal to a radius) it is taken at h itself.
        if (std::fabs(y) > std::fabs(p.h) && (p.R1 * p.R1 - y * y < 0.0 || p.R2 * p.R2 - y * y < 0.0))
            y = p.h;
        const double a = 2.0 * (p.R1 - std::sqrt(p.R1 * p.R1 - y * y)) + p.L1;
        const double b = 2.0 * (p.R2 - std::sqrt(p.R2 * p.R2 - y * y)) + p.L2;
        const double area = a * b - t.SectionCut;
        t.FlareVolume = ((area + previous) * p.h / count) / 2.0 + t.FlareVolume;
        t.FlareFormwork = (2.0 * (a + b) + t.PerimeterCorrection) * p.h / count + t.FlareFormwork;
        previous = area;
        onLayer(i, y, area);
    }
    t.S = (t.FlareFormwork + t.ShaftFormwork) + t.CapFormwork;
    t.V = (t.CapVolume + t.ShaftVolume) + t.FlareVolume;
    return t;
}

} // namespace pierqty::reference
