// The calculation sheet (计算书) of one pier: one self-contained UTF-8
// HTML5 document, also well-formed XML, for review on paper or as a PDF.
// It shows the inputs, the pier drawn to scale, both methods as formulas
// with the figures put in, the results side by side, plots over the height
// of the pier and the layer table. Inline CSS and SVG only: no script, no
// font or image from elsewhere, so it opens offline and archives as is.
#pragma once

#include "pierqty/version.h"
#include "calc/exact.h"
#include "calc/fault.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <string>
#include <string_view>

namespace pierqty::sheet {

inline constexpr std::string_view kSheetTitle = "花瓶墩模板面积及混凝土方量计算书";
inline constexpr std::string_view kSheetVersion = "pierqty " PIERQTY_VERSION_TEXT;

// The layer table lists every layer up to this count, otherwise about
// kSampledLayerRows evenly spaced layers, the first and the last included.
inline constexpr int kFullLayerTable = 100;
inline constexpr int kSampledLayerRows = 50;

// One completed calculation and what the sheet says about it.
struct SheetInput {
    const ParameterTexts &texts; // the eleven texts as typed
    const ParameterReadings &readings; // how each was read
    const PierParameters &parameters;
    const PierQuantities &quantities;
    const ExactOutcome &exact;
    std::string_view subject = {}; // optional line naming the project or pier
    std::string_view date = {}; // "YYYY-MM-DD"
    std::string_view version = kSheetVersion;
};

std::string BuildCalculationSheet(const SheetInput &input);

// Reads the texts, calculates and builds the sheet; the first fault stops
// it with nothing built.
Outcome<std::string> CalculationSheetFromTexts(const ParameterTexts &texts, std::string_view subject,
                                               std::string_view date);

// Today's local date as "YYYY-MM-DD".
std::string LocalDateText();

} // namespace pierqty::sheet
