#include "bill/bridge_sheet.h"

#include "calc/adopted.h"
#include "calc/exact.h"
#include "calc/numbers.h"
#include "calc/parameters.h"
#include "sheet/document.h"
#include "sheet/markup.h"

#include <algorithm>
#include <variant>

namespace pierqty::bill {

namespace {

// Rules of this document only, after the shared ones.
constexpr std::string_view kBridgeStyle = R"CSS(
#bill-table { table-layout: fixed; }
#bill-table col.serial { width: 10mm; } #bill-table col.code { width: 27mm; } #bill-table col.name { width: 30mm; }
#bill-table col.unit { width: 15mm; } #bill-table col.quantity { width: 24mm; }
#bill-table td.code { font-variant-numeric: tabular-nums; }
#pier-table col.id { width: 18mm; } #pier-table col.grade { width: 15mm; }
#pier-table td.reason { overflow-wrap: anywhere; word-break: break-all; }
#pier-table tr.total td { font-weight: bold; border-top: 1pt solid #000; }
)CSS";

// Six decimals with the minus sign U+2212, as the window shows them.
std::string N6(double value)
{
    return sheet::WithMinusSign(formatQuantity(value));
}

// A quantity as the bill rounds it: half up to 2 decimals.
std::string Q2(double value)
{
    return sheet::WithMinusSign(RoundHalfUpText(value, 2));
}

std::size_t BilledCount(const std::vector<PierRecord> &piers)
{
    return static_cast<std::size_t>(
        std::count_if(piers.begin(), piers.end(), [](const PierRecord &p) { return p.billed(); }));
}

class BridgeSheetWriter
{
public:
    BridgeSheetWriter(const BridgeSheetInput &input, std::string &out) : in(input), block(input.block), w(out)
    {
        if (block.pier.empty())
            block.pier = "全桥（共 " + std::to_string(in.piers.size()) + " 个）";
    }

