#include "calc/geometry.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "calc/quantity_catalogue.h"
#include "calc/texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pierqty {
namespace {

// Published figures carry ten decimals.
constexpr double kTenDigits = 5.1e-11;

using Changes = std::vector<std::pair<const char *, const char *>>;

// The default texts with some fields changed.
ParameterTexts Texts(const Changes &changes)
{
    ParameterTexts texts = DefaultParameterTexts();
    for (const auto &[name, text] : changes)
        texts[static_cast<std::size_t>(ParameterIndex(name))] = text;
    return texts;
}

PierParameters Params(const Changes &changes = {})
{
    const auto p = parsePierParameters(Texts(changes));
    EXPECT_TRUE(p.ok());
    return p.ok() ? p.value() : PierParameters{};
}

PierQuantities Calc(const Changes &changes = {})
{
    const auto q = calculate(Params(changes));
    EXPECT_TRUE(q.ok()) << (q.ok() ? "" : q.fault().messageEn());
    return q.ok() ? q.value() : PierQuantities{};
}

std::vector<std::string> Lines(const std::string &report)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = report.find("\r\n", start);
        lines.push_back(report.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 2;
    }
}

TEST(Parameters, DefaultTextsReadAsReferenceValues)
{
    const ParameterTexts texts = DefaultParameterTexts();
    EXPECT_EQ(texts[4], "3.00");
    EXPECT_EQ(texts[10], "1000");
    const PierParameters p = Params();
    const double expected[] = {2.5, 4.488, 1.8, 13.032, 3, 0.5, 3, 0.1, 0.1, 0.5};
    const double actual[] = {p.L1, p.R1, p.L2, p.R2, p.H1, p.H2, p.h, p.l1, p.l2, p.l3};
    for (std::size_t k = 0; k < 10; ++k)
        EXPECT_EQ(actual[k], expected[k]) << kParameterNames[k];
    EXPECT_EQ(p.n, 1000);
}

TEST(Parameters, LayerCountTexts)
{
    // (Rounding half to even and its range: numbers_test's ToInt16.)
    const std::pair<const char *, int> counts[] = {{"2.5", 2}, {"32767", 32767}, {"abc", 0}};
    for (const auto &[text, n] : counts)
        EXPECT_EQ(Params({{"n", text}}).n, n) << text;
    for (const char *text : {"32768", "-40000", "1e6"}) {
        const auto p = parsePierParameters(Texts({{"n", text}}));
        ASSERT_FALSE(p.ok()) << text;
        EXPECT_EQ(p.fault().kind, FaultKind::Overflow);
        EXPECT_EQ(p.fault().parameter, 10);
    }
    const auto tooLarge = parsePierParameters(Texts({{"R2", "1e999"}, {"L1", "-1e400"}}));
    ASSERT_FALSE(tooLarge.ok());
    EXPECT_EQ(tooLarge.fault().parameter, 0) << "the first text in index order is reported";
}

// The one rule every surface follows: a text read as written, one read
// otherwise (a trailing unit, a blank, n rounded), one beyond range.
TEST(Parameters, ReadAsWrittenOrOtherwise)
{
    ParameterReadings r;
    ASSERT_TRUE(parsePierParameters(Texts({{"H2", "0.5m"}, {"l3", " "}, {"n", "2.5"}}), &r).ok());
    EXPECT_TRUE(r[0].readAsWritten());
    EXPECT_FALSE(r[5].isNumber());
    EXPECT_EQ(r[5].value, 0.5);
    EXPECT_FALSE(r[9].isNumber());
    EXPECT_EQ(r[9].value, 0.0);
    EXPECT_TRUE(r[10].isNumber());
    EXPECT_TRUE(r[10].rounded());
    EXPECT_FALSE(r[10].readAsWritten());
    EXPECT_EQ(r[10].layers, 2);
    // Where the reading stops, the layers are unknown; the range is no mark.
    ASSERT_FALSE(parsePierParameters(Texts({{"L1", "1e999"}, {"n", "2.5"}}), &r).ok());
    EXPECT_TRUE(r[0].readAsWritten());
    EXPECT_FALSE(r[10].rounded());
}

// The intermediate figures of the worked example: the sheet's formulas
// (sheet_test), and every step bit for bit against the plain evaluation
// (reference_test): not again here.

