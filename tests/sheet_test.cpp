// The calculation sheet read back as XML: figures, sections, layer table,
// drawing, plots, escaping, self-containment; and the files it is saved to.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "platform/numbers.h"
#include "sheet/files.h"
#include "sheet/markup.h"
#include "sheet/plot.h"
#include "sheet/sheet.h"
#include "tests/scratch_folder.h"
#include "tests/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

    std::string text(const std::string &id) const
    {
        const Node *node = root->byId(id);
        return node ? node->textContent() : "(no #" + id + ")";
    }

    // The text of each cell of a table row.
    std::vector<std::string> cells(const std::string &rowId) const
    {
        std::vector<std::string> out;
        for (const Node *cell : root->byId(rowId)->all("td"))
            out.push_back(cell->textContent());
        return out;
    }
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
    s.exact = calculateExact(s.p);
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
    ASSERT_EQ(sections.size(), 6u);
    for (std::size_t k = 0; k < sections.size(); ++k)
        EXPECT_TRUE(sections[k]->all("h2").at(0)->textContent().starts_with(std::to_string(k + 1) + " ")) << k;
    for (const char *id : {"layer-table", "plot-area", "plot-outline", "plot-volume", "plot-formwork"})
        EXPECT_NE(s.root->byId(id), nullptr) << id;
    // Real tables with a header row, so that they paste as cells.
    for (const Node *table : s.root->all("table"))
        EXPECT_TRUE(table->all("thead").size() == 1 && !table->all("td").empty());

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
          "4√2 × (0.1 + 0.1) − 8 × 0.1 − 4 × 0.1 = -0.068629 m", "2 × (2.5 + 1.8) + (-0.068629) = 8.531371 m",
          "3 × 4.360000 = 13.080000 m³", "8.531371 × 3 = 25.594113 m²", "4.488 − √(4.4882 − 32) = 1.150015 m",
          "13.032 − √(13.0322 − 32) = 0.350004 m", "4.800030 × 2.500008 − 0.140000 = 11.860113 m²",
          "0.5 × 11.860113 = 5.930056 m³", "14.531447 × 0.5 = 7.265723 m²", "3 / 1000 = 0.003000 m",
          "31.330611 + 25.594113 + 7.265723 = 64.190447 m²", "5.930056 + 13.080000 + 19.643384 = 38.653440 m³"})
        EXPECT_NE(method.find(line), std::string::npos) << line;

    for (const auto &[id, value] : {std::pair{"summary-S-layered", s.q.S},
                                    {"summary-V-layered", s.q.V},
                                    {"summary-S-exact", s.e().S},
                                    {"summary-V-exact", s.e().V}})
        EXPECT_EQ(s.text(id), FormatFixed6(value)) << id;

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
        EXPECT_EQ(cells[3], FormatFixed6(layered)) << row;
        EXPECT_EQ(cells[4], FormatFixed6(exact)) << row;
        EXPECT_NEAR(std::stod(cells[5]), (layered - exact) / exact * 100.0, 0.0005) << row;
    }
    // The true flare formwork is about 5 % above the layered figure.
    EXPECT_LT(std::stod(s.cells("r-flare-true")[5]), -4.0);

    // True formwork by face: the faces add up to the flare's.
    double faces = 0.0;
    for (const char *row : {"face-end", "face-grooved", "face-groove-walls", "face-chamfers"})
        faces += std::stod(s.cells(row)[4]);
    EXPECT_NEAR(faces, s.e().TrueFlareFormwork, 3e-6);
    EXPECT_EQ(s.cells("face-flare")[4], FormatFixed6(s.e().TrueFlareFormwork));
    EXPECT_EQ(s.cells("face-total")[4], FormatFixed6(s.e().S));

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

