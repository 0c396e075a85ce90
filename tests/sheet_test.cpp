// The calculation sheet read back as XML: figures, sections, layer table,
// drawing, plots, escaping, self-containment; and the files it is saved to.
#include "calc/adopted.h"
#include "calc/exact.h"
#include "calc/geometry.h"
#include "calc/numbers.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "sheet/files.h"
#include "sheet/markup.h"
#include "sheet/plot.h"
#include "sheet/sheet.h"
#include "tests/scratch_folder.h"
#include "tests/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace pierqty;
using xmltest::Node;

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

struct Sheet {
    PierParameters p;
    PierQuantities q;
    ExactOutcome exact;
    std::string html;
    std::unique_ptr<Node> root;

    const ExactQuantities &e() const { return std::get<ExactQuantities>(exact); }

    std::string text(const std::string &id) const { return root->textOf(id); }
    std::vector<std::string> cells(const std::string &rowId) const { return root->byId(rowId)->cells(); }
};

Sheet MakeSheet(const std::vector<std::pair<std::string, std::string>> &changes = {}, const std::string &subject = "")
{
    Sheet s;
    ParameterTexts texts = DefaultParameterTexts();
    for (const auto &[name, text] : changes)
        texts[static_cast<std::size_t>(ParameterIndex(name))] = text;
    ParameterReadings readings;
    s.p = parsePierParameters(texts, &readings).value();
    s.q = calculate(s.p).value();
    s.exact = CalculateExact(s.p);
    s.html = sheet::BuildCalculationSheet({texts, readings, s.p, s.q, s.exact, subject, "2026-01-02"});
    s.root = xmltest::Parse(s.html);
    return s;
}

// The (x, y) pairs of an SVG polyline's points or of a path's d, without
// an arc's radii.
std::vector<std::pair<double, double>> Pairs(const std::string &text)
{
    std::vector<std::pair<double, double>> out;
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        const auto comma = token.find(',');
        if (comma == std::string::npos || token[0] == 'A')
            continue;
        const std::size_t start = (token[0] == 'M' || token[0] == 'L') ? 1 : 0;
        out.emplace_back(std::stod(token.substr(start, comma - start)), std::stod(token.substr(comma + 1)));
    }
    return out;
}

// A printed figure as a number: the sheet writes the minus sign U+2212.
double Number(std::string text)
{
    if (text.starts_with("−"))
        text.replace(0, std::string("−").size(), "-");
    return std::stod(text);
}

// Width and height of the box around the points.
std::pair<double, double> Extent(const std::vector<std::pair<double, double>> &points)
{
    const auto [left, right] = std::minmax_element(points.begin(), points.end());
    const auto [top, bottom] = std::minmax_element(points.begin(), points.end(),
                                                   [](const auto &a, const auto &b) { return a.second < b.second; });
    return {right->first - left->first, bottom->second - top->second};
}