TEST(Geometry, ChamfersAndGrooves)
{
    const PierParameters bare = Params({{"l1", "0"}, {"l2", "0"}, {"l3", "0"}});
    EXPECT_EQ(SectionCut(bare).value(), 0.0);
    EXPECT_EQ(PerimeterCorrection(bare).value(), 0.0);
    EXPECT_EQ(BaseOutline(bare).value(), 2 * (2.5 + 1.8));
    const PierParameters noGroove = Params({{"l2", "0"}});
    EXPECT_NEAR(SectionCut(noGroove).value(), 0.02, 1e-15);
    EXPECT_NEAR(PerimeterCorrection(noGroove).value(), -0.2343145751, kTenDigits);
    // At y = R the root is of 0 and the offset is exactly R.
    EXPECT_EQ(FlareOffset(3.0, 3.0).value(), 3.0);
    EXPECT_EQ(FlareOffset(3.0, -3.0).value(), 3.0);
    const auto beyond = FlareOffset(4.488, 5.0);
    ASSERT_FALSE(beyond.ok());
    EXPECT_EQ(beyond.fault().kind, FaultKind::InvalidArgument);
}

struct QuantityCase {
    const char *name;
    Changes changes;
    double flareVolume, flareFormwork, S, V;
};

void PrintTo(const QuantityCase &c, std::ostream *os)
{
    *os << c.name;
}

class ReferenceQuantities : public testing::TestWithParam<QuantityCase>
{
};

TEST_P(ReferenceQuantities, Totals)
{
    const QuantityCase &c = GetParam();
    const auto q = calculate(Params(c.changes));
    ASSERT_TRUE(q.ok());
    EXPECT_NEAR(q.value().FlareVolume, c.flareVolume, kTenDigits);
    EXPECT_NEAR(q.value().FlareFormwork, c.flareFormwork, kTenDigits);
    EXPECT_NEAR(q.value().S, c.S, kTenDigits);
    EXPECT_NEAR(q.value().V, c.V, kTenDigits);
}

