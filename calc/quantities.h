// Volumes and formwork areas of one pier: a straight shaft (H1, base section
// S0), a flared part of height h summed over n equal layers, and a straight
// cap (H2, the section at the top of the flare). Formwork is the lateral
// surface: outline length times height; horizontal faces do not count.
#pragma once

#include "calc/fault.h"
#include "calc/parameters.h"

#include <cstdint>
#include <type_traits>
#include <vector>

namespace pierqty {

struct LayerSection {
    std::int16_t i = 0; // layer number from the bottom, 1..n
    double y_i = 0.0; // height of the layer's top above the flare's foot (m)
    double S_i = 0.0; // section area at y_i (m^2)
    // What the layer adds to the flared part, as the loop summed it:
    double outline = 0.0; // outline length at y_i (m)
    double volume = 0.0; // (S_i + the section below) x h / n / 2 (m^3)
    double formwork = 0.0; // outline x h / n (m^2)
};

struct PierQuantities {
    double SectionCut = 0.0; // m^2
    double S0 = 0.0; // m^2
    double ShaftVolume = 0.0; // m^3
    double PerimeterCorrection = 0.0; // m
    double ShaftFormwork = 0.0; // m^2
    double TopSection = 0.0; // m^2
    double CapVolume = 0.0; // m^3
    double CapFormwork = 0.0; // m^2
    double LayerHeight = 0.0; // m
    std::vector<LayerSection> Layers; // empty when n < 1
    double FlareVolume = 0.0; // m^3, trapezoid rule over the layers
    double FlareFormwork = 0.0; // m^2, outline at each layer's top
    double S = 0.0; // total formwork area, m^2
    double V = 0.0; // total concrete volume, m^3
};

// Where the layer loop hands each layer it completes, from the bottom up: a
// reference to any callable taking const LayerSection &, which must outlive
// the call it is passed to.
class LayerSink
{
public:
    template<class F>
    requires(!std::is_same_v<std::remove_cv_t<F>, LayerSink>) LayerSink(F &callable)
        : m_callable(const_cast<void *>(static_cast<const void *>(&callable))),
          m_call([](void *c, const LayerSection &layer) { (*static_cast<F *>(c))(layer); })
    { }
    void operator()(const LayerSection &layer) const { m_call(m_callable, layer); }

private:
    void *m_callable;
    void (*m_call)(void *, const LayerSection &);
};

// Pure: the same parameters always give the same quantities, bit for bit.
Outcome<PierQuantities> calculate(const PierParameters &p);

// The same calculation, with every layer handed to sink as the loop
// completes it instead of kept in Layers, which stays empty: for output that
// is formatted while it is computed, with no table of all the layers held in
// between (32767 layers take 1.5 MB). A calculation that stops may have
// handed on some layers already.
Outcome<PierQuantities> calculate(const PierParameters &p, LayerSink sink);

// One pier from the eleven field texts: the parameters read and the
// quantities calculated.
struct PierCalculation {
    PierParameters parameters;
    PierQuantities quantities;
};

// Reads the texts and calculates, or stops with the first fault. When
// readings is given, it receives how each text was read.
Outcome<PierCalculation> CalculatePier(const ParameterTexts &texts, ParameterReadings *readings = nullptr);

} // namespace pierqty