// The worked example: every section, its figures, its drawing, and nothing
// taken from elsewhere.
TEST(Sheet, DefaultPierReadsBackInFull)
{
    const Sheet s = MakeSheet();
    EXPECT_TRUE(s.html.starts_with("<!DOCTYPE html>"));
    EXPECT_EQ(s.text("date"), "2026-01-02");
    EXPECT_EQ(s.text("version"), sheet::kSheetVersion);
    const auto sections = s.root->all("section");
    ASSERT_EQ(sections.size(), 9u);
    for (std::size_t k = 0; k < sections.size(); ++k)
        EXPECT_TRUE(sections[k]->all("h2").at(0)->textContent().starts_with(std::to_string(k + 1) + " ")) << k;
    for (const char *id : {"layer-table", "plot-area", "plot-outline", "plot-volume", "plot-formwork"})
        EXPECT_NE(s.root->byId(id), nullptr) << id;
    // Real tables with a header row, so that they paste as cells.
    for (const Node *table : s.root->all("table")) {
        if (table->attribute("id") == "title-block")
            continue; // a form of labelled fields
        EXPECT_TRUE(table->all("thead").size() == 1 && !table->all("td").empty()) << table->attribute("id");
    }

    // Self-contained: no script, no reference to a file or an address.
    for (const char *element : {"script", "link", "img", "iframe", "object", "embed", "use", "image", "a", "base"})
        EXPECT_TRUE(s.root->all(element).empty()) << element;
    const std::string svg = "http://www.w3.org/2000/svg";
    for (std::size_t at = 0; (at = s.html.find("http", at)) != std::string::npos; ++at)
        EXPECT_EQ(s.html.compare(at, svg.size(), svg), 0) << s.html.substr(at, 40);
    EXPECT_EQ(s.html.find("url("), std::string::npos);
    EXPECT_EQ(s.html.find("@import"), std::string::npos);

    // Each formula of the worked example with its figures put in.
    const std::string method = s.text("method");
    for (const char *line :
         {"2 × 0.12 + 2 × (0.5 + 0.1) × 0.1 = 0.140000 m²", "2.5 × 1.8 − 0.140000 = 4.360000 m²",
          "4√2 × (0.1 + 0.1) − 8 × 0.1 − 4 × 0.1 = −0.068629 m", "2 × (2.5 + 1.8) + (−0.068629) = 8.531371 m",
          "3 × 4.360000 = 13.080000 m³", "8.531371 × 3 = 25.594113 m²", "4.488 − √(4.4882 − 32) = 1.150015 m",
          "13.032 − √(13.0322 − 32) = 0.350004 m", "4.800030 × 2.500008 − 0.140000 = 11.860113 m²",
          "0.5 × 11.860113 = 5.930056 m³", "14.531447 × 0.5 = 7.265723 m²", "3 / 1000 = 0.003000 m",
          "31.330611 + 25.594113 + 7.265723 = 64.190447 m²", "5.930056 + 13.080000 + 19.643384 = 38.653440 m³",
          "12.157912 + 17.121203 + 1.704766 + 1.834658 = 32.818540 m²",
          "32.818540 + 25.594113 + 7.265723 = 65.678375 m²", "5.930056 + 13.080000 + 19.643378 = 38.653435 m³"})
        EXPECT_NE(method.find(line), std::string::npos) << line;

    // Each figure of the exact method beside its integral.
    for (const auto &[id, value] : {std::pair{"x-V2", s.e().FlareVolume},
                                    {"x-S2p", s.e().ProjectedFlareFormwork},
                                    {"x-end", s.e().EndFaces},
                                    {"x-grooved", s.e().GroovedFaces},
                                    {"x-walls", s.e().GrooveWalls},
                                    {"x-chamfers", s.e().Chamfers},
                                    {"x-S2", s.e().TrueFlareFormwork},
                                    {"x-S", s.e().S},
                                    {"x-V", s.e().V}})
        EXPECT_EQ(s.text(id), formatQuantity(value)) << id;

    // Results: layered, exact, and the difference in percent of exact.
    const std::tuple<const char *, double, double> rows[] = {
        {"r-shaft-volume", s.q.ShaftVolume, s.q.ShaftVolume},
        {"r-flare-volume", s.q.FlareVolume, s.e().FlareVolume},
        {"r-cap-volume", s.q.CapVolume, s.q.CapVolume},
        {"r-V", s.q.V, s.e().V},
        {"r-shaft-formwork", s.q.ShaftFormwork, s.q.ShaftFormwork},
        {"r-flare-projected", s.q.FlareFormwork, s.e().ProjectedFlareFormwork},
        {"r-flare-true", s.q.FlareFormwork, s.e().TrueFlareFormwork},
        {"r-cap-formwork", s.q.CapFormwork, s.q.CapFormwork},
        {"r-S-projected", s.q.S, s.e().ProjectedS},
        {"r-S", s.q.S, s.e().S}};
    for (const auto &[row, layered, exact] : rows) {
        const auto cells = s.cells(row);
        ASSERT_EQ(cells.size(), 6u) << row;
        EXPECT_EQ(cells[3], formatQuantity(layered)) << row;
        EXPECT_EQ(cells[4], formatQuantity(exact)) << row;
        EXPECT_NEAR(Number(cells[5]), (layered - exact) / exact * 100.0, 0.0005) << row;
    }
    // The true flare formwork is about 5 % above the layered figure.
    EXPECT_LT(Number(s.cells("r-flare-true")[5]), -4.0);

    // True formwork by face: the faces add up to the flare's.
    double faces = 0.0;
    for (const char *row : {"face-end", "face-grooved", "face-groove-walls", "face-chamfers"})
        faces += std::stod(s.cells(row)[4]);
    EXPECT_NEAR(faces, s.e().TrueFlareFormwork, 3e-6);
    EXPECT_EQ(s.cells("face-flare")[4], formatQuantity(s.e().TrueFlareFormwork));
    EXPECT_EQ(s.cells("face-total")[4], formatQuantity(s.e().S));

    // The drawing, labelled with the values and to scale.
    const Node *drawing = s.root->byId("drawing");
    ASSERT_NE(drawing, nullptr);
    const std::string labels = drawing->textContent();
    for (const char *label : {"L1=2.5", "L2=1.8", "R1=4.488", "R2=13.032", "H1=3", "h=3", "H2=0.5", "l1=0.1", "l2=0.1",
                              "l3=0.5", "=4.800", "=2.500"})
        EXPECT_NE(labels.find(label), std::string::npos) << label;

    // Both elevations at one scale: as tall as the pier (6.5 m), as wide as
    // its top (4.8 m and 2.5 m), with arcs of radius R1 and R2.
    const auto outlines = drawing->byClass("outline");
    ASSERT_EQ(outlines.size(), 3u); // front, side, section
    const double scale = Extent(Pairs(outlines[0]->attribute("d"))).second / 6.5;
    const double tops[] = {4.8, 2.5}, radii[] = {4.488, 13.032};
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string d = outlines[k]->attribute("d");
        const auto [width, height] = Extent(Pairs(d));
        EXPECT_NEAR(height / scale, 6.5, 0.002) << k;
        EXPECT_NEAR(width / scale, tops[k], 0.002) << k;
        EXPECT_NEAR(std::stod(d.substr(d.find(" A") + 2)) / scale, radii[k], 0.002) << k;
    }
    // The section: 16 corners (4 chamfers, 2 grooves of 4), L1 across, L2 up.
    const auto section = Pairs(outlines[2]->attribute("d"));
    EXPECT_EQ(section.size(), 16u);
    const auto [width, height] = Extent(section);
    EXPECT_NEAR(width / height, 2.5 / 1.8, 0.001);
}