INSTANTIATE_TEST_SUITE_P(
    Piers, ReferenceQuantities,
    testing::Values(QuantityCase{"n1000", {}, 19.6433835286, 31.3306110312, 64.1904468491, 38.6534399008},
                    QuantityCase{"n10", {{"n", "10"}}, 19.6940614667, 32.2556581784, 65.1154939964, 38.7041178390},
                    QuantityCase{"n1", {{"n", "1"}}, 24.3301691167, 43.5943396096, 76.4541754276, 43.3402254890},
                    QuantityCase{"flat", {{"h", "0"}, {"n", "4"}}, 0, 0, 29.8597979746, 15.26}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Quantities, ReferencePierParts)
{
    const PierQuantities q = Calc();
    const std::pair<double, double> parts[] = {{q.S0, 4.36},
                                               {q.ShaftVolume, 13.08},
                                               {q.ShaftFormwork, 25.5941125497},
                                               {q.TopSection, 11.8601127445},
                                               {q.CapVolume, 5.9300563722},
                                               {q.CapFormwork, 7.2657232683},
                                               {q.LayerHeight, 0.003}};
    for (const auto &[actual, expected] : parts)
        EXPECT_NEAR(actual, expected, kTenDigits);
    // Each layer: Report.WorkedExample, and reference_test bit for bit.
}

TEST(Quantities, LongestLoop)
{
    const PierQuantities q = Calc({{"n", "32767"}});
    const CalculationTexts t = buildCalculationTexts(q);
    const auto lines = Lines(t.report);
    EXPECT_EQ(lines.size(), 32769u);
    EXPECT_EQ(lines[12346].rfind(" S12345 = ", 0), 0u);
}

TEST(Quantities, EdgeShapes)
{
    // Layer tops are computed as i * (h / n), never beyond h for n = 1.
    const PierQuantities one = Calc({{"n", "1"}});
    ASSERT_EQ(one.Layers.size(), 1u);
    EXPECT_EQ(one.Layers[0].y_i, 3.0);
    EXPECT_EQ(one.Layers[0].S_i, one.TopSection);
    // h = R1: the top section is defined, its root being of 0.
    EXPECT_TRUE(calculate(Params({{"R1", "3"}, {"n", "1"}})).ok());
    // h = 0: every layer is the base section.
    const PierQuantities flat = Calc({{"h", "0"}, {"n", "4"}});
    EXPECT_EQ(flat.TopSection, flat.S0);
    for (const LayerSection &layer : flat.Layers)
        EXPECT_EQ(layer.S_i, flat.S0);
    // No shaft or no cap: the layers do not change.
    const PierQuantities noShaft = Calc({{"H1", "0"}, {"H2", "0"}});
    EXPECT_EQ(noShaft.S, noShaft.FlareFormwork);
    EXPECT_EQ(noShaft.V, noShaft.FlareVolume);
    EXPECT_EQ(noShaft.FlareVolume, Calc().FlareVolume);
}

struct FaultCase {
    const char *name;
    Changes changes;
    FaultKind kind;
    FaultStep step;
};

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class Faults : public testing::TestWithParam<FaultCase>
{
};

TEST_P(Faults, StopWithKindAndPlace)
{
    const FaultCase &c = GetParam();
    const auto result = CalculateFromTexts(Texts(c.changes));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.fault().kind, c.kind);
    EXPECT_EQ(result.fault().step, c.step);
    const std::string en = result.fault().messageEn();
    EXPECT_EQ(en.rfind(FaultKindName(c.kind), 0), 0u) << en;
    // The Chinese message opens with the same kind, in Chinese.
    const std::map<FaultKind, std::string> zhKinds = {{FaultKind::Overflow, "溢出："},
                                                      {FaultKind::DivisionByZero, "除数为零："},
                                                      {FaultKind::InvalidOperation, "无效运算："},
                                                      {FaultKind::InvalidArgument, "无效参数："}};
    const std::string zh = result.fault().messageZh();
    EXPECT_EQ(zh.rfind(zhKinds.at(c.kind), 0), 0u) << zh;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Faults,
    testing::Values(
        FaultCase{"ZeroLayers", {{"n", "0"}}, FaultKind::DivisionByZero, FaultStep::LayerHeight},
        FaultCase{"NoLayersNoHeight", {{"n", "0"}, {"h", "0"}}, FaultKind::InvalidOperation, FaultStep::LayerHeight},
        FaultCase{"NegativeLayers", {{"n", "-1"}}, FaultKind::InvalidArgument, FaultStep::LayerHeight},
        FaultCase{
            "MostNegativeLayers", {{"n", "-32768"}, {"h", "0"}}, FaultKind::InvalidArgument, FaultStep::LayerHeight},
        FaultCase{"TooManyLayers", {{"n", "32768"}}, FaultKind::Overflow, FaultStep::ReadParameter},
        FaultCase{"HugeText", {{"H2", "1e309"}}, FaultKind::Overflow, FaultStep::ReadParameter},
        FaultCase{"HAboveR1", {{"h", "5"}}, FaultKind::InvalidArgument, FaultStep::TopSection},
        FaultCase{"HAboveR2", {{"R1", "100"}, {"R2", "2"}}, FaultKind::InvalidArgument, FaultStep::TopSection},
        FaultCase{"HugeSection", {{"L1", "1e200"}, {"L2", "1e200"}}, FaultKind::Overflow, FaultStep::S0},
        FaultCase{"HugeChamfer", {{"l1", "1e160"}}, FaultKind::Overflow, FaultStep::SectionCut},
        FaultCase{"HugeTotalVolume",
                  {{"L1", "7.7e153"}, {"L2", "7.7e153"}, {"H1", "1.6"}, {"H2", "1.6"}, {"h", "0.01"}},
                  FaultKind::Overflow,
                  FaultStep::TotalVolume},
        FaultCase{"HugeShaft", {{"H1", "1e307"}, {"L1", "1e3"}}, FaultKind::Overflow, FaultStep::ShaftVolume},
        FaultCase{"HugeCap", {{"H2", "1e307"}, {"L1", "1e3"}}, FaultKind::Overflow, FaultStep::CapVolume},
        FaultCase{"HugeLayerVolume",
                  {{"L1", "1e200"}, {"R1", "1e154"}, {"R2", "1e154"}, {"h", "1e120"}, {"n", "2"}},
                  FaultKind::Overflow,
                  FaultStep::Layer},
        FaultCase{"HugeRadius",
                  {{"h", "1e300"}, {"R1", "1e300"}, {"R2", "1e300"}, {"n", "2"}},
                  FaultKind::Overflow,
                  FaultStep::TopSection}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Faults, OverflowingTextNamesItsParameter)
{
    for (int k = kFieldL1; k < kFieldN; ++k) {
        const std::string name(kParameterNames[static_cast<std::size_t>(k)]);
        const auto result = CalculateFromTexts(Texts({{name.c_str(), "1e999"}}));
        ASSERT_FALSE(result.ok()) << name;
        const std::string en = result.fault().messageEn(), zh = result.fault().messageZh();
        EXPECT_NE(en.find("parameter " + name + " = \"1e999\""), std::string::npos) << en;
        EXPECT_NE(zh.find("参数 " + name + " 的输入“1e999”"), std::string::npos) << zh;
    }
}

TEST(Faults, LongTextsAreQuotedShort)
{
    // A pasted megabyte must not make the message as wide as the screen.
    const std::string huge = "9" + std::string(1 << 20, '0');
    for (const char *name : {"L1", "n"}) {
        const auto result = CalculateFromTexts(Texts({{name, huge.c_str()}}));
        ASSERT_FALSE(result.ok());
        EXPECT_LT(result.fault().messageEn().size(), 300u) << name;
        EXPECT_LT(result.fault().messageZh().size(), 300u) << name;
        EXPECT_NE(result.fault().messageEn().find("\"9" + std::string(38, '0') + "\u2026\""), std::string::npos)
            << name;
        EXPECT_NE(result.fault().messageZh().find("0000\u2026\u201d"), std::string::npos) << name;
    }
    // A short text is quoted whole.
    EXPECT_NE(CalculateFromTexts(Texts({{"n", "40000"}})).fault().messageEn().find("\"40000\""), std::string::npos);
}

TEST(Faults, NegativeLayerCountAsksForOneTo32767)
{
    const auto result = CalculateFromTexts(Texts({{"n", "-1000"}}));
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.fault().messageEn().find("n = -1000"), std::string::npos) << result.fault().messageEn();
    EXPECT_NE(result.fault().messageEn().find("from 1 to 32767"), std::string::npos) << result.fault().messageEn();
    EXPECT_NE(result.fault().messageZh().find("1～32767"), std::string::npos) << result.fault().messageZh();
    // n = 0 keeps its own fault.
    EXPECT_EQ(CalculateFromTexts(Texts({{"n", "0"}})).fault().kind, FaultKind::DivisionByZero);
}

