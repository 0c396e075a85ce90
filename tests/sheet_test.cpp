// The calculation sheet read back as XML: its figures, sections, layer
// table, plots, escaping and self-containment; and the files it is saved to.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "platform/numbers.h"
#include "sheet/files.h"
#include "sheet/markup.h"
#include "sheet/plot.h"
#include "sheet/sheet.h"
#include "tests/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace pierqty;
using xmltest::Node;

constexpr const char *kReplacement = "\xEF\xBF\xBD";

struct Sheet {
    ParameterTexts texts;
    ParameterReadings readings;
    PierParameters p;
    PierQuantities q;
    ExactOutcome exact;
    std::string html;
    std::unique_ptr<Node> root;

    const ExactQuantities &e() const { return std::get<ExactQuantities>(exact); }

    std::string text(const std::string &id) const
    {
        const Node *node = root->byId(id);
        if (!node)
            throw std::runtime_error("no element with id " + id);
        return node->textContent();
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
    s.texts = DefaultParameterTexts();
    for (const auto &[name, text] : changes)
        s.texts[static_cast<std::size_t>(ParameterIndex(name))] = text;
    s.p = parsePierParameters(s.texts, &s.readings).value();
    s.q = calculate(s.p).value();
    s.exact = calculateExact(s.p);
    s.html = sheet::BuildCalculationSheet({s.texts, s.readings, s.p, s.q, s.exact, subject, "2026-01-02"});
    s.root = xmltest::Parse(s.html);
    return s;
}

std::string F6(double value)
{
    return FormatFixed6(value);
}

// The points of an SVG polyline as (x, y) pairs.
std::vector<std::pair<double, double>> Points(const Node &polyline)
{
    std::vector<std::pair<double, double>> out;
    std::istringstream in(polyline.attribute("points"));
    std::string pair;
    while (in >> pair) {
        const auto comma = pair.find(',');
        out.emplace_back(std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1)));
    }
    return out;
}

TEST(Sheet, DefaultPierHasEverySectionInOrder)
{
    const Sheet s = MakeSheet({}, "某大桥 3# 墩");
    EXPECT_TRUE(s.html.starts_with("<!DOCTYPE html>"));
    EXPECT_EQ(s.root->name, "html");
    EXPECT_EQ(s.root->attribute("lang"), "zh-CN");
    ASSERT_EQ(s.root->all("h1").size(), 1u);
    EXPECT_EQ(s.root->all("h1")[0]->textContent(), "花瓶墩模板面积及混凝土方量计算书");
    EXPECT_EQ(s.text("subject"), "某大桥 3# 墩");
    EXPECT_EQ(s.text("date"), "2026-01-02");
    EXPECT_EQ(s.text("version"), "pierqty 1.00");

    std::vector<std::string> headings;
    for (const Node *h2 : s.root->all("h2"))
        headings.push_back(h2->textContent());
    EXPECT_EQ(headings,
              (std::vector<std::string>{"1 输入参数", "2 计算简图", "3 计算方法", "4 计算结果", "5 曲线", "6 分层表"}));
    for (const char *id : {"parameters", "drawing", "result-table", "face-table", "layer-table", "plot-area",
                           "plot-outline", "plot-volume", "plot-formwork"})
        EXPECT_NE(s.root->byId(id), nullptr) << id;
    // Real tables with a header row, so that they paste as cells.
    for (const Node *table : s.root->all("table")) {
        EXPECT_EQ(table->all("thead").size(), 1u);
        EXPECT_FALSE(table->all("td").empty());
    }
}