// The table lists every k-th layer, k = ceil(n / 50), and the last; each
// row's figures are the loop's, so that any row can be checked by hand.
TEST(Sheet, LayerTableStepsRegularlyPlusTheLastAndEachRowIsTheLoops)
{
    for (const int n : {1, 7, 50, 51, 100, 101, 1000, 32767}) {
        SCOPED_TRACE(n);
        const Sheet s = MakeSheet({{"n", std::to_string(n)}});
        const auto rows = s.root->byId("layer-table")->byClass("layer");
        const int k = (n + 49) / 50;
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(n / k + (n % k != 0)));
        for (std::size_t j = 0; j < rows.size(); ++j) {
            const auto cells = rows[j]->all("td");
            ASSERT_EQ(cells.size(), 9u);
            const int i = std::stoi(cells[0]->textContent());
            EXPECT_EQ(i, j + 1 == rows.size() ? n : static_cast<int>(j + 1) * k);
            const auto at = static_cast<std::size_t>(i - 1);
            const LayerSection &layer = s.q.Layers[at];
            const double below = i == 1 ? s.q.S0 : s.q.Layers[at - 1].S_i;
            double sumVolume = 0.0, sumFormwork = 0.0;
            for (std::size_t m = 0; m <= at; ++m) {
                sumVolume = s.q.Layers[m].volume + sumVolume;
                sumFormwork = s.q.Layers[m].formwork + sumFormwork;
            }
            const double figures[] = {layer.y_i,     below,          layer.S_i, layer.volume,
                                      layer.outline, layer.formwork, sumVolume, sumFormwork};
            for (std::size_t c = 0; c < 8; ++c)
                EXPECT_EQ(cells[c + 1]->textContent(), formatQuantity(figures[c]))
                    << "row " << i << " column " << c + 1;
        }
        // The last running sums are the flare's totals.
        EXPECT_EQ(rows.back()->all("td")[7]->textContent(), formatQuantity(s.q.FlareVolume));
        EXPECT_EQ(rows.back()->all("td")[8]->textContent(), formatQuantity(s.q.FlareFormwork));
        // A sampled table says so, with its step; no sheet names a command.
        EXPECT_EQ(s.text("layer-note").find("每 " + std::to_string(k) + " 层") != std::string::npos, k > 1);
        EXPECT_EQ(s.html.find("pierqty-cli"), std::string::npos);
    }
}