TEST(Faults, LayerFaultSaysWhereAndWhatToChange)
{
    CalculationFault f;
    f.kind = FaultKind::InvalidArgument;
    f.step = FaultStep::Layer;
    f.layer = 12;
    f.height = 3.5;
    f.radiusIndex = 2;
    f.radius = 3.25;
    EXPECT_NE(f.messageEn().find("layer 12 at 3.5 m lies beyond radius R2 = 3.25 m"), std::string::npos)
        << f.messageEn();
    EXPECT_NE(f.messageZh().find("第 12 层"), std::string::npos) << f.messageZh();
    // No other layer count can help: the layer tops never pass h.
    EXPECT_EQ(f.messageEn().find("layer count"), std::string::npos) << f.messageEn();
    EXPECT_EQ(f.messageZh().find("层数"), std::string::npos) << f.messageZh();
}

// A flare that ends horizontal: h equals R1 (or R2). The last layer top
// n x (h / n) may round just above h, where R^2 - y^2 < 0.
class HorizontalFlareEnd : public testing::TestWithParam<const char *>
{
};

TEST_P(HorizontalFlareEnd, EveryLayerCountGivesAResult)
{
    const char *radius = GetParam();
    const PierParameters base = Params({{"R1", radius}, {"h", radius}});
    const double h = base.h;
    int mended = 0;
    for (int n = 1; n <= 32767; ++n) {
        // Every count whose last layer top rounds above h runs in full, and
        // every 64th of the others as a sample.
        const bool above = static_cast<double>(n) * (h / static_cast<double>(n)) > h;
        if (!above && n % 64 != 0)
            continue;
        PierParameters p = base;
        p.n = static_cast<std::int16_t>(n);
        const auto q = calculate(p);
        ASSERT_TRUE(q.ok()) << "n = " << n << ": " << q.fault().messageEn();
        const PierQuantities &r = q.value();
        ASSERT_EQ(r.Layers.size(), static_cast<std::size_t>(n));
        const LayerSection &last = r.Layers.back();
        EXPECT_LE(std::fabs(last.y_i - h), std::nextafter(h, 10.0) - h) << n;
        if (above && last.y_i == h) {
            // Evaluated at h itself: the top section, bit for bit.
            ++mended;
            EXPECT_EQ(last.S_i, r.TopSection) << n;
        }
        EXPECT_TRUE(std::isfinite(r.S) && std::isfinite(r.V)) << n;
    }
    // The counts that used to stop: 1,546 at 3 m, 121 at 4.488 m.
    EXPECT_EQ(mended, std::string(radius) == "3" ? 1546 : 121);
}

INSTANTIATE_TEST_SUITE_P(Radii, HorizontalFlareEnd, testing::Values("3", "4.488"),
                         [](const auto &info) { return std::string(info.param) == "3" ? "R3" : "R4488"; });