TEST(Sheet, EveryLayerUpToAHundredThenFiftyWithTheFirstAndLast)
{
    for (const int n : {7, 100, 101, 32767}) {
        SCOPED_TRACE(n);
        const Sheet s = MakeSheet({{"n", std::to_string(n)}});
        const auto rows = s.root->byId("layer-table")->byClass("layer");
        ASSERT_EQ(rows.size(), n <= 100 ? static_cast<std::size_t>(n) : 50u);
        int previous = 0;
        for (const Node *row : rows) {
            const auto cells = row->all("td");
            ASSERT_EQ(cells.size(), 8u);
            const int i = std::stoi(cells[0]->textContent());
            EXPECT_GT(i, previous);
            previous = i;
            const LayerSection &layer = s.q.Layers[static_cast<std::size_t>(i - 1)];
            EXPECT_EQ(cells[1]->textContent(), FormatFixed6(layer.y_i));
            EXPECT_EQ(cells[2]->textContent(), FormatFixed6(layer.S_i));
        }
        EXPECT_EQ(std::stoi(rows.front()->all("td")[0]->textContent()), 1);
        EXPECT_EQ(previous, n);
        // The last running sums are the flare's totals.
        EXPECT_EQ(rows.back()->all("td")[6]->textContent(), FormatFixed6(s.q.FlareVolume));
        EXPECT_EQ(rows.back()->all("td")[7]->textContent(), FormatFixed6(s.q.FlareFormwork));
        // A sampled table says so, with the count of layers.
        EXPECT_EQ(s.text("layer-note").find(std::to_string(n)) != std::string::npos, n > 100);
    }
}

TEST(Sheet, UserTextsAreEscapedAndMarkedWhenNotReadAsWritten)
{
    // Markup, controls, bytes that are not UTF-8 or not characters, line ends.
    const std::string subject = "<script>alert('x')</script> & \"q\" <img src=\"y\"> \x01\x7f\xC2\x85\xC2\xA0|\xC0\xAF|"
                                "\xED\xA0\x80|\xF4\x90\x80\x80|\xEF\xBF\xBE|墩\xF0\x9F\x98\x80\r\n\rz\t\xE5\xA2";
    const Sheet s = MakeSheet({{"L1", "2.5<b>&\x02"}, {"n", "2.5"}, {"h", "abc"}}, subject);
    const std::string r = kReplacement;
    const std::string shown = "<script>alert('x')</script> & \"q\" <img src=\"y\"> " + r + r + r + "\xC2\xA0|" + r + r +
        "|" + r + r + r + "|" + r + r + r + r + "|" + r + "|墩\xF0\x9F\x98\x80\n\nz\t" + r + r;
    EXPECT_EQ(s.text("subject"), shown);
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

TEST(Sheet, ReasonWhereExactQuantitiesDoNotApply)
{
    // Chamfers wider than half the end face: no exact figures, no drawing.
    const Sheet s = MakeSheet({{"l1", "1.2"}});
    ASSERT_TRUE(std::holds_alternative<NotApplicable>(s.exact));
    EXPECT_NE(s.text("exact-reason").find(std::get<NotApplicable>(s.exact).reason), std::string::npos);
    EXPECT_EQ(s.cells("r-S")[4], "—");
    EXPECT_EQ(s.root->byId("face-table"), nullptr);
    EXPECT_EQ(s.root->byId("drawing"), nullptr);
    EXPECT_TRUE(s.root->byClass("cumulative-true-formwork").empty());
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
    // Paths travel as UTF-8, whatever the system's code page.
    const std::string path = sheet::Utf8FromPath(folder / sheet::PathFromUtf8("计算书.html"));
    std::string error;
    ASSERT_TRUE(sheet::WriteAtomically(path, std::string(100000, 'a'), error)) << error;
    ASSERT_TRUE(sheet::WriteAtomically(path, "short", error)) << error;
    std::stringstream content;
    content << std::ifstream(sheet::PathFromUtf8(path), std::ios::binary).rdbuf();
    EXPECT_EQ(content.str(), "short");
    // A folder in the way: the rename fails after the text was written.
    EXPECT_FALSE(sheet::WriteAtomically(sheet::Utf8FromPath(folder / "taken.html"), "text", error));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2); // no temporary left
}

} // namespace