// The first and the last layer worked in full: each figure is the one the
// layer loop computed, and the formula put beside it reproduces it.
TEST(Sheet, WorkedLayersAreTheCalculationsOwn)
{
    for (const int n : {1, 7, 1000}) {
        SCOPED_TRACE(n);
        const Sheet s = MakeSheet({{"n", std::to_string(n)}, {"R1", "5"}});
        for (const int i : {1, n}) {
            const LayerSection &layer = s.q.Layers[static_cast<std::size_t>(i - 1)];
            const std::string id = "worked-" + std::to_string(i) + "-";
            EXPECT_EQ(s.text(id + "y"), formatQuantity(layer.y_i));
            EXPECT_EQ(s.text(id + "A"), formatQuantity(layer.S_i));
            EXPECT_EQ(s.text(id + "U"), formatQuantity(layer.outline));
            EXPECT_EQ(s.text(id + "dV"), formatQuantity(layer.volume));
            EXPECT_EQ(s.text(id + "dS"), formatQuantity(layer.formwork));
            // A_i = L1(y_i) x L2(y_i) - A_c, as the sheet writes it, is the loop's S_i bit for bit.
            const double length1 = FlaredLength1(s.p, layer.y_i).value(),
                         length2 = FlaredLength2(s.p, layer.y_i).value();
            EXPECT_EQ(length1 * length2 - s.q.SectionCut, layer.S_i);
            const std::string worked = s.text("worked-" + std::to_string(i));
            EXPECT_NE(worked.find(formatQuantity(length1) + " × " + formatQuantity(length2) + " − "),
                      std::string::npos);
            // Each offset from its own radius: R1 = 5 for L1, R2 = 13.032 for L2.
            EXPECT_NE(worked.find("(y" + std::to_string(i) + ") = 5 − √(52 − "), std::string::npos) << worked;
            EXPECT_NE(worked.find("(y" + std::to_string(i) + ") = 13.032 − √(13.0322 − "), std::string::npos);
            EXPECT_NE(worked.find(i == 1 ? "（第一层）" : "（最后一层）"), std::string::npos) << worked;
        }
        EXPECT_EQ(s.root->byId("worked-" + std::to_string(n + 1)), nullptr);
        // The sums as formulas with their figures.
        EXPECT_NE(s.text("method").find(" × " + formatQuantity([&] {
                                            double outlines = 0.0;
                                            for (const LayerSection &layer : s.q.Layers)
                                                outlines += layer.outline;
                                            return outlines;
                                        }()) +
                                        " = " + formatQuantity(s.q.FlareFormwork)),
                  std::string::npos);
    }
}

TEST(Sheet, UserTextsAreEscapedAndMarkedWhenNotReadAsWritten)
{
    // Markup, controls, bytes that are not UTF-8 or not characters, line ends.
    // Bidirectional overrides and isolates (U+202E, U+2066, U+2069) are removed.
    const std::string subject = "\xE2\x80\xAE\xE2\x81\xA6<script>alert('x')</script> & \"q\" <img src=\"y\"> "
                                "\xE2\x81\xA9\x01\x7f\xC2\x85\xC2\xA0|\xC0\xAF|"
                                "\xED\xA0\x80|\xF4\x90\x80\x80|\xEF\xBF\xBE|墩\xF0\x9F\x98\x80\r\n\rz\t\xE5\xA2";
    const Sheet s = MakeSheet({{"L1", "2.5<b>&\x02"}, {"n", "2.5"}, {"h", "abc"}}, subject);
    const std::string r = kReplacement;
    const std::string shown = "<script>alert('x')</script> & \"q\" <img src=\"y\"> " + r + r + r + "\xC2\xA0|" + r + r +
        "|" + r + r + r + "|" + r + r + r + r + "|" + r + "|墩\xF0\x9F\x98\x80\n\nz\t" + r + r;
    EXPECT_EQ(s.text("project"), shown);
    EXPECT_TRUE(s.root->all("title").at(0)->textContent().ends_with(" — " + shown));

    // Texts not read as written carry a mark and a note that says how they were read.
    EXPECT_EQ(s.cells("parameter-L1")[2], "2.5<b>&" + r + " ※");
    EXPECT_EQ(s.cells("parameter-n")[3], "2");
    EXPECT_EQ(s.cells("parameter-L2")[2], "1.8");
    const auto notes = s.root->byClass("marked-note");
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_NE(notes[0]->textContent().find("L1：“2.5<b>&" + r + "”"), std::string::npos);
    EXPECT_NE(notes[1]->textContent().find("没有数字"), std::string::npos);
    EXPECT_NE(notes[2]->textContent().find("取整为 2 层"), std::string::npos);
}