TEST(HorizontalFlareEndCases, OnlyTheRoundedLayerChanges)
{
    // (n = 187 at R1 = h = 3, which used to stop: HorizontalFlareEnd.)
    // A radius larger than h keeps the rounded layer top bit for bit.
    const PierQuantities wide = Calc({{"n", "187"}});
    EXPECT_EQ(wide.Layers.back().y_i, 3.0000000000000004);

    // The same for R2, and for a flare measured downwards (h < 0).
    const PierQuantities r2 = Calc({{"R1", "100"}, {"R2", "3"}, {"n", "187"}});
    EXPECT_EQ(r2.Layers.back().y_i, 3.0);
    const PierQuantities down = Calc({{"R1", "3"}, {"h", "-3"}, {"n", "187"}});
    EXPECT_EQ(down.Layers.back().y_i, -3.0);
    EXPECT_EQ(down.Layers.back().S_i, down.TopSection);
}

TEST(Report, WorkedExample)
{
    const auto result = CalculateFromTexts(DefaultParameterTexts());
    ASSERT_TRUE(result.ok());
    const CalculationTexts &t = result.value();
    EXPECT_EQ(t.areaText, "64.190447 m2");
    EXPECT_EQ(t.volumeText, "38.653440 m3");
    // 21,032 characters, of which three are CJK (three UTF-8 bytes each).
    EXPECT_EQ(t.report.size(), 21032u + 3 * 2);
    EXPECT_NE(t.report.substr(t.report.size() - 2), "\r\n");
    EXPECT_EQ(t.report.back(), '2');
    const auto lines = Lines(t.report);
    ASSERT_EQ(lines.size(), 1002u);
    const std::pair<std::size_t, const char *> expected[] = {{1, " \u5355\u5c42\u9ad8 = 0.003000 m"},
                                                             {2, " S0 = 4.360000 m2"},
                                                             {3, " S1 = 4.360005 m2"},
                                                             {4, " S2 = 4.360021 m2"},
                                                             {5, " S3 = 4.360048 m2"},
                                                             {502, " S500 = 5.811607 m2"},
                                                             {899, " S897 = 9.997696 m2"},
                                                             {900, " S898 = 10.013766 m2"},
                                                             {1001, " S999 = 11.839842 m2"},
                                                             {1002, " S1000 = 11.860113 m2"}};
    for (const auto &[line, text] : expected)
        EXPECT_EQ(lines[line - 1], text) << "line " << line;
}

TEST(Report, ShortReports)
{
    const auto one = Lines(buildCalculationTexts(Calc({{"n", "1"}})).report);
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[2], " S1 = 11.860113 m2");
    // Chamfers larger than the section give a negative area, shown signed.
    const auto negative = Lines(
        buildCalculationTexts(Calc({{"L1", "0.5"}, {"L2", "0.5"}, {"l1", "0.5"}, {"l2", "0"}, {"n", "1"}})).report);
    EXPECT_EQ(negative[1], " S0 = -0.250000 m2");
}

// A quantity added to the catalogue but left out of an output.
TEST(QuantityCatalogue, EveryFigureReachesEachOutput)
{
    std::set<std::string_view> keys, layered, exact, sheet;
    for (const Quantity *q : LayeredResults())
        layered.insert(q->layered.name);
    for (const Quantity *q : ExactResults())
        exact.insert(q->exact.name);
    for (const Quantity *q : SheetResults())
        sheet.insert(q->key);
    for (const Quantity &q : Quantities()) {
        EXPECT_TRUE(keys.insert(q.key).second) << q.key;
        EXPECT_TRUE(!q.layered.member || layered.contains(q.layered.name)) << q.key;
        EXPECT_TRUE(!q.exact.member || exact.contains(q.exact.name)) << q.key;
        EXPECT_EQ(!q.item.empty() && !q.face(), sheet.contains(q.key)) << q.key;
    }
    // The difference's sign: the text report's and the sheet's.
    EXPECT_EQ(PercentDifferenceText(2.0, 2.0, 6, ZeroSign::PlusUnlessNegative), "+0.000000");
    EXPECT_EQ(PercentDifferenceText(2.0, 2.0, 3, ZeroSign::None), "0.000");
    EXPECT_EQ(PercentDifferenceText(1.9999999, 2.0, 3, ZeroSign::PlusUnlessNegative), "0.000");
    EXPECT_EQ(PercentDifferenceText(1.0, 2.0, 3, ZeroSign::None), "-50.000");
    EXPECT_EQ(PercentDifferenceText(1.0, 0.0, 3, ZeroSign::None), std::nullopt);
}

} // namespace
} // namespace pierqty