TEST(Sheet, FiguresReadBackEqualTheCalculation)
{
    const Sheet s = MakeSheet();
    // The worked example's figures, as the window shows them.
    EXPECT_EQ(s.text("summary-S-layered"), "64.190447");
    EXPECT_EQ(s.text("summary-V-layered"), "38.653440");
    EXPECT_EQ(s.text("summary-S-exact"), F6(s.e().S));
    EXPECT_EQ(s.text("summary-V-exact"), F6(s.e().V));

    // Shaft, cap and S0 with the figures put in, checkable by hand.
    EXPECT_EQ(s.text("f-S0"), "4.360000");
    EXPECT_EQ(s.text("f-V1"), "13.080000");
    EXPECT_EQ(s.text("f-S1"), "25.594113");
    EXPECT_EQ(s.text("f-top"), "11.860113");
    EXPECT_EQ(s.text("f-V3"), "5.930056");
    EXPECT_EQ(s.text("f-S3"), "7.265723");
    EXPECT_EQ(s.text("f-dh"), "0.003000");
    std::string method = s.root->byId("method")->textContent();
    EXPECT_NE(method.find("2.5 × 1.8 − 0.140000 = 4.360000 m²"), std::string::npos);
    EXPECT_NE(method.find("3 × 4.360000 = 13.080000 m³"), std::string::npos);
    EXPECT_NE(method.find("0.5 × 11.860113 = 5.930056 m³"), std::string::npos);
    EXPECT_NE(method.find("= 64.190447 m²"), std::string::npos);

    // Results: layered, exact, and the difference in percent of exact.
    const struct {
        const char *row;
        double layered, exact;
    } rows[] = {{"r-shaft-volume", s.q.ShaftVolume, s.q.ShaftVolume},
                {"r-flare-volume", s.q.FlareVolume, s.e().FlareVolume},
                {"r-cap-volume", s.q.CapVolume, s.q.CapVolume},
                {"r-V", s.q.V, s.e().V},
                {"r-shaft-formwork", s.q.ShaftFormwork, s.q.ShaftFormwork},
                {"r-flare-projected", s.q.FlareFormwork, s.e().ProjectedFlareFormwork},
                {"r-flare-true", s.q.FlareFormwork, s.e().TrueFlareFormwork},
                {"r-cap-formwork", s.q.CapFormwork, s.q.CapFormwork},
                {"r-S-projected", s.q.S, s.e().ProjectedS},
                {"r-S", s.q.S, s.e().S}};
    for (const auto &row : rows) {
        const auto cells = s.cells(row.row);
        ASSERT_EQ(cells.size(), 6u) << row.row;
        EXPECT_EQ(cells[3], F6(row.layered)) << row.row;
        EXPECT_EQ(cells[4], F6(row.exact)) << row.row;
        const double percent = std::stod(cells[5]);
        EXPECT_NEAR(percent, (row.layered - row.exact) / row.exact * 100.0, 0.0005) << row.row;
    }
    // The true flare formwork is about 5 % above the layered figure.
    EXPECT_LT(std::stod(s.cells("r-flare-true")[5]), -4.0);

    // True formwork by face, and the faces add up to the flare's.
    double faces = 0.0;
    for (const char *row : {"face-end", "face-grooved", "face-groove-walls", "face-chamfers"})
        faces += std::stod(s.cells(row)[4]);
    EXPECT_NEAR(faces, s.e().TrueFlareFormwork, 3e-6);
    EXPECT_EQ(s.cells("face-flare")[4], F6(s.e().TrueFlareFormwork));
    EXPECT_EQ(s.cells("face-total")[4], F6(s.e().S));

    // Inputs: the text as typed and the value used.
    EXPECT_EQ(s.cells("parameter-H1")[2], "3.00");
    EXPECT_EQ(s.cells("parameter-H1")[3], "3");
    EXPECT_EQ(s.cells("parameter-R2")[3], "13.032");
    EXPECT_EQ(s.cells("parameter-n")[3], "1000");
    EXPECT_TRUE(s.root->byClass("mark").empty());
}

TEST(Sheet, DrawingIsToScaleWithTheActualValues)
{
    const Sheet s = MakeSheet();
    const Node *drawing = s.root->byId("drawing");
    ASSERT_NE(drawing, nullptr);
    const std::string labels = drawing->textContent();
    for (const char *label : {"L1=2.5", "L2=1.8", "R1=4.488", "R2=13.032", "H1=3", "h=3", "H2=0.5", "l1=0.1", "l2=0.1",
                              "l3=0.5", "=4.800", "=2.500"})
        EXPECT_NE(labels.find(label), std::string::npos) << label;

    // The two elevations are drawn at one scale: their outlines carry arcs
    // whose radii stand as R1 : R2.
    const auto outlines = drawing->byClass("outline");
    ASSERT_EQ(outlines.size(), 3u); // front, side, section
    std::vector<double> radii;
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string d = outlines[k]->attribute("d");
        const auto a = d.find(" A");
        ASSERT_NE(a, std::string::npos);
        radii.push_back(std::stod(d.substr(a + 2)));
    }
    EXPECT_NEAR(radii[0] / radii[1], 4.488 / 13.032, 0.002);

    // The section's outline: 16 corners (4 chamfers, 2 grooves of 4 corners).
    const std::string section = outlines[2]->attribute("d");
    EXPECT_EQ(std::count(section.begin(), section.end(), 'L'), 15);
}