TEST(Sheet, PlotsStayInTheirFrameAndCumulativeCurvesNeverFall)
{
    const std::vector<std::vector<std::pair<std::string, std::string>>> piers = {
        {}, {{"n", "1"}}, {{"n", "32767"}}, {{"h", "3"}, {"R1", "3"}, {"n", "7"}}, {{"H1", "0"}, {"H2", "0"}}};
    for (const auto &changes : piers) {
        const Sheet s = MakeSheet(changes);
        // Every point, line end and label inside the picture.
        for (const Node *svg : s.root->all("svg")) {
            double width = 0, height = 0;
            std::istringstream(svg->attribute("viewBox").substr(4)) >> width >> height;
            for (const Node *node : svg->all("")) {
                std::vector<std::pair<double, double>> points = Pairs(node->attribute("points"));
                for (const auto &[x, y] :
                     {std::pair<const char *, const char *>{"x", "y"}, {"x1", "y1"}, {"x2", "y2"}}) {
                    if (!node->attribute(x).empty())
                        points.emplace_back(std::stod(node->attribute(x)), std::stod(node->attribute(y)));
                }
                for (const auto &[x, y] : points)
                    EXPECT_TRUE(x >= 0 && x <= width && y >= 0 && y <= height) << node->name << " " << x << "," << y;
            }
        }
        for (const char *name : {"cumulative-volume", "cumulative-formwork", "cumulative-true-formwork"}) {
            const auto curves = s.root->byClass(name);
            ASSERT_EQ(curves.size(), 1u) << name;
            const auto points = Pairs(curves[0]->attribute("points"));
            // The shaft's foot and top, the layers, the cap's foot and top.
            ASSERT_GE(points.size(), 5u) << name;
            for (std::size_t k = 1; k < points.size(); ++k) {
                EXPECT_GE(points[k].first, points[k - 1].first) << name << " point " << k;
                // Screen y grows downward: a rising curve never has a larger y.
                EXPECT_LE(points[k].second, points[k - 1].second) << name << " point " << k;
            }
        }
    }
}

// A pier that cannot be built has no sheet: the fault says why in Chinese.
TEST(Sheet, RefusedForAPierThatCannotBeBuilt)
{
    const std::tuple<const char *, const char *, const char *> piers[] = {
        {"L1", "-1", "L1 = −1，截面长度必须大于 0"},
        {"R1", "-4.488", "R1 = −4.488，外弧半径必须大于 0"},
        {"h", "-3", "h = −3，长度不能为负"},
        {"l1", "1", "倒角放不下端面（L2 − 2l1 < 0）；倒角与槽放不下带槽面"}};
    for (const auto &[name, text, reason] : piers) {
        ParameterTexts texts = DefaultParameterTexts();
        texts[static_cast<std::size_t>(ParameterIndex(name))] = text;
        const auto sheet = sheet::CalculationSheetFromTexts(texts, "某桥", "2026-01-02");
        ASSERT_FALSE(sheet) << name;
        EXPECT_EQ(sheet.fault().kind, FaultKind::NotBuildable) << name;
        EXPECT_EQ(sheet.fault().messageZh().rfind(std::string("此墩无法成立：") + reason, 0), 0u)
            << sheet.fault().messageZh();
    }
    // The default pier, and one whose chamfers just fit, have their sheet.
    EXPECT_TRUE(sheet::CalculationSheetFromTexts(DefaultParameterTexts(), "", "2026-01-02"));
    ParameterTexts fits = DefaultParameterTexts();
    fits[kFieldl1] = "0.85";
    EXPECT_TRUE(sheet::CalculationSheetWithTitleBlock(fits, {}, "2026-01-02"));
}

