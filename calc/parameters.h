// The eleven numbers that describe one pier, and how they are read from text.
#pragma once

#include "calc/fault.h"
#include "calc/numbers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
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

// Indices of the eleven parameters in reading order (the order of the
// window's input fields, of a batch row and of the sheet's table).
enum FieldIndex : int {
    kFieldL1 = 0,
    kFieldR1 = 1,
    kFieldL2 = 2,
    kFieldR2 = 3,
    kFieldH1 = 4,
    kFieldH2 = 5,
    kFieldh = 6,
    kFieldl1 = 7,
    kFieldl2 = 8,
    kFieldl3 = 9,
    kFieldN = 10, // the layer count n, the last input
};

// The texts the input fields start with, separated by ",".
inline constexpr std::string_view DefaultInputText = "2.5,4.488,1.8,13.032,3.00,0.5,3,0.1,0.1,0.5,1000";
static_assert(std::ranges::count(DefaultInputText, ',') == kParameterCount - 1, "one default text per parameter");

// Piece k of a text split at ",", at compile time.
constexpr std::string_view CommaPiece(std::string_view text, int k)
{
    for (; k > 0; --k)
        text.remove_prefix(text.find(',') + 1);
    return text.substr(0, text.find(','));
}

// One parameter: its letter in the drawing (case matters: "L1" is not
// "l1"), its default text, what it means and its unit. The member of PierParameters is reached by ParameterValue.
struct ParameterInfo {
    std::string_view name;
    std::string_view defaultText;
    std::string_view meaning; // Simplified Chinese
    std::string_view unit; // "m", or "层" (layers) for n
};

inline constexpr std::array<ParameterInfo, kParameterCount> kParameters = {{
    {"L1", CommaPiece(DefaultInputText, 0), "截面长度（第一方向，正立面宽）", "m"},
    {"R1", CommaPiece(DefaultInputText, 1), "L1 方向两端面的外弧半径", "m"},
    {"L2", CommaPiece(DefaultInputText, 2), "截面长度（第二方向，侧立面宽）", "m"},
    {"R2", CommaPiece(DefaultInputText, 3), "L2 方向两端面的外弧半径", "m"},
    {"H1", CommaPiece(DefaultInputText, 4), "直墩身高度", "m"},
    {"H2", CommaPiece(DefaultInputText, 5), "顶部直段（墩帽）高度", "m"},
    {"h", CommaPiece(DefaultInputText, 6), "花瓶段（外弧段）高度", "m"},
    {"l1", CommaPiece(DefaultInputText, 7), "四角 45° 倒角直角边长", "m"},
    {"l2", CommaPiece(DefaultInputText, 8), "槽的 45° 斜边直角边长（即槽深）", "m"},
    {"l3", CommaPiece(DefaultInputText, 9), "槽底宽", "m"},
    {"n", CommaPiece(DefaultInputText, 10), "花瓶段等分层数", "层"},
}};

// The letters alone, in the order of the input fields.
inline constexpr std::array<std::string_view, kParameterCount> kParameterNames = [] {
    std::array<std::string_view, kParameterCount> names{};
    for (std::size_t k = 0; k < names.size(); ++k)
        names[k] = kParameters[k].name;
    return names;
}();

// Parameter k of p as a double (n as the double of its integer).
double ParameterValue(const PierParameters &p, int k);

using ParameterTexts = std::array<std::string, kParameterCount>;

// How the text of one parameter was read: the one rule behind the window's
// marks, the command line's refusals and warnings, the sheet's notes and the
// batch's fault cells.
struct ParameterReading {
    double value = 0.0; // the number read from the text; 0 when it holds none
    NumberStatus status = NumberStatus::NoNumber;
    // n, once all eleven texts are read: the whole number of layers used.
    std::optional<std::int16_t> layers;

    // Wholly one number, blanks around it allowed. The window and --lenient
    // read any other text as its leading number, or 0 when it has none; the
    // command line, a batch cell and the bill refuse it. A number beyond the
    // range of a double is a number: reading it stops with Overflow.
    bool isNumber() const { return status != NumberStatus::Leading && status != NumberStatus::NoNumber; }
    // n only: the number read is not whole and was rounded to whole layers.
    bool rounded() const { return layers && static_cast<double>(*layers) != value; }
    // The calculation uses the number the text says: it is wholly a number,
    // and not rounded. A text that is not is marked wherever it is shown.
    bool readAsWritten() const { return isNumber() && !rounded(); }
};

using ParameterReadings = std::array<ParameterReading, kParameterCount>;

// How one text reads as a parameter (layers unknown until all are read).
ParameterReading ReadParameter(std::string_view text);

// DefaultInputText split into the eleven field texts.
ParameterTexts DefaultParameterTexts();

// Index of a parameter letter (case matters: "L1" is not "l1"), or -1.
int ParameterIndex(std::string_view name);

// Converts the eleven texts in index order. Fails only with Overflow: a
// number beyond the double range, or n outside -32768..32767. When readings
// is given, it receives how each text was read, n's layers included when
// the conversion succeeds.
Outcome<PierParameters> parsePierParameters(const ParameterTexts &texts, ParameterReadings *readings = nullptr);

} // namespace pierqty