    void write()
    {
        w.raw("<!DOCTYPE html>\n");
        w.open("html", {{"lang", "zh-CN"}});
        w.open("head");
        w.empty("meta", {{"charset", "utf-8"}});
        w.empty("meta", {{"name", "generator"}, {"content", in.version}});
        std::string title(kBridgeSheetTitle);
        if (!block.project.empty())
            title += " — " + block.project;
        w.element("title", title);
        w.open("style").raw(sheet::SheetStyle(sheet::RunningHeader(block))).raw(kBridgeStyle).close();
        w.close(); // head
        w.open("body");
        sheet::WriteTitleBlock(w, kBridgeSheetTitle, block, in.date, in.version);
        bill();
        pierTable();
        sheet::WriteBasis(w, block, "3 计算依据");
        sheet::WriteAssumptions(w, "4 计算假定");
        w.close(); // body
        w.close(); // html
        w.raw("\n");
    }

private:
    void billLine(int serial, const BillLine &line)
    {
        w.open("tr", {{"class", "bill-line"}});
        w.element("td", std::to_string(serial), {{"class", "c"}});
        w.element("td", line.code, {{"class", "c code"}});
        w.element("td", line.name, {{"class", "wrap"}});
        w.open("td", {{"class", "wrap features"}});
        std::size_t start = 0;
        for (std::size_t end = line.features.find('\n');; end = line.features.find('\n', start)) {
            if (start > 0)
                w.empty("br");
            w.text(line.features.substr(start, end == std::string::npos ? end : end - start));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        w.close();
        w.element("td", line.unit, {{"class", "c"}});
        w.element("td", sheet::WithMinusSign(line.quantityText), {{"class", "num quantity"}});
        w.close();
    }

    // 1 工程量清单: the workbook's bill, and what its quantities are.
    void bill()
    {
        const std::vector<BillLine> lines = BillLines(in.piers, in.options);
        const std::size_t billed = BilledCount(in.piers);
        w.open("section", {{"id", "bill"}});
        w.element("h2", "1 工程量清单");
        w.open("table", {{"id", "bill-table"}, {"class", "keep"}});
        w.element("caption", "表 1　分部分项工程量清单");
        w.open("colgroup");
        for (const char *column : {"serial", "code", "name", "features", "unit", "quantity"})
            w.empty("col", {{"class", column}});
        w.close();
        w.open("thead").open("tr");
        for (const char *head : {"序号", "项目编码", "项目名称", "项目特征描述", "计量单位", "工程量"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        int serial = 0;
        for (const BillLine &line : lines)
            billLine(++serial, line);
        w.close().close();
        std::string note = "注：工程量为 " + std::to_string(billed) +
            " 个墩的精确混凝土体积和真实模板接触面积，全精度求和后四舍五入至 2 位小数；各墩数值见表 2。";
        if (billed < in.piers.size())
            note += "另有 " + std::to_string(in.piers.size() - billed) + " 个墩未计入清单，原因见表 2。";
        w.element("p", note, {{"class", "note"}, {"id", "bill-note"}});
        w.element("p", sheet::kMeasurementRule, {{"class", "note"}, {"id", "rule"}});
        w.close();
    }

    void pierTableHead()
    {
        w.open("thead").open("tr");
        for (const char *head :
             {"墩号", "强度等级", "混凝土 V", "曲面模板", "直面模板", "模板合计", "分层法 S", "分层法 V"})
            w.element("th", head);
        w.close().open("tr", {{"class", "units"}});
        for (const char *unit : {"", "", "m³", "m²", "m²", "m²", "m²", "m³"})
            w.element("th", unit);
        w.close().close();
    }

    void pierRow(const PierRecord &pier)
    {
        w.open("tr", {{"class", pier.billed() ? "pier" : "pier left-out"}});
        w.element("td", pier.id, {{"class", "wrap id"}});
        w.element("td", pier.grade.empty() ? std::string("—") : pier.grade, {{"class", "c wrap"}});
        if (!pier.billed()) {
            w.element("td", "未计入清单：" + LeftOutReason(pier), {{"class", "reason"}, {"colspan", "6"}});
            w.close();
            return;
        }
        const AdoptedQuantities &a = pier.adopted;
        for (const double value : {a.Concrete, a.CurvedFormwork, a.StraightFormwork, a.Formwork})
            w.element("td", Q2(value), {{"class", "num adopted"}});
        w.element("td", N6(pier.layered.S), {{"class", "num layered"}});
        w.element("td", N6(pier.layered.V), {{"class", "num layered"}});
        w.close();
    }

    // The sums over the billed piers, in their order, as the bill sums them.
    void totalRow(std::size_t billed)
    {
        AdoptedQuantities sum;
        for (const PierRecord &pier : in.piers) {
            if (!pier.billed())
                continue;
            sum.Concrete += pier.adopted.Concrete;
            sum.CurvedFormwork += pier.adopted.CurvedFormwork;
            sum.StraightFormwork += pier.adopted.StraightFormwork;
            sum.Formwork += pier.adopted.Formwork;
        }
        w.open("tr", {{"class", "total"}, {"id", "pier-total"}});
        w.element("td", "合计（" + std::to_string(billed) + " 个墩）", {{"colspan", "2"}});
        for (const double value : {sum.Concrete, sum.CurvedFormwork, sum.StraightFormwork, sum.Formwork})
            w.element("td", Q2(value), {{"class", "num adopted"}});
        w.element("td", "—", {{"class", "c"}});
        w.element("td", "—", {{"class", "c"}});
        w.close();
    }

    // 2 各墩工程量: every pier in the order read, the billed ones with
    // their adopted figures and the left-out ones with the reason.
    void pierTable()
    {
        const std::size_t billed = BilledCount(in.piers);
        w.open("section", {{"id", "piers"}});
        w.element("h2", "2 各墩工程量");
        w.open("table", {{"id", "pier-table"}});
        w.element("caption",
                  "表 2　各墩工程量（共 " + std::to_string(in.piers.size()) + " 个墩，计入清单 " +
                      std::to_string(billed) + " 个）");
        w.open("colgroup");
        for (const char *column : {"id", "grade", "V", "curved", "straight", "formwork", "S-layered", "V-layered"})
            w.empty("col", {{"class", column}});
        w.close();
        pierTableHead();
        w.open("tbody");
        for (const PierRecord &pier : in.piers)
            pierRow(pier);
        totalRow(billed);
        w.close().close();
        w.element(
            "p",
            "混凝土 V 为全墩精确体积；曲面模板为花瓶段各面的真实接触面积，直面模板为墩身与墩帽的侧面。"
            "各墩数值四舍五入至 2 位小数，合计以全精度求和后四舍五入，可能与各行之和相差 0.01。"
            "分层法 S、V 为程序窗口所示的分层计算结果，仅供参考，不作为工程量。各墩的计算式与分层表见其单墩计算书。",
            {{"class", "note"}, {"id", "pier-note"}});
        w.close();
    }

    const BridgeSheetInput &in;
    sheet::TitleBlock block;
    sheet::MarkupWriter w;
};

} // namespace

std::string BuildBridgeSheet(const BridgeSheetInput &input)
{
    std::string out;
    out.reserve(32 * 1024 + 1024 * input.piers.size());
    BridgeSheetWriter(input, out).write();
    return out;
}

} // namespace pierqty::bill
