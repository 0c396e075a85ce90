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

// The result fields' texts: "64.190447 m2" for S, "38.653440 m3" for V.
std::string AreaText(double S);
std::string VolumeText(double V);

// Appends the report to out, its lines joined with lineBreak ("\r\n" in the
// window, "\n" for a terminal): written straight into the caller's buffer.
void AppendReport(std::string &out, const PierQuantities &q, std::string_view lineBreak);

// The report in its two parts, for a caller that formats the layers as the
// calculation hands them on: the head (the layer height and S0), and each
// layer's line with the line break before it. AppendReport is the head and
// then every layer of q.Layers.
void AppendReportHead(std::string &out, const PierQuantities &q, std::string_view lineBreak);
void AppendReportLayer(std::string &out, const LayerSection &layer, std::string_view lineBreak);

// Bytes to reserve for the lines of n layers, each " S12345 = 123.456789 m2"
// and a line break, so that a long report is not copied as it grows.
std::size_t ReportLayersSize(std::size_t n, std::string_view lineBreak);

// Cannot fail: every quantity of a completed calculation is finite.
CalculationTexts buildCalculationTexts(const PierQuantities &q);

// The Calculate command up to publishing: reads the eleven field texts,
// calculates, and builds the texts, or stops with the first fault.
Outcome<CalculationTexts> CalculateFromTexts(const ParameterTexts &texts);

} // namespace pierqty
