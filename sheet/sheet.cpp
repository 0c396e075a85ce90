#include "sheet/sheet.h"

#include "calc/geometry.h"
#include "calc/texts.h"
#include "platform/numbers.h"
#include "sheet/drawing.h"
#include "sheet/markup.h"
#include "sheet/plot.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

namespace pierqty::sheet {

namespace {

// Serif CJK faces first (Debian, Windows, macOS), then any serif.
constexpr std::string_view kStyle = R"CSS(
@page {
  size: A4;
  margin: 18mm 16mm 18mm 18mm;
  @bottom-center {
    content: "第 " counter(page) " 页 / 共 " counter(pages) " 页";
    font-family: "Noto Serif CJK SC", "Source Han Serif SC", "SimSun", "宋体", "Songti SC", "STSong", serif;
    font-size: 9pt;
  }
}
html {
  font-family: "Noto Serif CJK SC", "Source Han Serif SC", "Noto Serif SC", "SimSun", "宋体", "NSimSun",
    "Songti SC", "STSong", "AR PL UMing CN", serif;
  font-size: 10.5pt;
  color: #000;
  background: #fff;
}
body { margin: 0 auto; max-width: 176mm; line-height: 1.45; }
@media screen { body { padding: 8mm; } }
header { text-align: center; margin-bottom: 4mm; }
h1 { font-size: 17pt; margin: 0 0 2mm; letter-spacing: 0.05em; }
header p { margin: 0.5mm 0; }
h2 { font-size: 13pt; margin: 5mm 0 2mm; padding-bottom: 0.5mm; border-bottom: 0.6pt solid #000;
  break-after: avoid; page-break-after: avoid; }
h3 { font-size: 11pt; margin: 3mm 0 1mm; break-after: avoid; page-break-after: avoid; }
section > h2 + * { break-before: avoid; page-break-before: avoid; }
table { border-collapse: collapse; width: 100%; margin: 1mm 0 2mm; font-size: 9.5pt; }
caption { caption-side: top; text-align: left; font-weight: bold; padding: 1mm 0; break-after: avoid; }
th, td { border: 0.5pt solid #000; padding: 0.5mm 1.5mm; vertical-align: top; }
th { background: #ececec; font-weight: bold; text-align: center; }
td.num { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
td.c { text-align: center; }
tr { break-inside: avoid; page-break-inside: avoid; }
thead { display: table-header-group; }
figure { margin: 2mm 0 3mm; break-inside: avoid; page-break-inside: avoid; }
figcaption { text-align: center; font-size: 9.5pt; margin-top: 1mm; }
svg { display: block; width: 100%; height: auto; }
svg.drawing { width: 90%; margin: 0 auto; }
svg text { font-family: inherit; }
.formula { display: grid; grid-template-columns: 6.5em 1fr; column-gap: 0.8em; margin: 0.6mm 0 0.6mm 4mm;
  break-inside: avoid; page-break-inside: avoid; }
.note { font-size: 9pt; margin: 1mm 0; }
.mark { font-weight: bold; }
.summary td { font-size: 10.5pt; }
)CSS";

// A parameter letter as a formula symbol: the letter italic, its digit as a
// subscript ("L1" -> L with subscript 1).
std::string Sym(std::string_view name)
{
    std::string out = "<i>";
    out += name.substr(0, 1);
    out += "</i>";
    if (name.size() > 1) {
        out += "<sub>";
        out += name.substr(1);
        out += "</sub>";
    }
    return out;
}

// A figure put into a formula: the value used, in parentheses when negative.
std::string Put(double value)
{
    const std::string text = ShortestText(value);
    return value < 0 ? "(" + text + ")" : text;
}

// A computed figure in a formula: six decimals, as the window shows them.
std::string Put6(double value)
{
    const std::string text = FormatFixed6(value);
    return value < 0 ? "(" + text + ")" : text;
}

// (layered - exact) / exact in percent, signed, or a dash.
std::string PercentDifference(double layered, double exact)
{
    if (exact == 0.0 || !std::isfinite(exact))
        return "—";
    const double percent = (layered - exact) / exact * 100.0;
    const std::string text = Fixed(percent, 3);
    return (text.front() == '-' || text == "0.000" ? "" : "+") + text;
}

// Everything the plots and the layer table need, from one pass over the
// layers and a fixed number of samples of the flare.
struct LayerRow {
    int i = 0;
    double y = 0.0, area = 0.0, outline = 0.0, volume = 0.0, formwork = 0.0, sumVolume = 0.0, sumFormwork = 0.0;
};

struct Profiles {
    std::vector<LayerRow> table; // rows of the layer table
    std::vector<PlotPoint> area, outline, trueOutline, sumVolume, sumFormwork, sumTrue;
};

// Heights of the flare sampled for the plots, and how many layers a curve
// drawn from the layers keeps at most: enough for a smooth line at print
// size, and independent of n so that the sheet builds fast at n = 32767.
constexpr int kFlareSamples = 120;
constexpr int kLayerSamples = 400;

std::vector<int> LayerTableRows(int n)
{
    std::vector<int> rows;
    if (n < 1)
        return rows;
    if (n <= kFullLayerTable) {
        for (int i = 1; i <= n; ++i)
            rows.push_back(i);
        return rows;
    }
    for (int j = 0; j < kSampledLayerRows; ++j) {
        const long long i =
            1 + (static_cast<long long>(j) * (n - 1) + (kSampledLayerRows - 1) / 2) / (kSampledLayerRows - 1);
        rows.push_back(static_cast<int>(i));
    }
    return rows;
}

Profiles BuildProfiles(const PierParameters &p, const PierQuantities &q, const ExactQuantities *exact)
{
    Profiles out;
    const double z1 = p.H1, z2 = p.H1 + p.h, z3 = p.H1 + p.h + p.H2;
    const double baseOutline = BaseOutline(p).value();
    const auto topOutline = OutlineLength(p, p.h);

    // Shaft: straight, its true formwork is its projected one.
    out.area = {{0.0, q.S0}, {z1, q.S0}};
    out.outline = {{0.0, baseOutline}, {z1, baseOutline}};
    out.sumVolume = {{0.0, 0.0}, {z1, q.ShaftVolume}};
    out.sumFormwork = {{0.0, 0.0}, {z1, q.ShaftFormwork}};

    // Flare, from the section functions at evenly spaced heights.
    if (p.h > 0.0) {
        for (int k = 0; k <= kFlareSamples; ++k) {
            const double y = p.h * k / kFlareSamples;
            const auto area = SectionArea(p, y);
            const auto outline = OutlineLength(p, y);
            if (area && outline) {
                out.area.push_back({z1 + y, area.value()});
                out.outline.push_back({z1 + y, outline.value()});
            }
        }
    }

    // One pass over the layers, summed in the same order as the layered
    // method so that the last running sums are its flare totals.
    const std::vector<int> rows = LayerTableRows(static_cast<int>(q.Layers.size()));
    const std::size_t count = q.Layers.size();
    const std::size_t stride = std::max<std::size_t>(1, (count + kLayerSamples - 1) / kLayerSamples);
    double sumVolume = 0.0, sumFormwork = 0.0;
    std::size_t nextRow = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const LayerSection &layer = q.Layers[k];
        sumVolume = layer.volume + sumVolume;
        sumFormwork = layer.formwork + sumFormwork;
        if (nextRow < rows.size() && rows[nextRow] == layer.i) {
            out.table.push_back(
                {layer.i, layer.y_i, layer.S_i, layer.outline, layer.volume, layer.formwork, sumVolume, sumFormwork});
            ++nextRow;
        }
        if ((k + 1) % stride == 0 || k + 1 == count) {
            const double z = z1 + std::min(layer.y_i, p.h);
            out.sumVolume.push_back({z, q.ShaftVolume + sumVolume});
            out.sumFormwork.push_back({z, q.ShaftFormwork + sumFormwork});
        }
    }

    // Cap.
    out.area.push_back({z2, q.TopSection});
    out.area.push_back({z3, q.TopSection});
    if (topOutline) {
        out.outline.push_back({z2, topOutline.value()});
        out.outline.push_back({z3, topOutline.value()});
    }
    out.sumVolume.push_back({z2, q.ShaftVolume + q.FlareVolume});
    out.sumVolume.push_back({z3, q.V});
    out.sumFormwork.push_back({z2, q.ShaftFormwork + q.FlareFormwork});
    out.sumFormwork.push_back({z3, q.S});

    // True formwork: strips of the flare integrated one by one; the true
    // outline per metre of height is each strip's area over its height.
    if (exact && p.h > 0.0) {
        out.sumTrue = {{0.0, 0.0}, {z1, q.ShaftFormwork}};
        out.trueOutline = {{0.0, baseOutline}, {z1, baseOutline}};
        double sum = 0.0, below = 0.0;
        bool finite = true;
        for (int k = 1; k <= kFlareSamples && finite; ++k) {
            const double y = k == kFlareSamples ? p.h : p.h * k / kFlareSamples;
            const double strip = TrueFlareFormworkBetween(p, below, y);
            finite = std::isfinite(strip);
            sum += strip;
            out.sumTrue.push_back({z1 + y, q.ShaftFormwork + sum});
            out.trueOutline.push_back({z1 + (below + y) / 2, strip / (y - below)});
            below = y;
        }
        if (finite && topOutline) {
            out.sumTrue.push_back({z3, q.ShaftFormwork + sum + q.CapFormwork});
            out.trueOutline.push_back({z2, topOutline.value()});
            out.trueOutline.push_back({z3, topOutline.value()});
        } else {
            out.sumTrue.clear();
            out.trueOutline.clear();
        }
    }
    return out;
}

class SheetWriter
{
public:
    SheetWriter(const SheetInput &input, std::string &out)
        : in(input), p(input.parameters), q(input.quantities), w(out), exact(std::get_if<ExactQuantities>(&input.exact))
    { }

    void write()
    {
        const Profiles profiles = BuildProfiles(p, q, exact);
        w.raw("<!DOCTYPE html>\n");
        w.open("html", {{"lang", "zh-CN"}});
        w.open("head");
        w.empty("meta", {{"charset", "utf-8"}});
        w.empty("meta", {{"name", "generator"}, {"content", in.version}});
        std::string title(kSheetTitle);
        if (!in.subject.empty())
            title += " — " + std::string(in.subject);
        w.element("title", title);
        w.open("style").raw(kStyle).close();
        w.close(); // head
        w.open("body");
        header();
        inputs();
        drawing();
        method();
        results();
        plots(profiles);
        layerTable(profiles);
        w.close(); // body
        w.close(); // html
        w.raw("\n");
    }

private:
    void header()
    {
        w.open("header", {{"id", "title"}});
        w.element("h1", kSheetTitle);
        if (!in.subject.empty())
            w.element("p", in.subject, {{"class", "subject"}, {"id", "subject"}});
        w.open("p", {{"class", "meta"}});
        w.text("日期：").element("span", in.date, {{"id", "date"}});
        w.text("　　程序：").element("span", in.version, {{"id", "version"}});
        w.close();
        w.close();

        // The two figures that are ordered, first.
        w.open("table", {{"class", "summary"}, {"id", "summary"}});
        w.open("thead").open("tr");
        for (const char *head : {"", "分层法", "精确 / 真实", "单位"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        summaryRow("模板面积 S", "summary-S", q.S, exact ? exact->S : NAN, "m²");
        summaryRow("混凝土方量 V", "summary-V", q.V, exact ? exact->V : NAN, "m³");
        w.close().close();
    }

    void summaryRow(const char *label, const std::string &id, double layered, double other, const char *unit)
    {
        w.open("tr");
        w.element("td", label);
        w.element("td", FormatFixed6(layered), {{"class", "num"}, {"id", id + "-layered"}});
        w.element("td", std::isfinite(other) ? FormatFixed6(other) : "—", {{"class", "num"}, {"id", id + "-exact"}});
        w.element("td", unit, {{"class", "c"}});
        w.close();
    }

    bool readAsWritten(std::size_t k) const
    {
        if (in.readings[k].status != NumberStatus::Whole)
            return false;
        return k != 10 || static_cast<double>(p.n) == in.readings[k].value;
    }

    void inputs()
    {
        w.open("section", {{"id", "inputs"}});
        w.element("h2", "1 输入参数");
        w.open("table", {{"id", "parameters"}});
        w.open("thead").open("tr");
        for (const char *head : {"符号", "含义", "输入文本", "采用值", "单位"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        std::vector<std::size_t> marked;
        for (std::size_t k = 0; k < kParameterCount; ++k) {
            const std::string name(kParameterNames[k]);
            w.open("tr", {{"id", "parameter-" + name}});
            w.open("td", {{"class", "c"}}).raw(Sym(name)).close();
            w.element("td", kParameters[k].meaning);
            w.open("td", {{"class", "typed"}});
            w.text(in.texts[k]);
            if (!readAsWritten(k)) {
                marked.push_back(k);
                w.element("span", " ※", {{"class", "mark"}});
            }
            w.close();
            const int field = static_cast<int>(k);
            w.element("td", field == kFieldN ? std::to_string(p.n) : ShortestText(ParameterValue(p, field)),
                      {{"class", "num used"}});
            w.element("td", kParameters[k].unit, {{"class", "c"}});
            w.close();
        }
        w.close().close();
        for (std::size_t k : marked) {
            const std::string name(kParameterNames[k]);
            const NumberReading &reading = in.readings[k];
            std::string note = "※ " + name + "：";
            note += "“" + in.texts[k] + "”";
            switch (reading.status) {
            case NumberStatus::NoNumber:
                note += "中没有数字，按 0 计";
                break;
            case NumberStatus::Leading:
                note += "只读取开头的数字 " + ShortestText(reading.value) + "，其后的字符未予理会";
                break;
            case NumberStatus::OutOfRange:
                note += "超出数值范围";
                break;
            case NumberStatus::Whole:
                note += "读作 " + ShortestText(reading.value);
                break;
            }
            if (k == kFieldN && static_cast<double>(p.n) != reading.value)
                note += "，取整为 " + std::to_string(p.n) + " 层";
            w.element("p", note + "。", {{"class", "note marked-note"}});
        }
        if (p.n < 1)
            w.element("p", "n = " + std::to_string(p.n) + " < 1：花瓶段不分层，分层法的 S 和 V 不含花瓶段。",
                      {{"class", "note"}});
        w.close();
    }

    void drawing()
    {
        w.open("section", {{"id", "drawing-section"}});
        w.element("h2", "2 计算简图");
        w.open("figure");
        if (WritePierDrawing(w, p))
            w.element("figcaption", "图 1　按输入尺寸绘制（两立面同一比例；截面另一比例），尺寸单位 m");
        else
            w.element("p", "这组参数不构成可绘制的墩形（" + exactReason() + "），略去简图。", {{"class", "note"}});
        w.close();
        w.close();
    }

    std::string exactReason() const
    {
        if (const auto *na = std::get_if<NotApplicable>(&in.exact))
            return na->reason;
        return "总高度不大于 0";
    }

    void formula(const std::string &name, const std::string &markup)
    {
        w.open("div", {{"class", "formula"}});
        w.element("span", name, {{"class", "name"}});
        w.open("span", {{"class", "expression"}}).raw(markup).close();
        w.close();
    }

    void method()
    {
        const auto f1 = FlareOffset(p.R1, p.h), f2 = FlareOffset(p.R2, p.h);
        const double top1 = p.L1 + 2.0 * f1.value(), top2 = p.L2 + 2.0 * f2.value();
        const double baseOutline = BaseOutline(p).value();
        const double topOutline = OutlineLength(p, p.h).value();
        const std::string x = " × ", eq = " = ", minus = " − ", plus = " + ";
        const std::string L1 = Sym("L1"), L2 = Sym("L2"), R1 = Sym("R1"), R2 = Sym("R2"), H1 = Sym("H1"),
                          H2 = Sym("H2"), h = Sym("h"), l1 = Sym("l1"), l2 = Sym("l2"), l3 = Sym("l3"), n = Sym("n"),
                          S0 = Sym("S0"), Ac = "<i>A</i><sub>c</sub>", dU = "Δ<i>U</i>", U0 = "<i>U</i><sub>0</sub>",
                          dh = "Δ<i>h</i>", Stop = "<i>S</i><sub>top</sub>";

        w.open("section", {{"id", "method"}});
        w.element("h2", "3 计算方法");
        w.element("p",
                  "截面为 L1 × L2 矩形，四角切去 45° 倒角 l1 × l1，两个 L1 长的面各开一道 45° 斜边的槽（深 l2，底宽 "
                  "l3）。花瓶段各面沿半径 R1、R2 的圆弧外张，圆弧在墩身顶与竖直面相切。代入的数为采用值，中间值显示六位"
                  "小数，计算用全精度。",
                  {{"class", "note"}});

        w.element("h3", "3.1 分层法");
        formula("截面削减",
                Ac + eq + "2" + l1 + "<sup>2</sup> + 2(" + l3 + plus + l2 + ")" + l2 + eq + "2 × " + Put(p.l1) +
                    "<sup>2</sup> + 2 × (" + Put(p.l3) + plus + Put(p.l2) + ") × " + Put(p.l2) + eq +
                    "<b id=\"f-cut\">" + FormatFixed6(q.SectionCut) + "</b> m²");
        formula("底截面",
                S0 + eq + L1 + x + L2 + minus + Ac + eq + Put(p.L1) + x + Put(p.L2) + minus + Put6(q.SectionCut) + eq +
                    "<b id=\"f-S0\">" + FormatFixed6(q.S0) + "</b> m²");
        formula("周长修正",
                dU + " = 4√2(" + l1 + plus + l2 + ") − 8" + l1 + " − 4" + l2 + " = 4√2 × (" + Put(p.l1) + plus +
                    Put(p.l2) + ") − 8 × " + Put(p.l1) + " − 4 × " + Put(p.l2) + eq +
                    FormatFixed6(q.PerimeterCorrection) + " m");
        formula("底截面周长",
                U0 + " = 2(" + L1 + plus + L2 + ") + " + dU + " = 2 × (" + Put(p.L1) + plus + Put(p.L2) + ") + " +
                    Put6(q.PerimeterCorrection) + eq + FormatFixed6(baseOutline) + " m");
        formula("墩身体积",
                "<i>V</i><sub>1</sub>" + eq + H1 + x + S0 + eq + Put(p.H1) + x + Put6(q.S0) + eq + "<b id=\"f-V1\">" +
                    FormatFixed6(q.ShaftVolume) + "</b> m³");
        formula("墩身模板",
                "<i>S</i><sub>1</sub>" + eq + U0 + x + H1 + eq + Put6(baseOutline) + x + Put(p.H1) + eq +
                    "<b id=\"f-S1\">" + FormatFixed6(q.ShaftFormwork) + "</b> m²");
        formula("外张量",
                "<i>f</i><sub>k</sub>(<i>y</i>) = " + Sym("R") +
                    "<sub>k</sub> − √(<i>R</i><sub>k</sub>"
                    "<sup>2</sup> − <i>y</i><sup>2</sup>)，<i>L</i><sub>1</sub>(<i>y</i>) = " +
                    L1 + " + 2<i>f</i><sub>1</sub>(<i>y</i>)，<i>L</i><sub>2</sub>(<i>y</i>) = " + L2 +
                    " + 2<i>f</i><sub>2</sub>(<i>y</i>)，<i>y</i> 自花瓶段底起算");
        formula("截面与周长",
                "<i>A</i>(<i>y</i>) = <i>L</i><sub>1</sub>(<i>y</i>) × <i>L</i><sub>2</sub>(<i>y</i>) − " + Ac +
                    "，<i>U</i>(<i>y</i>) = 2(<i>L</i><sub>1</sub>(<i>y</i>) + <i>L</i><sub>2</sub>(<i>y</i>)) + " +
                    dU);
        formula("顶部外张",
                "<i>f</i><sub>1</sub>(" + h + ") = " + Put(p.R1) + " − √(" + Put(p.R1) + "<sup>2</sup> − " + Put(p.h) +
                    "<sup>2</sup>) = " + FormatFixed6(f1.value()) + " m，<i>f</i><sub>2</sub>(" + h +
                    ") = " + Put(p.R2) + " − √(" + Put(p.R2) + "<sup>2</sup> − " + Put(p.h) +
                    "<sup>2</sup>) = " + FormatFixed6(f2.value()) + " m");
        formula("顶截面",
                Stop + " = <i>A</i>(" + h + ") = " + Put6(top1) + x + Put6(top2) + minus + Put6(q.SectionCut) + eq +
                    "<b id=\"f-top\">" + FormatFixed6(q.TopSection) + "</b> m²");
        formula("墩帽体积",
                "<i>V</i><sub>3</sub>" + eq + H2 + x + Stop + eq + Put(p.H2) + x + Put6(q.TopSection) + eq +
                    "<b id=\"f-V3\">" + FormatFixed6(q.CapVolume) + "</b> m³");
        formula("墩帽模板",
                "<i>S</i><sub>3</sub>" + eq + "<i>U</i>(" + h + ")" + x + H2 + eq + Put6(topOutline) + x + Put(p.H2) +
                    eq + "<b id=\"f-S3\">" + FormatFixed6(q.CapFormwork) + "</b> m²");
        formula("单层高",
                dh + eq + h + " / " + n + eq + Put(p.h) + " / " + Put(p.n) + eq + "<b id=\"f-dh\">" +
                    FormatFixed6(q.LayerHeight) + "</b> m");
        formula("分层截面",
                "<i>y</i><sub>i</sub> = <i>i</i> × " + dh +
                    "，<i>S</i><sub>i</sub> = <i>A</i>(<i>y</i>"
                    "<sub>i</sub>)，<i>i</i> = 1 … " +
                    n + "，<i>S</i><sub>0</sub> 为第 1 层底");
        formula("花瓶段体积",
                "<i>V</i><sub>2</sub> = Σ (<i>S</i><sub>i−1</sub> + <i>S</i><sub>i</sub>) × " + dh +
                    " / 2（梯形法）= <b id=\"f-V2\">" + FormatFixed6(q.FlareVolume) + "</b> m³");
        formula("花瓶段模板",
                "<i>S</i><sub>2</sub> = Σ <i>U</i>(<i>y</i><sub>i</sub>) × " + dh +
                    "（各层取层顶周长）= <b id=\"f-S2\">" + FormatFixed6(q.FlareFormwork) + "</b> m²");
        formula("模板面积",
                "<i>S</i> = <i>S</i><sub>2</sub> + <i>S</i><sub>1</sub> + <i>S</i><sub>3</sub> = " +
                    Put6(q.FlareFormwork) + plus + Put6(q.ShaftFormwork) + plus + Put6(q.CapFormwork) + eq +
                    "<b id=\"f-S\">" + FormatFixed6(q.S) + "</b> m²");
        formula("混凝土方量",
                "<i>V</i> = <i>V</i><sub>3</sub> + <i>V</i><sub>1</sub> + <i>V</i><sub>2</sub> = " + Put6(q.CapVolume) +
                    plus + Put6(q.ShaftVolume) + plus + Put6(q.FlareVolume) + eq + "<b id=\"f-V\">" +
                    FormatFixed6(q.V) + "</b> m³");

        w.element("h3", "3.2 精确法");
        w.element("p",
                  "分层法的体积（梯形法）略偏大；其模板随 n 增大趋于花瓶段外张面的竖向投影，而非其真实面积。斜率为 "
                  "f′ 的面，每米高的真实面积为投影的 √(1 + f′²) 倍。墩身与墩帽为直面，与分层法相同。",
                  {{"class", "note"}});
        const std::string integral = "∫<sub>0</sub><sup><i>h</i></sup> ";
        formula("花瓶段体积", "<i>V</i><sub>2</sub>* = " + integral + "<i>A</i>(<i>y</i>) d<i>y</i>");
        formula("投影模板", "<i>S</i><sub>2,proj</sub> = " + integral + "<i>U</i>(<i>y</i>) d<i>y</i>");
        formula("斜率",
                "<i>f</i><sub>k</sub>′(<i>y</i>) = <i>y</i> / √(<i>R</i><sub>k</sub><sup>2</sup> − "
                "<i>y</i><sup>2</sup>)，√(1 + <i>f</i><sub>k</sub>′<sup>2</sup>) = <i>R</i><sub>k</sub> / "
                "√(<i>R</i><sub>k</sub><sup>2</sup> − <i>y</i><sup>2</sup>)");
        formula("端面（2 面）",
                "2" + integral + "(<i>L</i><sub>2</sub>(<i>y</i>) − 2" + l1 +
                    ") √(1 + <i>f</i><sub>1</sub>′<sup>2</sup>) d<i>y</i>");
        formula("带槽面（2 面）",
                "2" + integral + "(<i>L</i><sub>1</sub>(<i>y</i>) − 2" + l1 + " − 2" + l2 +
                    ") √(1 + <i>f</i><sub>2</sub>′<sup>2</sup>) d<i>y</i>（含槽底）");
        formula("槽侧面（4 面）",
                "4√2 " + l2 + " " + integral + "√(1 + <i>f</i><sub>2</sub>′<sup>2</sup> / 2) d<i>y</i>");
        formula("倒角面（4 面）",
                "4√2 " + l1 + " " + integral +
                    "√(1 + (<i>f</i><sub>1</sub>′ + <i>f</i><sub>2</sub>′)"
                    "<sup>2</sup> / 2) d<i>y</i>");
        formula("合计",
                "<i>S</i>* = <i>S</i><sub>2,true</sub> + <i>S</i><sub>1</sub> + <i>S</i><sub>3</sub>，"
                "<i>V</i>* = <i>V</i><sub>3</sub> + <i>V</i><sub>1</sub> + <i>V</i><sub>2</sub>*");
        w.element("p", "积分用 tanh-sinh 数值积分，相对误差约 1e-10；h = R 时被积函数在顶端可积奇异，结果仍准确。",
                  {{"class", "note"}});
        if (!exact)
            w.element("p", "本墩精确法不适用：" + exactReason() + "。", {{"class", "note"}, {"id", "exact-reason"}});
        w.close();
    }

    void resultRow(const char *part, const char *what, const char *unit, const std::string &id, double layered,
                   const double *other)
    {
        w.open("tr", {{"id", id}});
        w.element("td", part);
        w.element("td", what);
        w.element("td", unit, {{"class", "c"}});
        w.element("td", FormatFixed6(layered), {{"class", "num layered"}});
        const bool have = other && std::isfinite(*other);
        w.element("td", have ? FormatFixed6(*other) : "—", {{"class", "num exact"}});
        w.element("td", have ? PercentDifference(layered, *other) : "—", {{"class", "num diff"}});
        w.close();
    }

    void results()
    {
        w.open("section", {{"id", "results"}});
        w.element("h2", "4 计算结果");
        w.open("table", {{"id", "result-table"}});
        w.element("caption", "表 1　体积与模板面积：分层法与精确法（差值 = (分层 − 精确) / 精确）");
        w.open("thead").open("tr");
        for (const char *head : {"部位", "项目", "单位", "分层法", "精确 / 真实", "差值 %"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        const auto e = [&](double ExactQuantities::*member) -> const double * {
            return exact ? &(exact->*member) : nullptr;
        };
        resultRow("墩身", "体积", "m³", "r-shaft-volume", q.ShaftVolume, &q.ShaftVolume);
        resultRow("花瓶段", "体积", "m³", "r-flare-volume", q.FlareVolume, e(&ExactQuantities::FlareVolume));
        resultRow("墩帽", "体积", "m³", "r-cap-volume", q.CapVolume, &q.CapVolume);
        resultRow("合计", "混凝土方量 V", "m³", "r-V", q.V, e(&ExactQuantities::V));
        resultRow("墩身", "模板", "m²", "r-shaft-formwork", q.ShaftFormwork, &q.ShaftFormwork);
        resultRow("花瓶段", "模板（竖向投影）", "m²", "r-flare-projected", q.FlareFormwork,
                  e(&ExactQuantities::ProjectedFlareFormwork));
        resultRow("花瓶段", "模板（真实面积）", "m²", "r-flare-true", q.FlareFormwork,
                  e(&ExactQuantities::TrueFlareFormwork));
        resultRow("墩帽", "模板", "m²", "r-cap-formwork", q.CapFormwork, &q.CapFormwork);
        resultRow("合计", "模板面积 S（投影）", "m²", "r-S-projected", q.S, e(&ExactQuantities::ProjectedS));
        resultRow("合计", "模板面积 S（真实）", "m²", "r-S", q.S, e(&ExactQuantities::S));
        w.close().close();
        if (!exact)
            w.element("p", "精确 / 真实值不适用：" + exactReason() + "。", {{"class", "note"}});

        if (exact) {
            w.open("table", {{"id", "face-table"}});
            w.element("caption", "表 2　真实模板面积按面分列（曲面与直面分别计价）");
            w.open("thead").open("tr");
            for (const char *head : {"部位", "面", "形状", "单位", "真实面积"})
                w.element("th", head);
            w.close().close();
            w.open("tbody");
            faceRow("花瓶段", "端面（2 面）", "R1 圆弧曲面", "face-end", exact->EndFaces);
            faceRow("花瓶段", "带槽面（2 面，含槽底）", "R2 圆弧曲面", "face-grooved", exact->GroovedFaces);
            faceRow("花瓶段", "槽侧面（4 面）", "曲面", "face-groove-walls", exact->GrooveWalls);
            faceRow("花瓶段", "倒角面（4 面）", "曲面", "face-chamfers", exact->Chamfers);
            faceRow("花瓶段", "小计", "", "face-flare", exact->TrueFlareFormwork);
            faceRow("墩身", "全部侧面", "直面", "face-shaft", q.ShaftFormwork);
            faceRow("墩帽", "全部侧面", "直面", "face-cap", q.CapFormwork);
            faceRow("合计", "", "", "face-total", exact->S);
            w.close().close();
        }
        w.close();
    }

    void faceRow(const char *part, const char *face, const char *shape, const char *id, double value)
    {
        w.open("tr", {{"id", id}});
        w.element("td", part);
        w.element("td", face);
        w.element("td", shape);
        w.element("td", "m²", {{"class", "c"}});
        w.element("td", FormatFixed6(value), {{"class", "num"}});
        w.close();
    }

    void plot(const char *caption, PlotSpec spec)
    {
        const double z1 = p.H1, z2 = p.H1 + p.h;
        spec.xTitle = "高度 z（m，自墩底起）";
        spec.marks = {{z1}, {z2}};
        spec.bandLabels = {"墩身", "花瓶段", "墩帽"};
        w.open("figure", {{"id", spec.id + "-figure"}});
        WritePlot(w, spec);
        w.element("figcaption", caption);
        w.close();
    }

    void plots(const Profiles &profiles)
    {
        w.open("section", {{"id", "plots"}});
        w.element("h2", "5 曲线");
        if (!(p.H1 + p.h + p.H2 > 0.0)) {
            w.element("p", "墩高不大于 0，无曲线。", {{"class", "note"}});
            w.close();
            return;
        }
        const auto spec = [](const char *id, const char *yTitle, PlotSeries series) {
            PlotSpec made;
            made.id = id;
            made.yTitle = yTitle;
            made.series.push_back(std::move(series));
            return made;
        };
        plot("图 2　截面面积沿墩高", spec("plot-area", "截面面积 A（m²）", {"area", "截面面积 A", profiles.area}));
        PlotSpec outline = spec("plot-outline", "周长（m），每米高模板（m²/m）",
                                {"outline", "截面周长（即每米高投影模板）", profiles.outline});
        if (!profiles.trueOutline.empty())
            outline.series.push_back({"true-outline", "每米高真实模板", profiles.trueOutline, true});
        plot("图 3　截面周长与每米高真实模板面积", outline);
        plot("图 4　累计混凝土方量（分层法，自墩底起）",
             spec("plot-volume", "累计方量（m³）", {"cumulative-volume", "累计方量", profiles.sumVolume}));
        PlotSpec formwork = spec("plot-formwork", "累计模板面积（m²）",
                                 {"cumulative-formwork", "累计模板（分层法）", profiles.sumFormwork});
        if (!profiles.sumTrue.empty())
            formwork.series.push_back({"cumulative-true-formwork", "累计真实模板", profiles.sumTrue, true});
        plot("图 5　累计模板面积（用于分次浇筑与爬模提升）", formwork);
        if (!exact)
            w.element("p", "真实模板曲线不适用：" + exactReason() + "。", {{"class", "note"}});
        w.close();
    }

    void layerTable(const Profiles &profiles)
    {
        const std::size_t count = q.Layers.size();
        w.open("section", {{"id", "layers"}});
        w.element("h2", "6 分层表");
        if (count == 0) {
            w.element("p", "n < 1：花瓶段无分层。", {{"class", "note"}});
            w.close();
            return;
        }
        // The note is the table's caption, so that it never stays behind
        // at the foot of a page without the table.
        w.open("table", {{"id", "layer-table"}});
        if (static_cast<int>(count) > kFullLayerTable)
            w.element("caption",
                      "共 " + std::to_string(count) + " 层，此处列出均匀选取的 " +
                          std::to_string(profiles.table.size()) +
                          " 层（含第 1 层和最后一层）。全部分层见 pierqty-cli --csv 的输出。",
                      {{"class", "note"}, {"id", "layer-note"}});
        w.open("thead").open("tr");
        for (const char *head :
             {"层号 <i>i</i>", "层顶高 <i>y</i><sub>i</sub>（m）", "截面 <i>S</i><sub>i</sub>（m²）", "层顶周长（m）",
              "本层体积（m³）", "本层模板（m²）", "累计体积（m³）", "累计模板（m²）"})
            w.open("th").raw(head).close();
        w.close().close();
        w.open("tbody");
        for (const LayerRow &row : profiles.table) {
            w.open("tr", {{"class", "layer"}});
            w.element("td", std::to_string(row.i), {{"class", "num"}});
            for (double v : {row.y, row.area, row.outline, row.volume, row.formwork, row.sumVolume, row.sumFormwork})
                w.element("td", std::isfinite(v) ? FormatFixed6(v) : "—", {{"class", "num"}});
            w.close();
        }
        w.close().close();
        w.element("p", "累计体积、累计模板自花瓶段底起算，为分层法各层之和；最后一行即花瓶段合计。",
                  {{"class", "note"}});
        w.close();
    }

    const SheetInput &in;
    const PierParameters &p;
    const PierQuantities &q;
    MarkupWriter w;
    const ExactQuantities *exact;
};

} // namespace

std::string BuildCalculationSheet(const SheetInput &input)
{
    std::string out;
    out.reserve(160 * 1024);
    SheetWriter(input, out).write();
    return out;
}

Outcome<std::string> CalculationSheetFromTexts(const ParameterTexts &texts, std::string_view subject,
                                               std::string_view date)
{
    ParameterReadings readings;
    const auto pier = CalculatePier(texts, &readings);
    if (!pier)
        return pier.fault();
    const PierCalculation &c = pier.value();
    if (auto unbuildable = UnbuildableFault(c.parameters))
        return std::move(*unbuildable);
    const ExactOutcome exact = calculateExact(c.parameters);
    return BuildCalculationSheet({texts, readings, c.parameters, c.quantities, exact, subject, date});
}

std::string LocalDateText()
{
    const std::time_t now = std::time(nullptr);
    const std::tm *local = std::localtime(&now);
    if (!local)
        return "";
    char buffer[16];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%d", local);
    return std::string(buffer, length);
}

} // namespace pierqty::sheet
