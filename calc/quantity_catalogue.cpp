#include "calc/quantity_catalogue.h"

#include <array>
#include <charconv>
#include <cmath>

namespace pierqty {

namespace {

// A member of a result struct with its own name.
#define PIERQTY_LAYERED(member) (ResultMember<PierQuantities>{#member, &PierQuantities::member})
#define PIERQTY_EXACT(member) (ResultMember<ExactQuantities>{#member, &ExactQuantities::member})

constexpr QuantityUnit kM = QuantityUnit::Metre, kM2 = QuantityUnit::SquareMetre, kM3 = QuantityUnit::CubicMetre;

// The straight parts first, then the flared part, then the pier's totals.
constexpr std::array kCatalogue = {
    Quantity{.key = "section-cut",
             .en = "section cut",
             .zh = "截面削减",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(SectionCut)},
    Quantity{.key = "S0", .en = "base section S0", .zh = "底截面积 S0", .unit = kM2, .layered = PIERQTY_LAYERED(S0)},
    Quantity{.key = "shaft-volume",
             .en = "shaft volume",
             .zh = "墩身体积",
             .unit = kM3,
             .layered = PIERQTY_LAYERED(ShaftVolume),
             .straight = true,
             .part = "墩身",
             .item = "体积"},
    Quantity{.key = "perimeter-correction",
             .en = "perimeter correction",
             .zh = "周长修正",
             .unit = kM,
             .layered = PIERQTY_LAYERED(PerimeterCorrection)},
    Quantity{.key = "shaft-formwork",
             .en = "shaft formwork",
             .zh = "墩身模板",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(ShaftFormwork),
             .straight = true,
             .part = "墩身",
             .item = "模板"},
    Quantity{.key = "top-section",
             .en = "top section",
             .zh = "顶截面积",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(TopSection)},
    Quantity{.key = "cap-volume",
             .en = "cap volume",
             .zh = "墩帽体积",
             .unit = kM3,
             .layered = PIERQTY_LAYERED(CapVolume),
             .straight = true,
             .part = "墩帽",
             .item = "体积"},
    Quantity{.key = "cap-formwork",
             .en = "cap formwork",
             .zh = "墩帽模板",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(CapFormwork),
             .straight = true,
             .part = "墩帽",
             .item = "模板"},
    Quantity{.key = "layer-height",
             .en = "layer height",
             .zh = "单层高",
             .unit = kM,
             .layered = PIERQTY_LAYERED(LayerHeight)},
    Quantity{.key = "flare-volume",
             .en = "flare volume",
             .zh = "花瓶段体积",
             .zhExact = "精确",
             .unit = kM3,
             .layered = PIERQTY_LAYERED(FlareVolume),
             .exact = PIERQTY_EXACT(FlareVolume),
             .part = "花瓶段",
             .item = "体积"},
    Quantity{.key = "flare-projected",
             .en = "projected flare formwork",
             .zh = "花瓶段模板",
             .zhExact = "精确，投影",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(FlareFormwork),
             .exact = PIERQTY_EXACT(ProjectedFlareFormwork),
             .part = "花瓶段",
             .item = "模板（竖向投影）"},
    Quantity{.key = "flare-true",
             .en = "true flare formwork",
             .zh = "花瓶段模板",
             .zhExact = "真实",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(FlareFormwork),
             .exact = PIERQTY_EXACT(TrueFlareFormwork),
             .part = "花瓶段",
             .item = "模板（真实面积）"},
    Quantity{.key = "end",
             .en = "end faces",
             .zh = "花瓶段端面",
             .zhExact = "2 面，真实",
             .unit = kM2,
             .exact = PIERQTY_EXACT(EndFaces),
             .part = "花瓶段",
             .item = "端面（2 面）",
             .shape = "R1 圆弧曲面",
             .arcs = FaceArcs::R1},
    Quantity{.key = "grooved",
             .en = "grooved faces",
             .zh = "花瓶段带槽面",
             .zhExact = "2 面，含槽底，真实",
             .unit = kM2,
             .exact = PIERQTY_EXACT(GroovedFaces),
             .part = "花瓶段",
             .item = "带槽面（2 面，含槽底）",
             .shape = "R2 圆弧曲面",
             .arcs = FaceArcs::R2},
    Quantity{.key = "groove-walls",
             .en = "groove walls",
             .zh = "花瓶段槽侧面",
             .zhExact = "4 面，真实",
             .unit = kM2,
             .exact = PIERQTY_EXACT(GrooveWalls),
             .part = "花瓶段",
             .item = "槽侧面（4 面）",
             .shape = "曲面",
             .arcs = FaceArcs::R2},
    Quantity{.key = "chamfers",
             .en = "chamfers",
             .zh = "花瓶段倒角面",
             .zhExact = "4 面，真实",
             .unit = kM2,
             .exact = PIERQTY_EXACT(Chamfers),
             .part = "花瓶段",
             .item = "倒角面（4 面）",
             .shape = "曲面",
             .arcs = FaceArcs::Both},
    Quantity{.key = "V",
             .en = "V",
             .zh = "混凝土方量 V",
             .zhExact = "精确",
             .unit = kM3,
             .layered = PIERQTY_LAYERED(V),
             .exact = PIERQTY_EXACT(V),
             .part = "合计",
             .item = "混凝土方量 V"},
    Quantity{.key = "S-projected",
             .en = "projected S",
             .zh = "模板面积 S",
             .zhExact = "精确，投影",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(S),
             .exact = PIERQTY_EXACT(ProjectedS),
             .part = "合计",
             .item = "模板面积 S（投影）"},
    Quantity{.key = "S",
             .en = "true S",
             .zh = "模板面积 S",
             .zhExact = "真实",
             .unit = kM2,
             .layered = PIERQTY_LAYERED(S),
             .exact = PIERQTY_EXACT(S),
             .part = "合计",
             .item = "模板面积 S（真实）"},
};

#undef PIERQTY_LAYERED
#undef PIERQTY_EXACT

// The entry of a key; a key that is not in the catalogue fails to compile.
consteval const Quantity *Q(std::string_view key)
{
    for (const Quantity &quantity : kCatalogue) {
        if (quantity.key == key)
            return &quantity;
    }
    throw "no quantity of that key";
}

// The JSON object's "quantities": every figure of the layered method.
constexpr std::array kLayeredResults = {Q("section-cut"),
                                        Q("S0"),
                                        Q("shaft-volume"),
                                        Q("perimeter-correction"),
                                        Q("shaft-formwork"),
                                        Q("top-section"),
                                        Q("cap-volume"),
                                        Q("cap-formwork"),
                                        Q("layer-height"),
                                        Q("flare-volume"),
                                        Q("flare-projected"),
                                        Q("S"),
                                        Q("V")};

// The JSON object's "exact" and the text report's exact lines.
constexpr std::array kExactResults = {Q("flare-volume"), Q("V"),       Q("flare-projected"), Q("flare-true"),
                                      Q("end"),          Q("grooved"), Q("groove-walls"),    Q("chamfers"),
                                      Q("S-projected"),  Q("S")};

// The sheet's result table: by part, volumes before formwork.
constexpr std::array kSheetResults = {
    Q("shaft-volume"),    Q("flare-volume"), Q("cap-volume"),   Q("V"),           Q("shaft-formwork"),
    Q("flare-projected"), Q("flare-true"),   Q("cap-formwork"), Q("S-projected"), Q("S")};

constexpr Method kL = Method::Layered, kE = Method::Exact;

// The copied results: the totals first, then by part, and two figures of
// the section last.
constexpr std::array kSummaryLines = {
    SummaryLine{Q("S"), kL},
    SummaryLine{Q("S"), kE},
    SummaryLine{Q("S-projected"), kE},
    SummaryLine{Q("V"), kL},
    SummaryLine{Q("V"), kE, true},
    SummaryLine{Q("shaft-volume"), kL},
    SummaryLine{Q("flare-volume"), kL},
    SummaryLine{Q("flare-volume"), kE},
    SummaryLine{Q("cap-volume"), kL},
    SummaryLine{Q("shaft-formwork"), kL},
    SummaryLine{Q("flare-projected"), kL},
    SummaryLine{Q("flare-projected"), kE},
    SummaryLine{Q("flare-true"), kE},
    SummaryLine{Q("end"), kE},
    SummaryLine{Q("grooved"), kE},
    SummaryLine{Q("groove-walls"), kE},
    SummaryLine{Q("chamfers"), kE},
    SummaryLine{Q("cap-formwork"), kL},
    SummaryLine{Q("S0"), kL},
    SummaryLine{Q("layer-height"), kL},
};

// The batch's figure columns, between id and fault.
constexpr std::array kBatchColumns = {
    BatchColumn{"S", Q("S"), kL},
    BatchColumn{"V", Q("V"), kL},
    BatchColumn{"true_S", Q("S"), kE},
    BatchColumn{"exact_V", Q("V"), kE},
    BatchColumn{"projected_S", Q("S-projected"), kE},
};

} // namespace

std::string_view AsciiUnit(QuantityUnit unit)
{
    return unit == QuantityUnit::Metre ? "m" : unit == QuantityUnit::SquareMetre ? "m2" : "m3";
}

std::string_view UnitSymbol(QuantityUnit unit)
{
    return unit == QuantityUnit::Metre ? "m" : unit == QuantityUnit::SquareMetre ? "m²" : "m³";
}

std::optional<double> LayeredFigure(const Quantity &quantity, const PierQuantities &layered)
{
    if (!quantity.layered.member)
        return std::nullopt;
    return layered.*quantity.layered.member;
}

std::optional<double> ExactFigure(const Quantity &quantity, const PierQuantities &layered, const ExactQuantities *exact)
{
    if (quantity.straight)
        return LayeredFigure(quantity, layered);
    if (!quantity.exact.member || !exact)
        return std::nullopt;
    return exact->*quantity.exact.member;
}

std::optional<double> Figure(const Quantity &quantity, Method method, const PierQuantities &layered,
                             const ExactQuantities *exact)
{
    return method == Method::Layered ? LayeredFigure(quantity, layered) : ExactFigure(quantity, layered, exact);
}

std::span<const Quantity> Quantities()
{
    return kCatalogue;
}

std::span<const Quantity *const> LayeredResults()
{
    return kLayeredResults;
}

std::span<const Quantity *const> ExactResults()
{
    return kExactResults;
}

std::span<const Quantity *const> SheetResults()
{
    return kSheetResults;
}

std::span<const SummaryLine> SummaryLines()
{
    return kSummaryLines;
}

std::span<const BatchColumn> BatchColumns()
{
    return kBatchColumns;
}

std::optional<double> PercentDifference(double layered, double exact)
{
    if (exact == 0.0)
        return std::nullopt;
    const double percent = (layered - exact) / exact * 100.0;
    if (!std::isfinite(percent))
        return std::nullopt;
    return percent;
}

std::optional<std::string> PercentDifferenceText(double layered, double exact, int decimals, ZeroSign zero)
{
    const std::optional<double> percent = PercentDifference(layered, exact);
    if (!percent)
        return std::nullopt;
    char buffer[400]; // 309 integer digits at most, sign, point and decimals
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *percent, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    const bool roundsToZero = text.find_first_not_of("-0.") == std::string::npos;
    if (roundsToZero && text.front() == '-')
        text.erase(0, 1);
    if (text.front() != '-' && (!roundsToZero || (zero == ZeroSign::PlusUnlessNegative && *percent >= 0.0)))
        text.insert(text.begin(), '+');
    return text;
}

} // namespace pierqty
