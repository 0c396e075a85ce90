// The three texts a calculation shows: S, V and the layer report.
#pragma once

#include "calc/fault.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <string>
#include <string_view>

namespace pierqty {

// Every text is UTF-8; lines of the report are joined with CR LF.
struct CalculationTexts {
    std::string areaText; // "64.190447 m2"
    std::string volumeText; // "38.653440 m3"
    std::string report; // layer height, S0, then S1..Sn, one per line
};

// Fixed-point text with six decimals, pattern "0.000000".
std::string formatQuantity(double value);

// The result fields' texts: "64.190447 m2" for S, "38.653440 m3" for V.
std::string AreaText(double S);
std::string VolumeText(double V);

// Appends the report to out, its lines joined with lineBreak ("\r\n" in the
// window, "\n" for a terminal): written straight into the caller's buffer.
void AppendReport(std::string &out, const PierQuantities &q, std::string_view lineBreak);

// Cannot fail: every quantity of a completed calculation is finite.
CalculationTexts buildCalculationTexts(const PierQuantities &q);

// The Calculate command up to publishing: reads the eleven field texts,
// calculates, and builds the texts, or stops with the first fault.
Outcome<CalculationTexts> calculateFromTexts(const ParameterTexts &texts);

} // namespace pierqty