// 结论 adopts the exact volume and the true formwork, each rounded half up
// to 2 decimals after summing at full precision.
TEST(Sheet, ConclusionAdoptsExactVolumeAndTrueFormworkRoundedHalfUp)
{
    const Sheet s = MakeSheet();
    EXPECT_EQ(s.cells("adopted-V")[2], "38.65");
    EXPECT_EQ(s.cells("adopted-curved")[2], "32.82");
    EXPECT_EQ(s.cells("adopted-straight")[2], "32.86");
    EXPECT_EQ(s.cells("adopted-formwork")[2], "65.68");
    EXPECT_EQ(s.cells("adopted-V")[0], "混凝土 V");
    EXPECT_NE(s.text("layered-line").find("分层法（程序窗口所示）：S = 64.190447 m²（较合计 −2.265 %）"),
              std::string::npos);

    // A cap height at which the true formwork is the double nearest 65.675,
    // found by bisection on H2 (only the cap's formwork moves with it):
    // printf's "%.2f" gives 65.67 (the double lies just below the tie), the
    // bill's half-up rounding of the figure as written gives 65.68.
    const auto trueS = [](double H2) {
        ParameterTexts texts = DefaultParameterTexts();
        texts[kFieldH2] = ShortestText(H2);
        return std::get<ExactQuantities>(CalculateExact(parsePierParameters(texts).value())).S;
    };
    double low = 0.499, high = 0.5;
    while (std::nextafter(low, high) < high) {
        const double middle = low + (high - low) / 2;
        (trueS(middle) < 65.675 ? low : high) = middle;
    }
    ASSERT_EQ(trueS(high), 65.675);
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.2f", trueS(high));
    EXPECT_STREQ(printed, "65.67");
    const Sheet tie = MakeSheet({{"H2", ShortestText(high)}});
    EXPECT_EQ(tie.cells("adopted-formwork")[2], "65.68");
    // Each line rounded from its own full-precision total.
    EXPECT_EQ(tie.cells("adopted-straight")[2], RoundHalfUpText(tie.q.ShaftFormwork + tie.q.CapFormwork, 2));
    EXPECT_EQ(tie.cells("adopted-curved")[2], RoundHalfUpText(tie.e().TrueFlareFormwork, 2));
    EXPECT_EQ(tie.cells("adopted-V")[2], RoundHalfUpText(tie.e().V, 2));
}

// A Chinese document: no English word but the program's name, the units
// and the standards' prefix; one minus sign; no number with an exponent.
TEST(Sheet, SpeaksChineseWithOneMinusSignAndNoExponent)
{
    const std::vector<std::vector<std::pair<std::string, std::string>>> piers = {
        {},
        {{"L1", "1.2"}, {"L2", "1.0"}, {"H1", "12"}, {"h", "2"}, {"R1", "2.5"}, {"R2", "6"}},
        {{"H1", "0.5"}, {"h", "6"}, {"R1", "8"}, {"R2", "20"}, {"L1", "4"}, {"L2", "3"}},
        {{"R2", "100000"}},
        {{"R2", "1e60"}, {"n", "32767"}},
        {{"h", "3"}, {"R1", "3"}, {"n", "7"}}};
    // The texts as typed (class "typed") are the user's own.
    const auto typed = [](const Node &node) { return node.attribute("class") == "typed"; };
    for (const auto &changes : piers) {
        const Sheet s = MakeSheet(changes, "某桥");
        EXPECT_EQ(xmltest::EnglishTexts(*s.root, true, typed), std::vector<std::string>{});
    }
}

// A side with R >= 100000 is drawn straight and called vertical; its flat
// faces are not called curved; a radius of 1e60 still draws.
TEST(Sheet, VerticalSideIsDrawnStraightAndItsFacesAreFlat)
{
    for (const char *R2 : {"100000", "1e60"}) {
        SCOPED_TRACE(R2);
        const Sheet s = MakeSheet({{"R2", R2}});
        const Node *drawing = s.root->byId("drawing");
        ASSERT_NE(drawing, nullptr);
        const auto outlines = drawing->byClass("outline");
        ASSERT_EQ(outlines.size(), 3u);
        EXPECT_NE(outlines[0]->attribute("d").find(" A"), std::string::npos); // R1 still an arc
        EXPECT_EQ(outlines[1]->attribute("d").find(" A"), std::string::npos);
        EXPECT_EQ(outlines[1]->attribute("d").find("—"), std::string::npos);
        EXPECT_EQ(Pairs(outlines[1]->attribute("d")).size(), 8u);
        EXPECT_NE(drawing->textContent().find("竖直（R2 ≥ 100000）"), std::string::npos);
        EXPECT_EQ(s.cells("face-grooved")[2], "竖直平面");
        EXPECT_EQ(s.cells("face-groove-walls")[2], "竖直平面");
        EXPECT_EQ(s.cells("face-end")[2], "R1 圆弧曲面");
    }
    // The groove walls of a vertical side are flat: 4 sqrt2 l2 h.
    EXPECT_EQ(MakeSheet({{"R2", "100000"}}).cells("face-groove-walls")[4], "1.697056");
}