class LayerTable : public testing::TestWithParam<int>
{
};

TEST_P(LayerTable, EveryLayerUpToAHundredThenFiftyWithTheFirstAndLast)
{
    const int n = GetParam();
    const Sheet s = MakeSheet({{"n", std::to_string(n)}});
    const auto rows = s.root->byId("layer-table")->byClass("layer");
    const std::size_t expected = n <= 100 ? static_cast<std::size_t>(n) : 50u;
    ASSERT_EQ(rows.size(), expected);
    int previous = 0;
    for (const Node *row : rows) {
        const auto cells = row->all("td");
        ASSERT_EQ(cells.size(), 8u);
        const int i = std::stoi(cells[0]->textContent());
        EXPECT_GT(i, previous);
        previous = i;
        const LayerSection &layer = s.q.Layers[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(cells[1]->textContent(), F6(layer.y_i));
        EXPECT_EQ(cells[2]->textContent(), F6(layer.S_i));
    }
    EXPECT_EQ(std::stoi(rows.front()->all("td")[0]->textContent()), 1);
    EXPECT_EQ(std::stoi(rows.back()->all("td")[0]->textContent()), n);
    // The last running sums are the flare's totals.
    EXPECT_EQ(rows.back()->all("td")[6]->textContent(), F6(s.q.FlareVolume));
    EXPECT_EQ(rows.back()->all("td")[7]->textContent(), F6(s.q.FlareFormwork));

    const Node *note = s.root->byId("layer-note");
    if (n <= 100) {
        EXPECT_EQ(note, nullptr);
    } else {
        ASSERT_NE(note, nullptr);
        EXPECT_NE(note->textContent().find("pierqty-cli --csv"), std::string::npos);
        EXPECT_NE(note->textContent().find(std::to_string(n)), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, LayerTable, testing::Values(7, 100, 101, 32767));

TEST(Sheet, NoExternalReferenceOfAnyKind)
{
    // A subject that looks like references must stay text.
    const Sheet s = MakeSheet({}, "see https://example.com/x.png url(a.css) <img src=\"y\">");
    const std::string svgNamespace = "http://www.w3.org/2000/svg";
    for (const char *element : {"script", "link", "img", "iframe", "object", "embed", "use", "image", "a", "base",
                                "audio", "video", "source", "foreignObject"})
        EXPECT_TRUE(s.root->all(element).empty()) << element;
    std::vector<const Node *> all;
    s.root->collect([](const Node &) { return true; }, all);
    for (const Node *node : all) {
        for (const auto &[key, value] : node->attributes) {
            EXPECT_TRUE(key != "href" && key != "src" && key != "xlink:href" && key != "srcset" && key != "action" &&
                        key != "style" && !key.starts_with("on"))
                << node->name << " " << key;
            if (key == "xmlns")
                EXPECT_EQ(value, svgNamespace);
            else
                EXPECT_TRUE(value.find("http") == std::string::npos && value.find("url(") == std::string::npos &&
                            value.find("//") == std::string::npos)
                    << node->name << " " << key << "=" << value;
        }
    }
    const auto styles = s.root->all("style");
    ASSERT_EQ(styles.size(), 1u);
    const std::string css = styles[0]->textContent();
    EXPECT_EQ(css.find("url("), std::string::npos);
    EXPECT_EQ(css.find("@import"), std::string::npos);
    EXPECT_EQ(css.find("@font-face"), std::string::npos);
    // Outside the user's text, "http" appears only as the SVG namespace.
    const Sheet plain = MakeSheet();
    std::size_t at = 0, count = 0;
    while ((at = plain.html.find("http", at)) != std::string::npos) {
        EXPECT_EQ(plain.html.compare(at, svgNamespace.size(), svgNamespace), 0);
        ++at, ++count;
    }
    EXPECT_EQ(count, 5u); // the drawing and four plots
}

TEST(Sheet, UserTextsAreEscapedAndMarkedWhenNotReadAsWritten)
{
    const std::string subject = "<script>alert('x')</script> & \"q\" ../../etc \x01\x1b\x7f \xC2\x85 \xFF end\r\n2";
    const Sheet s = MakeSheet({{"L1", "2.5<b>&\x02"}, {"n", "2.5"}, {"h", "abc"}}, subject);
    EXPECT_TRUE(s.root->all("script").empty());
    EXPECT_TRUE(s.root->all("b").size() >= 1); // the formulas' own bold figures only
    for (const Node *b : s.root->all("b"))
        EXPECT_NE(b->attribute("id"), "");
    const std::string r = kReplacement;
    const std::string shown =
        "<script>alert('x')</script> & \"q\" ../../etc " + r + r + r + " " + r + " " + r + " end\n2";
    EXPECT_EQ(s.text("subject"), shown);
    EXPECT_NE(s.root->all("title")[0]->textContent().find("<script>alert('x')</script>"), std::string::npos);

    const auto l1 = s.cells("parameter-L1");
    EXPECT_EQ(l1[2], "2.5<b>&" + r + " ※");
    EXPECT_EQ(l1[3], "2.5");
    EXPECT_EQ(s.cells("parameter-n")[3], "2");
    EXPECT_EQ(s.cells("parameter-h")[3], "0");
    EXPECT_EQ(s.cells("parameter-L2")[2], "1.8"); // read as written: no mark
    const auto notes = s.root->byClass("marked-note");
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_NE(notes[0]->textContent().find("L1"), std::string::npos);
    EXPECT_NE(notes[1]->textContent().find("没有数字"), std::string::npos);
    EXPECT_NE(notes[2]->textContent().find("取整为 2 层"), std::string::npos);
}

TEST(Sheet, CumulativeCurvesNeverFall)
{
    const std::vector<std::vector<std::pair<std::string, std::string>>> piers = {
        {}, {{"n", "1"}}, {{"n", "32767"}}, {{"h", "3"}, {"R1", "3"}, {"n", "7"}}, {{"H1", "0"}, {"H2", "0"}}};
    for (const auto &changes : piers) {
        const Sheet s = MakeSheet(changes);
        for (const char *name : {"cumulative-volume", "cumulative-formwork", "cumulative-true-formwork"}) {
            const auto curves = s.root->byClass(name);
            ASSERT_EQ(curves.size(), 1u) << name;
            const auto points = Points(*curves[0]);
            ASSERT_GE(points.size(), 4u) << name;
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
    // Chamfers wider than half the end face: the layered figures exist, the
    // exact ones and the drawing do not.
    const Sheet s = MakeSheet({{"l1", "1.2"}});
    ASSERT_TRUE(std::holds_alternative<NotApplicable>(s.exact));
    const std::string reason = std::get<NotApplicable>(s.exact).reason;
    EXPECT_NE(s.text("exact-reason").find(reason), std::string::npos);
    EXPECT_EQ(s.cells("r-S")[3], F6(s.q.S));
    EXPECT_EQ(s.cells("r-S")[4], "—");
    EXPECT_EQ(s.root->byId("face-table"), nullptr);
    EXPECT_EQ(s.root->byId("drawing"), nullptr);
    EXPECT_TRUE(s.root->byClass("cumulative-true-formwork").empty());
    EXPECT_EQ(s.root->byClass("cumulative-volume").size(), 1u);
}

TEST(Sheet, FromTextsStopsAtTheFirstFault)
{
    ParameterTexts texts = DefaultParameterTexts();
    texts[10] = "0";
    const auto sheet = sheet::CalculationSheetFromTexts(texts, "x", "2026-01-02");
    ASSERT_FALSE(sheet.ok());
    EXPECT_EQ(sheet.fault().kind, FaultKind::DivisionByZero);
    texts[10] = "40000";
    EXPECT_EQ(sheet::CalculationSheetFromTexts(texts, "x", "").fault().kind, FaultKind::Overflow);
}

TEST(Markup, EscapesMarkupAndReplacesWhatXmlForbids)
{
    EXPECT_EQ(sheet::Escaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(sheet::Escaped("x\r\ny\rz\n\tw"), "x\ny\nz\n\tw");
    const std::string r = kReplacement;
    EXPECT_EQ(sheet::Escaped(std::string("\0\x1f\x7f", 3)), r + r + r);
    EXPECT_EQ(sheet::Escaped("\xC2\x9F|\xC2\xA0"), r + "|\xC2\xA0"); // C1 control, then no-break space kept
    EXPECT_EQ(sheet::Escaped("\xC0\xAF"), r + r); // overlong "/"
    EXPECT_EQ(sheet::Escaped("\xED\xA0\x80"), r + r + r); // surrogate
    EXPECT_EQ(sheet::Escaped("\xEF\xBF\xBE"), r); // U+FFFE
    EXPECT_EQ(sheet::Escaped("\xE5\xA2\xA9\xF0\x9F\x98\x80"), "\xE5\xA2\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(sheet::Escaped("\xE5\xA2"), r + r); // cut short

    EXPECT_EQ(sheet::Coordinate(12.345), "12.35");
    EXPECT_EQ(sheet::Coordinate(-0.001), "0");
    EXPECT_EQ(sheet::Coordinate(40.0), "40");
    EXPECT_EQ(sheet::Fixed(-0.0004, 3), "0.000");
}

TEST(PlotTicks, RoundValuesThatCoverTheRange)
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
        const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        const double mantissa = step / power;
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9)
            << step;
        for (double tick : ticks)
            EXPECT_NEAR(tick / step, std::round(tick / step), 1e-9);
    }
}

TEST(SheetFiles, IdsBecomeSafeFileNames)
{
    const std::pair<const char *, const char *> cases[] = {{"P-01", "P-01"},
                                                           {"墩 3#", "墩 3#"},
                                                           {"../../etc/passwd", "_._.__etc_passwd"},
                                                           {"..", "_"},
                                                           {"a..b", "a._b"},
                                                           {"CON", "_CON"},
                                                           {"nul.txt", "_nul.txt"},
                                                           {"Com1", "_Com1"},
                                                           {"COM10", "COM10"},
                                                           {"lpt9.html", "_lpt9.html"},
                                                           {"a. ", "a"},
                                                           {"", "pier"},
                                                           {"x\x01y\x7f", "x_y_"},
                                                           {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
                                                           {"\xFF", "_"}};
    for (const auto &[id, expected] : cases)
        EXPECT_EQ(sheet::SafeFileStem(id), expected) << id;
    // Long ids are cut at a character boundary.
    std::string longId;
    for (int k = 0; k < 100; ++k)
        longId += "墩";
    const std::string stem = sheet::SafeFileStem(longId);
    EXPECT_LE(stem.size(), 120u);
    EXPECT_EQ(stem.size() % 3, 0u);
}

class SheetFilesWrite : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = std::filesystem::path(testing::TempDir()) /
            ("pierqty_sheet_files_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            out.push_back(sheet::Utf8FromPath(entry.path().filename()));
        std::sort(out.begin(), out.end());
        return out;
    }

    std::filesystem::path folder;
};

TEST_F(SheetFilesWrite, ReplacesTheWholeFileAndLeavesNoTemporary)
{
    // Paths travel as UTF-8, whatever the system's code page.
    const std::string path = sheet::Utf8FromPath(folder / sheet::PathFromUtf8("计算书.html"));
    std::string error;
    ASSERT_TRUE(sheet::WriteAtomically(path, std::string(100000, 'a'), error)) << error;
    ASSERT_TRUE(sheet::WriteAtomically(path, "short", error)) << error;
    std::ifstream in(sheet::PathFromUtf8(path), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "short");
    EXPECT_EQ(names(), std::vector<std::string>{"计算书.html"});
}

TEST_F(SheetFilesWrite, AFailedWriteLeavesNothingBehind)
{
    std::string error;
    // The target is a folder: the rename fails after the text was written.
    std::filesystem::create_directories(folder / "taken.html" / "inside");
    EXPECT_FALSE(sheet::WriteAtomically((folder / "taken.html").string(), "text", error));
    EXPECT_NE(error, "");
    EXPECT_EQ(names(), std::vector<std::string>{"taken.html"});
    // The folder does not exist.
    error.clear();
    EXPECT_FALSE(sheet::WriteAtomically((folder / "missing" / "x.html").string(), "text", error));
    EXPECT_NE(error, "");
    EXPECT_EQ(names(), std::vector<std::string>{"taken.html"});
}

} // namespace
