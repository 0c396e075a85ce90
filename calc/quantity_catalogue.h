// The quantities a calculation reports, listed once: each with its key, its
// Chinese and English label, its unit, and where its layered and its exact
// figure are read from the results. The text report, the JSON object, the
// batch's columns, the sheet's result tables and the copied results all take
// their quantities, labels and order from here, so that a new quantity is an
// entry in the catalogue (and its formula) and nothing else.
#pragma once

#include "calc/exact.h"
#include "calc/quantities.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pierqty {

enum class QuantityUnit { Metre, SquareMetre, CubicMetre };

// "m", "m2", "m3": the command line's units, plain ASCII.
std::string_view AsciiUnit(QuantityUnit unit);

// "m", "m²", "m³": the units of the Chinese surfaces.
std::string_view UnitSymbol(QuantityUnit unit);

// A figure of a result struct: the member's own name (the JSON key) and the
// member.
template<class Results>
struct ResultMember {
    std::string_view name;
    double Results::*member = nullptr;
};

// The arcs a face of the flared part follows: the face is flat where each of
// them is vertical.
enum class FaceArcs { None, R1, R2, Both };

struct Quantity {
    std::string_view key{}; // stable and unique: the sheet's row ids end in it
    std::string_view en{}; // the English label, as the text report prints it
    // The Chinese name, as the copied results print it: "花瓶段体积（精确）"
    // for the exact figure with zhExact "精确", "花瓶段体积（分层法）" for the
    // layered one where there are both.
    std::string_view zh{};
    std::string_view zhExact{};
    QuantityUnit unit = QuantityUnit::Metre;
    ResultMember<PierQuantities> layered{}; // the layered method's figure, if any
    ResultMember<ExactQuantities> exact{}; // the exact method's own figure, if any
    bool straight = false; // shaft or cap: straight, so the layered figure is exact
    // Its row in the sheet's result table (部位, 项目), or in the face table.
    std::string_view part{}, item{};
    // A face of the flared part's true formwork: its shape where it curves
    // (the sheet's face table), and the arcs it follows.
    std::string_view shape{};
    FaceArcs arcs = FaceArcs::None;

    bool face() const { return arcs != FaceArcs::None; }
};

// Which of a quantity's two figures an output shows.
enum class Method { Layered, Exact };

// The layered figure, or nothing where the layered method gives none.
std::optional<double> LayeredFigure(const Quantity &quantity, const PierQuantities &layered);

// The exact figure: the exact method's own (nothing where exact is null), or
// for a straight part the layered one; nothing for a figure of the layered
// method alone.
std::optional<double> ExactFigure(const Quantity &quantity, const PierQuantities &layered,
                                  const ExactQuantities *exact);

// The figure of that method: LayeredFigure or ExactFigure.
std::optional<double> Figure(const Quantity &quantity, Method method, const PierQuantities &layered,
                             const ExactQuantities *exact);

// Every quantity, once; the faces of the flared part in the order of the
// sheet's face table.
std::span<const Quantity> Quantities();

// What each output lists, in its order.
// The layered method's figures: the JSON object's "quantities".
std::span<const Quantity *const> LayeredResults();
// The exact method's figures: the JSON object's "exact", and the text
// report's lines with --exact, each with its layered figure beside it.
std::span<const Quantity *const> ExactResults();
// The sheet's result table: layered, exact and their difference.
std::span<const Quantity *const> SheetResults();

// A line of the copied results. Where the exact method does not apply, its
// figures are left out and the line marked whyNot says why instead.
struct SummaryLine {
    const Quantity *quantity = nullptr;
    Method method = Method::Layered;
    bool whyNot = false;
};
std::span<const SummaryLine> SummaryLines();

// A figure column of the batch's CSV: its header and what it holds.
struct BatchColumn {
    std::string_view name;
    const Quantity *quantity = nullptr;
    Method method = Method::Layered;
};
std::span<const BatchColumn> BatchColumns();

// (layered - exact) / exact, in percent: how far the layered figure is off.
// Nothing where exact is 0 or either is not finite.
std::optional<double> PercentDifference(double layered, double exact);

// The sign of a difference that rounds to zero: the text report writes
// "+0.000000" for one that is not negative, the sheet "0.000" for any.
enum class ZeroSign { PlusUnlessNegative, None };

// PercentDifference with the given decimals and its sign: "+4.968",
// "-0.075", never "-0.000"; nothing where there is no difference.
std::optional<std::string> PercentDifferenceText(double layered, double exact, int decimals, ZeroSign zero);

} // namespace pierqty