TEST(Markup, EscapedTextReadsBackInTextAndAttributesAndCoordinatesAreShort)
{
    const std::string escaped = sheet::Escaped("a<b>&\"c' \x01\r\n");
    const auto p = xmltest::Parse("<p t=\"" + escaped + "\">" + escaped + "</p>");
    EXPECT_EQ(p->attribute("t"), "a<b>&\"c' " + kReplacement + "\n");
    EXPECT_EQ(p->textContent(), p->attribute("t"));
    EXPECT_EQ(sheet::Coordinate(12.345), "12.35");
    EXPECT_EQ(sheet::Coordinate(-0.001), "0");
    EXPECT_EQ(sheet::Coordinate(40.0), "40");
    EXPECT_EQ(sheet::Fixed(-0.0004, 3), "0.000");
}

TEST(Plot, RoundTicksThatCoverTheRange)
{
    const std::pair<double, double> ranges[] = {{0, 64.1904},   {4.36, 11.8601}, {0, 0.003},
                                                {-0.25, 38.65}, {0, 6.5},        {1000, 1000}};
    for (const auto &[low, high] : ranges) {
        double step = 0;
        const auto ticks = sheet::RoundTicks(low, high, 5, step);
        ASSERT_GE(ticks.size(), 3u);
        EXPECT_LE(ticks.size(), 12u);
        EXPECT_LE(ticks.front(), low);
        EXPECT_GE(ticks.back(), high);
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9)
            << step;
        for (double tick : ticks)
            EXPECT_NEAR(tick / step, std::round(tick / step), 1e-9);
    }
}

TEST(SheetFiles, IdsBecomeSafeFileNames)
{
    const std::pair<const char *, const char *> cases[] = {
        {"墩 P-01#", "墩 P-01#"},    {"../../etc/passwd", "_._.__etc_passwd"},
        {"a..b. ", "a._b"},          {"nul.txt", "_nul.txt"},
        {"Com1", "_Com1"},           {"COM10", "COM10"},
        {"lpt9.html", "_lpt9.html"}, {"", "pier"},
        {"x\x01y\x7f\xFF", "x_y__"}, {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"}};
    for (const auto &[id, expected] : cases)
        EXPECT_EQ(sheet::SafeFileStem(id), expected) << id;
    // At most 120 bytes, cut at a character boundary.
    EXPECT_EQ(sheet::SafeFileStem(std::string(117, 'x') + "墩"), std::string(117, 'x') + "墩");
    EXPECT_EQ(sheet::SafeFileStem(std::string(118, 'x') + "墩"), std::string(118, 'x'));
}

TEST(SheetFiles, AWriteReplacesTheWholeFileOrLeavesEverythingAsItWas)
{
    namespace fs = std::filesystem;
    const pierqty::test::ScratchFolder scratch;
    const fs::path &folder = scratch.path();
    fs::create_directories(folder / "taken.html" / "inside");
    // Paths travel as UTF-8, whatever the system's code page (a shorter text
    // replacing a longer one: files_test).
    const std::string path = sheet::Utf8FromPath(folder / sheet::PathFromUtf8("计算书.html"));
    std::string error;
    ASSERT_TRUE(sheet::WriteAtomically(path, "short", error)) << error;
    std::stringstream content;
    content << std::ifstream(sheet::PathFromUtf8(path), std::ios::binary).rdbuf();
    EXPECT_EQ(content.str(), "short");
    // A folder in the way: the rename fails after the text was written.
    EXPECT_FALSE(sheet::WriteAtomically(sheet::Utf8FromPath(folder / "taken.html"), "text", error));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2); // no temporary left
}

} // namespace
