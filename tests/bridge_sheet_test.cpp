// The bridge's summary sheet read back as XML: its bill against the
// workbook's bill lines, each pier's row against the calculation, the piers
// left out, and the parts it shares with the one-pier sheet.
#include "bill/bridge_sheet.h"
#include "bill/workbook.h"
#include "calc/adopted.h"
#include "calc/numbers.h"
#include "calc/parameters.h"
#include "sheet/sheet.h"
#include "tests/xml_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace pierqty;
using namespace pierqty::bill;
using xmltest::Node;

using Changes = std::vector<std::pair<std::string, std::string>>;

ParameterTexts Texts(const Changes &changes)
{
    ParameterTexts texts = DefaultParameterTexts();
    for (const auto &[name, text] : changes)
        texts[static_cast<std::size_t>(ParameterIndex(name))] = text;
    return texts;
}

struct Summary {
    std::string html;
    std::unique_ptr<Node> root;

    Summary(const std::vector<PierRecord> &piers, const WorkbookOptions &options, sheet::TitleBlock block = {})
        : html(BuildBridgeSheet({piers, options, std::move(block), "2026-03-04"})), root(xmltest::Parse(html))
    { }

    std::string text(const std::string &id) const { return root->textOf(id); }

    std::vector<std::vector<std::string>> rows(const std::string &cls) const
    {
        std::vector<std::vector<std::string>> out;
        for (const Node *row : root->byClass(cls))
            out.push_back(row->cells());
        return out;
    }
};

// A bridge of five piers as a batch hands them on: two grades, a cell that
// is no number, a pier that stops, one that cannot be built.
std::vector<PierRecord> Bridge()
{
    return {MakePierRecord("P1", Texts({}), "C40"),
            MakePierRecord("P2", Texts({{"L1", "2.8"}, {"H1", "9.5"}, {"n", "37"}}), "C30"),
            MakePierRecord("P3", Texts({{"L2", "x"}}), "C40", "NotANumber: L2 = \"x\" is not a number"),
            MakePierRecord("P4", Texts({{"h", "5"}}), "C40"),
            MakePierRecord("P5", Texts({{"l1", "1"}}), "C40"),
            MakePierRecord("P6", Texts({{"h", "2.5"}, {"R2", "100000"}}), "C40")};
}

// The bill line for line as the workbook's, and each pier's row as its
// calculation: bill_readback.py reads both from one run.

// Three shafts of 0.0625, 0.03125 and 0.03125 m³: each row shows its own
// figure rounded, the bill and the total the tie 0.125 rounded half up once.
TEST(BridgeSheet, SumsAtFullPrecisionThenRoundsHalfUpOnce)
{
    const auto shaft = [](double volume) {
        PierRecord pier;
        pier.id = "S";
        pier.adopted = {volume, 0.0, 1.004, 1.004};
        return pier;
    };
    const Summary s({shaft(0.0625), shaft(0.03125), shaft(0.03125)}, {});
    EXPECT_EQ(s.rows("bill-line")[0][5], "0.13");
    EXPECT_EQ(s.rows("bill-line")[1][5], "3.01");
    const auto piers = s.rows("pier");
    ASSERT_EQ(piers.size(), 3u);
    EXPECT_EQ(piers[0][2], "0.06");
    EXPECT_EQ(piers[1][2], "0.03");
    EXPECT_EQ(s.root->byId("pier-total")->cells(),
              (std::vector<std::string>{"合计（3 个墩）", "0.13", "0.00", "3.01", "3.01", "—", "—"}));
}

TEST(BridgeSheet, APierLeftOutIsListedWithItsChineseReasonAndNotSummed)
{
    const std::vector<PierRecord> piers = Bridge();
    const Summary s(piers, {});
    const auto leftOut = s.rows("left-out");
    ASSERT_EQ(leftOut.size(), 3u);
    EXPECT_EQ(leftOut[0], (std::vector<std::string>{"P3", "C40", "未计入清单：输入不是数字：L2 =“x”"}));
    EXPECT_EQ(leftOut[1][0], "P4");
    EXPECT_NE(leftOut[1][2].find("未计入清单：无效参数"), std::string::npos) << leftOut[1][2];
    EXPECT_EQ(leftOut[2][0], "P5");
    EXPECT_NE(leftOut[2][2].find("未计入清单：此墩无法成立：倒角放不下端面"), std::string::npos) << leftOut[2][2];
    EXPECT_NE(s.text("bill-note").find("另有 3 个墩未计入清单"), std::string::npos) << s.text("bill-note");
    // The bill and the total are those of the three billed piers alone.
    const std::vector<PierRecord> billed = {piers[0], piers[1], piers[5]};
    const Summary alone(billed, {});
    EXPECT_EQ(s.rows("bill-line"), alone.rows("bill-line"));
    EXPECT_EQ(s.root->byId("pier-total")->cells(), alone.root->byId("pier-total")->cells());
    EXPECT_EQ(LeftOutReason(piers[0]), "");
}

// A Chinese document: no English word but the program's name and the
// standards' prefix, the minus sign U+2212, no bidirectional control.
TEST(BridgeSheet, SpeaksChineseOnly)
{
    sheet::TitleBlock block;
    block.project = "某\u202E大桥";
    block.number = "甲\u20667号";
    const Summary s(Bridge(), {}, block);
    EXPECT_EQ(xmltest::EnglishTexts(*s.root, false), std::vector<std::string>{});
    for (const char *control : {"\u202E", "\u2066"})
        EXPECT_EQ(s.html.find(control), std::string::npos);
    EXPECT_EQ(s.root->textOf("project"), "某大桥");
    EXPECT_NE(s.html.find("content: \"某大桥 · 墩号 全桥（共 6 个） · 计算书编号 甲7号\""), std::string::npos);
}

// The title block, basis and assumptions are the one-pier sheet's own, and
// a 墩号 given stays.
TEST(BridgeSheet, SharesTheTitleBlockBasisAndAssumptionsOfThePiersSheet)
{
    sheet::TitleBlock block;
    block.project = "某大桥";
    block.drawing = "S3-05";
    block.compiled = {"张三", "2026-03-01"};
    block.basis = {"地质勘察报告"};
    const Summary s(Bridge(), {}, block);
    block.pier = "1#";
    const auto pier = xmltest::Parse(sheet::CalculationSheetWithTitleBlock(Texts({}), block, "2026-03-04").value());
    for (const char *id :
         {"project", "drawing-number", "compiled-name", "compiled-date", "date", "version", "basis-list"})
        EXPECT_EQ(s.root->textOf(id), pier->textOf(id)) << id;
    EXPECT_EQ(s.root->textOf("pier"), "全桥（共 6 个）");
    EXPECT_EQ(s.root->textOf("assumptions").substr(s.root->textOf("assumptions").find("倒角")),
              pier->textOf("assumptions").substr(pier->textOf("assumptions").find("倒角")));
    EXPECT_EQ(s.root->all("h1").at(0)->textContent(), kBridgeSheetTitle);
    // The document's title names the project when there is one.
    EXPECT_EQ(s.root->all("title").at(0)->textContent(), std::string(kBridgeSheetTitle) + " — 某大桥");
    EXPECT_EQ(Summary(Bridge(), {}).root->all("title").at(0)->textContent(), kBridgeSheetTitle);
    const Summary given(Bridge(), {}, block);
    EXPECT_EQ(given.root->textOf("pier"), "1#");
    // Self-contained: no script, nothing from elsewhere.
    for (const char *element : {"script", "img", "link", "iframe"})
        EXPECT_TRUE(s.root->all(element).empty()) << element;
}

} // namespace
