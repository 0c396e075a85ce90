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
#include <vector>

namespace pierqty::sheet {

inline constexpr std::string_view kSheetTitle = "花瓶墩模板面积及混凝土方量计算书";
inline constexpr std::string_view kSheetVersion = "pierqty " PIERQTY_VERSION_TEXT;

// The layer table lists every k-th layer, k = ceil(n / kSampledLayerRows),
// and the last: at most about 50 rows, each checkable by hand.
inline constexpr int kSampledLayerRows = 50;

// The layer numbers the table lists: k, 2k, 3k, ... up to n, and n.
std::vector<int> LayerTableRows(int n);

// A name and a date on the signature line of one role.
struct Signature {
    std::string name;
    std::string date; // as written, e.g. "2026-01-05"
};

// What the title block of a sheet says; an empty field prints as a line to
// sign or write on.
struct TitleBlock {
    std::string project; // 工程名称
    std::string pier; // 墩号
    std::string drawing; // 图号: also named under the basis
    std::string number; // 计算书编号
    std::string revision; // 版次
    Signature compiled; // 编制
    Signature checked; // 复核
    Signature approved; // 审核
    std::vector<std::string> basis; // further lines of 计算依据
};

// One completed calculation and what the sheet says about it.
struct SheetInput {
    const ParameterTexts &texts; // the eleven texts as typed
    const ParameterReadings &readings; // how each was read
    const PierParameters &parameters;
    const PierQuantities &quantities;
    const ExactOutcome &exact;
    std::string_view subject = {}; // the project name, when block names none
    std::string_view date = {}; // "YYYY-MM-DD"
    std::string_view version = kSheetVersion;
    const TitleBlock *block = nullptr; // the title block's fields, or none
};

std::string BuildCalculationSheet(const SheetInput &input);

// Reads the texts, calculates and builds the sheet; the first fault stops
// it with nothing built, and so does a pier that cannot be built (a fault
// of kind NotBuildable whose Chinese message gives the reasons).
Outcome<std::string> CalculationSheetWithTitleBlock(const ParameterTexts &texts, const TitleBlock &block,
                                                    std::string_view date);
// The same with only a project name.
Outcome<std::string> CalculationSheetFromTexts(const ParameterTexts &texts, std::string_view subject,
                                               std::string_view date);

// Today's local date as "YYYY-MM-DD".
std::string LocalDateText();

} // namespace pierqty::sheet
