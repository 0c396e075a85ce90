// Volumes and formwork areas of one pier: a straight shaft (H1, base section
// S0), a flared part of height h summed over n equal layers, and a straight
// cap (H2, the section at the top of the flare). Formwork is the lateral
// surface: outline length times height; horizontal faces do not count.
#pragma once

#include "calc/fault.h"
#include "calc/parameters.h"

#include <cstdint>
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

// Pure: the same parameters always give the same quantities, bit for bit.
Outcome<PierQuantities> calculate(const PierParameters &p);

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
