// The eleven numbers that describe one pier, and how they are read from text.
#pragma once

#include "calc/fault.h"
#include "platform/numbers.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pierqty {

struct PierParameters {
    double L1 = 0.0; // section length, first direction (m)
    double R1 = 0.0; // radius of the arcs that widen L1 (m)
    double L2 = 0.0; // section length, second direction (m)
    double R2 = 0.0; // radius of the arcs that widen L2 (m)
    double H1 = 0.0; // height of the straight shaft (m)
    double H2 = 0.0; // height of the straight top cap (m)
    double h = 0.0; // height of the flared part (m)
    double l1 = 0.0; // corner chamfer leg (m)
    double l2 = 0.0; // groove side leg and groove depth (m)
    double l3 = 0.0; // groove bottom width (m)
    std::int16_t n = 0; // number of equal layers of the flared part
};

constexpr int kParameterCount = 11;

// The letters of the drawing, in the order of the input fields.
inline constexpr std::array<std::string_view, kParameterCount> kParameterNames = {"L1", "R1", "L2", "R2", "H1", "H2",
                                                                                  "h",  "l1", "l2", "l3", "n"};

// The texts the input fields start with, separated by ",".
inline constexpr std::string_view DefaultInputText = "2.5,4.488,1.8,13.032,3.00,0.5,3,0.1,0.1,0.5,1000";

using ParameterTexts = std::array<std::string, kParameterCount>;
using ParameterReadings = std::array<NumberReading, kParameterCount>;

// DefaultInputText split into the eleven field texts.
ParameterTexts DefaultParameterTexts();

// Index of a parameter letter (case matters: "L1" is not "l1"), or -1.
int ParameterIndex(std::string_view name);

// Converts the eleven texts in index order. Fails only with Overflow: a
// number beyond the double range, or n outside -32768..32767. When readings
// is given, it receives how each text was read (for warnings).
Outcome<PierParameters> parsePierParameters(const ParameterTexts &texts, ParameterReadings *readings = nullptr);

} // namespace pierqty
