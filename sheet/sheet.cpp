#include "sheet/sheet.h"

#include "calc/adopted.h"
#include "calc/geometry.h"
#include "calc/numbers.h"
#include "calc/quantity_catalogue.h"
#include "calc/texts.h"
#include "sheet/document.h"
#include "sheet/drawing.h"
#include "sheet/markup.h"
#include "sheet/plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

namespace pierqty::sheet {

namespace {

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

// Text that names parameters, as markup: each parameter letter (L1, R2, h,
// n ...) written as the formulas write it, the rest escaped.
std::string Symbolized(std::string_view text)
{
    std::string out;
    std::size_t k = 0;
    const auto ascii = [&](std::size_t at) {
        return at < text.size() &&
            ((text[at] >= 'A' && text[at] <= 'Z') || (text[at] >= 'a' && text[at] <= 'z') ||
             (text[at] >= '0' && text[at] <= '9'));
    };
    while (k < text.size()) {
        std::size_t end = k;
        while (ascii(end))
            ++end;
        const std::string_view token = text.substr(k, end - k);
        if (!token.empty() && ParameterIndex(token) >= 0) {
            out += Sym(token);
            k = end;
        } else {
            const std::size_t next = token.empty() ? k + std::max<std::size_t>(1, Utf8SequenceLength(text, k)) : end;
            AppendEscaped(out, text.substr(k, next - k));
            k = next;
        }
    }
    return out;
}

// A letter with a subscript in markup: Sub("A", "i−1").
std::string Sub(std::string_view letter, std::string_view subscript)
{
    return "<i>" + std::string(letter) + "</i><sub>" + std::string(subscript) + "</sub>";
}

// Six decimals, as the window shows them, with the minus sign U+2212.
std::string N6(double value)
{
    return WithMinusSign(formatQuantity(value));
}

// A value used: its shortest round-trip digits, never with an exponent.
std::string Plain(double value)
{
    return WithMinusSign(PlainNumber(value));
}

// A figure in parentheses when negative, so that "− (−1)" reads right.
std::string Parenthesized(std::string text, bool negative)
{
    if (!negative)
        return text;
    std::string out = "(";
    out += text;
    out += ')';
    return out;
}

// A figure put into a formula: the value used, in parentheses when negative.
std::string Put(double value)
{
    return Parenthesized(Plain(value), value < 0);
}

// A computed figure in a formula: six decimals, in parentheses when negative.
std::string Put6(double value)
{
    return Parenthesized(N6(value), value < 0);
}

// A result in bold with its id, for a reader that checks it.
std::string Result(const char *id, double value, const char *unit)
{
    return "<b id=\"" + std::string(id) + "\">" + N6(value) + "</b> " + unit;
}

// (layered - exact) / exact in percent, signed, or a dash.
std::string PercentDifference(double layered, double exact)
{
    const std::optional<std::string> text = PercentDifferenceText(layered, exact, 3, ZeroSign::None);
    return text ? WithMinusSign(*text) : "—";
}

// Everything the plots and the layer table need, from one pass over the
// layers and a fixed number of samples of the flare. Heights are y, from
// the foot of the flared part: the shaft lies below 0, the cap above h.
struct LayerRow {
    int i = 0;
    double y = 0.0, below = 0.0, area = 0.0, volume = 0.0, outline = 0.0, formwork = 0.0, sumVolume = 0.0,
           sumFormwork = 0.0;
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

// Shaft and flare from the section functions at evenly spaced heights.
void SectionProfiles(const PierParameters &p, const PierQuantities &q, Profiles &out)
{
    const double baseOutline = BaseOutline(p).value();
    out.area = {{-p.H1, q.S0}, {0.0, q.S0}};
    out.outline = {{-p.H1, baseOutline}, {0.0, baseOutline}};
    if (p.h > 0.0) {
        for (int k = 0; k <= kFlareSamples; ++k) {
            const double y = p.h * k / kFlareSamples;
            const auto area = SectionArea(p, y);
            const auto outline = OutlineLength(p, y);
            if (area && outline) {
                out.area.push_back({y, area.value()});
                out.outline.push_back({y, outline.value()});
            }
        }
    }
    out.area.push_back({p.h, q.TopSection});
    out.area.push_back({p.h + p.H2, q.TopSection});
    if (const auto topOutline = OutlineLength(p, p.h)) {
        out.outline.push_back({p.h, topOutline.value()});
        out.outline.push_back({p.h + p.H2, topOutline.value()});
    }
}

// One pass over the layers, summed in the same order as the layered method
// so that the last running sums are its flare totals.
void LayerProfiles(const PierParameters &p, const PierQuantities &q, Profiles &out)
{
    out.sumVolume = {{-p.H1, 0.0}, {0.0, q.ShaftVolume}};
    out.sumFormwork = {{-p.H1, 0.0}, {0.0, q.ShaftFormwork}};
    const std::vector<int> rows = LayerTableRows(static_cast<int>(q.Layers.size()));
    const std::size_t count = q.Layers.size();
    const std::size_t stride = std::max<std::size_t>(1, (count + kLayerSamples - 1) / kLayerSamples);
    double sumVolume = 0.0, sumFormwork = 0.0, below = q.S0;
    std::size_t nextRow = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const LayerSection &layer = q.Layers[k];
        sumVolume = layer.volume + sumVolume;
        sumFormwork = layer.formwork + sumFormwork;
        if (nextRow < rows.size() && rows[nextRow] == layer.i) {
            out.table.push_back({layer.i, layer.y_i, below, layer.S_i, layer.volume, layer.outline, layer.formwork,
                                 sumVolume, sumFormwork});
            ++nextRow;
        }
        below = layer.S_i;
        if ((k + 1) % stride == 0 || k + 1 == count) {
            const double y = std::min(layer.y_i, p.h);
            out.sumVolume.push_back({y, q.ShaftVolume + sumVolume});
            out.sumFormwork.push_back({y, q.ShaftFormwork + sumFormwork});
        }
    }
    out.sumVolume.push_back({p.h, q.ShaftVolume + q.FlareVolume});
    out.sumVolume.push_back({p.h + p.H2, q.V});
    out.sumFormwork.push_back({p.h, q.ShaftFormwork + q.FlareFormwork});
    out.sumFormwork.push_back({p.h + p.H2, q.S});
}

// True formwork: strips of the flare integrated one by one; the true
// outline per metre of height is each strip's area over its height.
void TrueProfiles(const PierParameters &p, const PierQuantities &q, Profiles &out)
{
    const double baseOutline = BaseOutline(p).value();
    const auto topOutline = OutlineLength(p, p.h);
    out.sumTrue = {{-p.H1, 0.0}, {0.0, q.ShaftFormwork}};
    out.trueOutline = {{-p.H1, baseOutline}, {0.0, baseOutline}};
    double sum = 0.0, below = 0.0;
    bool finite = true;
    for (int k = 1; k <= kFlareSamples && finite; ++k) {
        const double y = k == kFlareSamples ? p.h : p.h * k / kFlareSamples;
        const double strip = TrueFlareFormworkBetween(p, below, y);
        finite = std::isfinite(strip);
        sum += strip;
        out.sumTrue.push_back({y, q.ShaftFormwork + sum});
        out.trueOutline.push_back({(below + y) / 2, strip / (y - below)});
        below = y;
    }
    if (finite && topOutline) {
        out.sumTrue.push_back({p.h + p.H2, q.ShaftFormwork + sum + q.CapFormwork});
        out.trueOutline.push_back({p.h, topOutline.value()});
        out.trueOutline.push_back({p.h + p.H2, topOutline.value()});
    } else {
        out.sumTrue.clear();
        out.trueOutline.clear();
    }
}

Profiles BuildProfiles(const PierParameters &p, const PierQuantities &q, const ExactQuantities *exact)
{
    Profiles out;
    SectionProfiles(p, q, out);
    LayerProfiles(p, q, out);
    if (exact && p.h > 0.0)
        TrueProfiles(p, q, out);
    return out;
}

class SheetWriter
{
public:
    SheetWriter(const SheetInput &input, std::string &out)
        : in(input), p(input.parameters), q(input.quantities), w(out), exact(std::get_if<ExactQuantities>(&input.exact))
    {
        if (input.block)
            block = *input.block;
        if (block.project.empty())
            block.project = std::string(input.subject);
    }

    void write()
    {
        const Profiles profiles = BuildProfiles(p, q, exact);
        w.raw("<!DOCTYPE html>\n");
        w.open("html", {{"lang", "zh-CN"}});
        w.open("head");
        w.empty("meta", {{"charset", "utf-8"}});
        w.empty("meta", {{"name", "generator"}, {"content", in.version}});
        std::string title(kSheetTitle);
        if (!block.project.empty())
            title += " — " + block.project;
        w.element("title", title);
        w.open("style").raw(SheetStyle(RunningHeader(block))).close();
        w.close(); // head
        w.open("body");
        WriteTitleBlock(w, kSheetTitle, block, in.date, in.version);
        conclusion();
        WriteBasis(w, block, "2 计算依据");
        WriteAssumptions(w, "3 计算假定");
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
    void adoptedRow(const char *item, const char *what, const char *id, double value, const char *unit)
    {
        w.open("tr", {{"id", id}});
        w.element("td", item, {{"class", "c"}});
        w.element("td", what);
        w.element("td", RoundHalfUpText(value, 2), {{"class", "num"}});
        w.element("td", unit, {{"class", "c"}});
        w.close();
    }

    // 结论: the quantities a bill adopts, the rule they follow, and the
    // window's layered figures beside them.
    void conclusion()
    {
        w.open("section", {{"id", "conclusion"}});
        w.open("div", {{"class", "keep"}});
        w.element("h2", "1 结论");
        if (!exact) {
            w.element("p", "本墩无法给出精确值（" + exactReason() + "），不采用工程量。", {{"class", "note"}});
            w.close().close();
            return;
        }
        const AdoptedQuantities adopted = AdoptQuantities(q, *exact);
        w.open("table", {{"class", "adopted keep"}, {"id", "adopted"}});
        w.open("thead").open("tr");
        for (const char *head : {"项目", "计算内容", "工程量", "单位"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        adoptedRow("混凝土 V", "全墩体积（精确法，按设计尺寸）", "adopted-V", adopted.Concrete, "m³");
        adoptedRow("曲面模板", "花瓶段各面的真实接触面积", "adopted-curved", adopted.CurvedFormwork, "m²");
        adoptedRow("直面模板", "墩身与墩帽的侧面", "adopted-straight", adopted.StraightFormwork, "m²");
        adoptedRow("合计", "模板接触面积（不含墩底与墩顶）", "adopted-formwork", adopted.Formwork, "m²");
        w.close().close();
        w.close(); // keep
        w.element("p", kMeasurementRule, {{"class", "note"}, {"id", "rule"}});
        w.open("p", {{"class", "note"}, {"id", "layered-line"}});
        w.text("分层法（程序窗口所示）：S = " + N6(q.S) + " m²（较合计 " + PercentDifference(q.S, exact->S) +
               " %），V = " + N6(q.V) + " m³（较混凝土 V " + PercentDifference(q.V, exact->V) +
               " %）。分层法的模板趋于花瓶段外张面的竖向投影，不作为工程量。");
        w.close();
        w.close();
    }

    void parameterRow(std::size_t k)
    {
        const std::string name(kParameterNames[k]);
        w.open("tr", {{"id", "parameter-" + name}});
        w.open("td", {{"class", "c"}}).raw(Sym(name)).close();
        w.open("td").raw(Symbolized(kParameters[k].meaning)).close();
        w.open("td", {{"class", "typed"}});
        w.text(in.texts[k]);
        if (!in.readings[k].readAsWritten())
            w.element("span", " ※", {{"class", "mark"}});
        w.close();
        const int field = static_cast<int>(k);
        w.element("td", field == kFieldN ? std::to_string(p.n) : Plain(ParameterValue(p, field)),
                  {{"class", "num used wrap"}});
        w.element("td", kParameters[k].unit, {{"class", "c"}});
        w.close();
    }

    void markedNote(std::size_t k)
    {
        const ParameterReading &reading = in.readings[k];
        std::string note = "※ " + std::string(kParameterNames[k]) + "：“" + in.texts[k] + "”";
        switch (reading.status) {
        case NumberStatus::NoNumber:
            note += "中没有数字，按 0 计";
            break;
        case NumberStatus::Leading:
            note += "只读取开头的数字 " + Plain(reading.value) + "，其后的字符未予理会";
            break;
        case NumberStatus::OutOfRange:
            note += "超出数值范围";
            break;
        case NumberStatus::Whole:
            note += "读作 " + Plain(reading.value);
            break;
        }
        if (reading.rounded())
            note += "，取整为 " + std::to_string(*reading.layers) + " 层";
        w.element("p", note + "。", {{"class", "note marked-note"}});
    }

    void inputs()
    {
        w.open("section", {{"id", "inputs"}});
        w.element("h2", "4 输入参数");
        w.open("table", {{"id", "parameters"}});
        w.open("colgroup");
        for (const char *column : {"symbol", "meaning", "typed", "used", "unit"})
            w.empty("col", {{"class", column}});
        w.close();
        w.open("thead").open("tr");
        for (const char *head : {"符号", "含义", "输入文本", "采用值", "单位"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        for (std::size_t k = 0; k < kParameterCount; ++k)
            parameterRow(k);
        w.close().close();
        for (std::size_t k = 0; k < kParameterCount; ++k)
            if (!in.readings[k].readAsWritten())
                markedNote(k);
        if (IsVertical(p.R1) || IsVertical(p.R2))
            w.element("p", "外弧半径不小于 100000 m 的一侧按竖直面绘制（其外张量可略去不计）。", {{"class", "note"}});
        w.close();
    }

    void drawing()
    {
        w.open("section", {{"id", "drawing-section"}});
        w.element("h2", "5 计算简图");
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
            return na->reasonZh;
        return "总高度不大于 0";
    }

    void formula(const std::string &name, const std::string &markup)
    {
        w.open("div", {{"class", "formula"}});
        w.element("span", name, {{"class", "name"}});
        w.open("span", {{"class", "expression"}}).raw(markup).close();
        w.close();
    }

    // 6 计算方法: symbols, the layered method with one layer worked in
    // full, the exact method with its figures.
    void method()
    {
        w.open("section", {{"id", "method"}});
        w.open("div", {{"class", "keep"}});
        w.element("h2", "6 计算方法");
        w.open("p", {{"class", "note"}});
        w.raw(Symbolized("截面为 L1 × L2 矩形，四角切去 45° 倒角 l1 × l1，两个 L1 长的面各开一道 45° 斜边的槽（深 l2，"
                         "底宽 l3）。花瓶段各面沿半径 R1、R2 的圆弧外张。代入的数为采用值，中间值显示六位小数，计算用"
                         "全精度。"));
        w.close();
        symbols();
        w.close(); // keep
        layeredStraight();
        layeredFlare();
        const auto count = static_cast<int>(q.Layers.size());
        if (count >= 1)
            workedLayer(1);
        if (count > 1)
            workedLayer(count);
        layeredSums();
        exactMethod();
        w.close();
    }

    void symbols()
    {
        const std::string Ly1 = "<i>L</i><sub>1</sub>(<i>y</i>)", Ly2 = "<i>L</i><sub>2</sub>(<i>y</i>)";
        w.element("h3", "6.1 符号");
        formula("外张量",
                "<i>f</i><sub>k</sub>(<i>y</i>) = <i>R</i><sub>k</sub> − √(<i>R</i><sub>k</sub><sup>2</sup> − "
                "<i>y</i><sup>2</sup>)，<i>k</i> = 1, 2；<i>y</i> 为自花瓶段底起算的高度，0 ≤ <i>y</i> ≤ " +
                    Sym("h"));
        formula("截面边长",
                Ly1 + " = " + Sym("L1") + " + 2<i>f</i><sub>1</sub>(<i>y</i>)，" + Ly2 + " = " + Sym("L2") +
                    " + 2<i>f</i><sub>2</sub>(<i>y</i>)");
        formula("截面面积",
                "<i>A</i>(<i>y</i>) = " + Ly1 + " × " + Ly2 + " − " + Sub("A", "c") + "，" + Sub("A", "c") +
                    " 为倒角与槽所削面积");
        formula("截面周长",
                "<i>U</i>(<i>y</i>) = 2(" + Ly1 + " + " + Ly2 + ") + Δ<i>U</i>，Δ<i>U</i> 为倒角与槽的周长修正");
        formula("其余符号",
                Sub("A", "0") + " = <i>A</i>(0) 底截面积，<i>A</i>(" + Sym("h") + ") 顶截面积；" + Sub("S", "1") +
                    "、" + Sub("S", "2") + "、" + Sub("S", "3") + " 分别为墩身、花瓶段、墩帽的模板面积，" +
                    Sub("V", "1") + "、" + Sub("V", "2") + "、" + Sub("V", "3") + " 为其体积");
    }

    void layeredStraight()
    {
        const std::string x = " × ", eq = " = ", plus = " + ";
        const std::string L1 = Sym("L1"), L2 = Sym("L2"), l1 = Sym("l1"), l2 = Sym("l2"), l3 = Sym("l3"),
                          Ac = Sub("A", "c"), A0 = Sub("A", "0"), U0 = Sub("U", "0");
        const double baseOutline = BaseOutline(p).value();
        w.open("div", {{"class", "keep"}});
        w.element("h3", "6.2 分层法");
        formula("截面削减",
                Ac + eq + "2" + l1 + "<sup>2</sup> + 2(" + l3 + plus + l2 + ")" + l2 + eq + "2 × " + Put(p.l1) +
                    "<sup>2</sup> + 2 × (" + Put(p.l3) + plus + Put(p.l2) + ") × " + Put(p.l2) + eq +
                    Result("f-cut", q.SectionCut, "m²"));
        formula("底截面",
                A0 + eq + L1 + x + L2 + " − " + Ac + eq + Put(p.L1) + x + Put(p.L2) + " − " + Put6(q.SectionCut) + eq +
                    Result("f-A0", q.S0, "m²"));
        w.close();
        formula("周长修正",
                "Δ<i>U</i> = 4√2(" + l1 + plus + l2 + ") − 8" + l1 + " − 4" + l2 + " = 4√2 × (" + Put(p.l1) + plus +
                    Put(p.l2) + ") − 8 × " + Put(p.l1) + " − 4 × " + Put(p.l2) + eq + N6(q.PerimeterCorrection) + " m");
        formula("底截面周长",
                U0 + " = 2(" + L1 + plus + L2 + ") + Δ<i>U</i> = 2 × (" + Put(p.L1) + plus + Put(p.L2) + ") + " +
                    Put6(q.PerimeterCorrection) + eq + N6(baseOutline) + " m");
        formula("墩身体积",
                Sub("V", "1") + eq + Sym("H1") + x + A0 + eq + Put(p.H1) + x + Put6(q.S0) + eq +
                    Result("f-V1", q.ShaftVolume, "m³"));
        formula("墩身模板",
                Sub("S", "1") + eq + U0 + x + Sym("H1") + eq + Put6(baseOutline) + x + Put(p.H1) + eq +
                    Result("f-S1", q.ShaftFormwork, "m²"));
    }

    // f_k(y) with its figures; a vertical side says so.
    std::string offsetFormula(int k, double y, const std::string &at) const
    {
        const double R = k == 1 ? p.R1 : p.R2;
        const auto f = FlareOffset(R, y);
        std::string out = "<i>f</i><sub>" + std::to_string(k) + "</sub>(" + at + ") = " + Put(R) + " − √(" + Put(R) +
            "<sup>2</sup> − " + Put(y) + "<sup>2</sup>) = " + (f ? N6(f.value()) : "—") + " m";
        if (IsVertical(R))
            out += "（竖直，" + Sym(k == 1 ? "R1" : "R2") + " ≥ 100000）";
        return out;
    }

    void layeredFlare()
    {
        const std::string x = " × ", eq = " = ", h = Sym("h"), Ah = "<i>A</i>(" + h + ")";
        const double top1 = FlaredLength1(p, p.h).value(), top2 = FlaredLength2(p, p.h).value();
        const double topOutline = OutlineLength(p, p.h).value();
        formula("顶部外张", offsetFormula(1, p.h, h) + "，" + offsetFormula(2, p.h, h));
        formula("顶截面",
                Ah + " = <i>L</i><sub>1</sub>(" + h + ") × <i>L</i><sub>2</sub>(" + h + ") − " + Sub("A", "c") + eq +
                    Put6(top1) + x + Put6(top2) + " − " + Put6(q.SectionCut) + eq +
                    Result("f-top", q.TopSection, "m²"));
        formula("墩帽体积",
                Sub("V", "3") + eq + Sym("H2") + x + Ah + eq + Put(p.H2) + x + Put6(q.TopSection) + eq +
                    Result("f-V3", q.CapVolume, "m³"));
        formula("墩帽模板",
                Sub("S", "3") + eq + "<i>U</i>(" + h + ")" + x + Sym("H2") + eq + Put6(topOutline) + x + Put(p.H2) +
                    eq + Result("f-S3", q.CapFormwork, "m²"));
        formula("单层高",
                "Δ<i>y</i> = " + h + " / " + Sym("n") + eq + Put(p.h) + " / " + std::to_string(p.n) + eq +
                    Result("f-dy", q.LayerHeight, "m"));
        formula("分层",
                Sub("y", "i") + " = <i>i</i> × Δ<i>y</i>，" + Sub("A", "i") + " = <i>A</i>(" + Sub("y", "i") + ")，" +
                    Sub("U", "i") + " = <i>U</i>(" + Sub("y", "i") + ")，<i>i</i> = 1 … " + Sym("n") + "；" +
                    Sub("A", "0") + " 为第 1 层底面");
        formula("每层",
                "Δ" + Sub("V", "i") + " = (" + Sub("A", "i−1") + " + " + Sub("A", "i") + ") × " + h + " / " + Sym("n") +
                    " / 2（梯形法），Δ" + Sub("S", "i") + " = " + Sub("U", "i") + " × " + h + " / " + Sym("n") +
                    "（取层顶周长）");
    }

    // One layer with every figure, as the layer loop computed it.
    void workedLayer(int i)
    {
        const LayerSection &layer = q.Layers[static_cast<std::size_t>(i - 1)];
        const double below = i == 1 ? q.S0 : q.Layers[static_cast<std::size_t>(i - 2)].S_i;
        const double length1 = FlaredLength1(p, layer.y_i).value(), length2 = FlaredLength2(p, layer.y_i).value();
        const std::string id = "worked-" + std::to_string(i), I = std::to_string(i);
        const std::string yi = Sub("y", I), eq = " = ", hn = " × " + Put(p.h) + " / " + std::to_string(p.n);
        const auto figure = [&](const char *what, double value, const char *unit) {
            return "<b id=\"" + id + "-" + what + "\">" + N6(value) + "</b> " + unit;
        };
        w.open("div", {{"class", "keep worked"}, {"id", id}});
        w.element("p", "第 " + I + " 层的验算（" + (i == 1 ? "第一层" : "最后一层") + "）",
                  {{"class", "note worked-title"}});
        formula("层顶高", yi + eq + I + " × " + Put6(q.LayerHeight) + eq + figure("y", layer.y_i, "m"));
        formula("外张量", offsetFormula(1, layer.y_i, yi) + "，" + offsetFormula(2, layer.y_i, yi));
        const auto length = [&](const char *k, double L, double f, double value) {
            return "<i>L</i><sub>" + std::string(k) + "</sub>(" + yi + ")" + eq + Put(L) + " + 2 × " + Put6(f) + eq +
                N6(value) + " m";
        };
        formula("截面边长",
                length("1", p.L1, FlareOffset(p.R1, layer.y_i).value(), length1) + "，" +
                    length("2", p.L2, FlareOffset(p.R2, layer.y_i).value(), length2));
        formula("截面面积",
                Sub("A", I) + eq + Put6(length1) + " × " + Put6(length2) + " − " + Put6(q.SectionCut) + eq +
                    figure("A", layer.S_i, "m²"));
        formula("截面周长",
                Sub("U", I) + eq + "2 × (" + Put6(length1) + " + " + Put6(length2) + ") + " +
                    Put6(q.PerimeterCorrection) + eq + figure("U", layer.outline, "m"));
        formula("本层体积",
                "Δ" + Sub("V", I) + eq + "(" + Put6(below) + " + " + Put6(layer.S_i) + ")" + hn + " / 2" + eq +
                    figure("dV", layer.volume, "m³"));
        formula("本层模板",
                "Δ" + Sub("S", I) + eq + Put6(layer.outline) + hn + eq + figure("dS", layer.formwork, "m²"));
        w.close();
    }

    // The flare's sums as formulas with their figures, then the totals.
    void layeredSums()
    {
        double inner = 0.0, outlines = 0.0;
        for (std::size_t k = 0; k < q.Layers.size(); ++k) {
            if (k + 1 < q.Layers.size())
                inner += q.Layers[k].S_i;
            outlines += q.Layers[k].outline;
        }
        const double last = q.Layers.empty() ? q.S0 : q.Layers.back().S_i;
        const std::string hn = Put(p.h) + " / " + std::to_string(p.n), plus = " + ", eq = " = ";
        const std::string n = Sym("n");
        formula("花瓶段体积",
                Sub("V", "2") + " = ΣΔ" + Sub("V", "i") + " = " + Sym("h") + " / " + n + " / 2 × (" + Sub("A", "0") +
                    " + 2(" + Sub("A", "1") + " + … + " + Sub("A", "n−1") + ") + " + Sub("A", "n") + ") = " + hn +
                    " / 2 × (" + Put6(q.S0) + " + 2 × " + Put6(inner) + plus + Put6(last) + ")" + eq +
                    Result("f-V2", q.FlareVolume, "m³"));
        formula("花瓶段模板",
                Sub("S", "2") + " = ΣΔ" + Sub("S", "i") + " = " + Sym("h") + " / " + n + " × (" + Sub("U", "1") +
                    " + … + " + Sub("U", "n") + ") = " + hn + " × " + Put6(outlines) + eq +
                    Result("f-S2", q.FlareFormwork, "m²"));
        formula("模板面积",
                "<i>S</i> = " + Sub("S", "2") + plus + Sub("S", "1") + plus + Sub("S", "3") + eq +
                    Put6(q.FlareFormwork) + plus + Put6(q.ShaftFormwork) + plus + Put6(q.CapFormwork) + eq +
                    Result("f-S", q.S, "m²"));
        formula("混凝土方量",
                "<i>V</i> = " + Sub("V", "3") + plus + Sub("V", "1") + plus + Sub("V", "2") + eq + Put6(q.CapVolume) +
                    plus + Put6(q.ShaftVolume) + plus + Put6(q.FlareVolume) + eq + Result("f-V", q.V, "m³"));
    }

    // An integral of the exact method and its value, or a dash.
    void integral(const std::string &name, const std::string &symbol, const std::string &integrand, const char *id,
                  const double *value, const char *unit)
    {
        const std::string bounds = "∫<sub>0</sub><sup><i>h</i></sup> ";
        formula(name,
                (symbol.empty() ? std::string() : symbol + " = ") + bounds + integrand +
                    " d<i>y</i> = " + (value ? Result(id, *value, unit) : std::string("—")));
    }

    void exactMethod()
    {
        const auto e = [&](double ExactQuantities::*member) { return exact ? &(exact->*member) : nullptr; };
        const std::string Ly1 = "<i>L</i><sub>1</sub>(<i>y</i>)", Ly2 = "<i>L</i><sub>2</sub>(<i>y</i>)";
        const std::string f1 = "<i>f</i><sub>1</sub>′", f2 = "<i>f</i><sub>2</sub>′";
        w.open("div", {{"class", "keep"}});
        w.element("h3", "6.3 精确法");
        w.open("p", {{"class", "note"}});
        w.raw(Symbolized("分层法的体积（梯形法）略偏大；其模板随 n 增大趋于花瓶段外张面的竖向投影，而非其真实面积。"
                         "斜率为 f′ 的面，每米高的真实面积为投影的 √(1 + f′²) 倍。墩身与墩帽为直面，与分层法相同。"));
        w.close();
        formula("斜率",
                "<i>f</i><sub>k</sub>′(<i>y</i>) = <i>y</i> / √(<i>R</i><sub>k</sub><sup>2</sup> − "
                "<i>y</i><sup>2</sup>)，√(1 + <i>f</i><sub>k</sub>′<sup>2</sup>) = <i>R</i><sub>k</sub> / "
                "√(<i>R</i><sub>k</sub><sup>2</sup> − <i>y</i><sup>2</sup>)");
        w.close();
        integral("花瓶段体积", Sub("V", "2") + "*", "<i>A</i>(<i>y</i>)", "x-V2", e(&ExactQuantities::FlareVolume),
                 "m³");
        integral("投影模板", Sub("S", "2") + "′", "<i>U</i>(<i>y</i>)", "x-S2p",
                 e(&ExactQuantities::ProjectedFlareFormwork), "m²");
        integral("端面（2 面）", "", "2(" + Ly2 + " − 2" + Sym("l1") + ") √(1 + " + f1 + "<sup>2</sup>)", "x-end",
                 e(&ExactQuantities::EndFaces), "m²");
        integral("带槽面（2 面）", "",
                 "2(" + Ly1 + " − 2" + Sym("l1") + " − 2" + Sym("l2") + ") √(1 + " + f2 + "<sup>2</sup>)", "x-grooved",
                 e(&ExactQuantities::GroovedFaces), "m²");
        integral("槽侧面（4 面）", "", "4√2 " + Sym("l2") + " √(1 + " + f2 + "<sup>2</sup> / 2)", "x-walls",
                 e(&ExactQuantities::GrooveWalls), "m²");
        integral("倒角面（4 面）", "", "4√2 " + Sym("l1") + " √(1 + (" + f1 + " + " + f2 + ")<sup>2</sup> / 2)",
                 "x-chamfers", e(&ExactQuantities::Chamfers), "m²");
        exactTotals();
    }

    void exactTotals()
    {
        if (!exact) {
            w.element("p", "本墩精确法不适用：" + exactReason() + "。", {{"class", "note"}, {"id", "exact-reason"}});
            return;
        }
        const std::string plus = " + ", eq = " = ";
        formula("真实模板",
                Sub("S", "2") + "* = " + Put6(exact->EndFaces) + plus + Put6(exact->GroovedFaces) + plus +
                    Put6(exact->GrooveWalls) + plus + Put6(exact->Chamfers) + eq +
                    Result("x-S2", exact->TrueFlareFormwork, "m²"));
        formula("模板面积",
                "<i>S</i>* = " + Sub("S", "2") + "* + " + Sub("S", "1") + plus + Sub("S", "3") + eq +
                    Put6(exact->TrueFlareFormwork) + plus + Put6(q.ShaftFormwork) + plus + Put6(q.CapFormwork) + eq +
                    Result("x-S", exact->S, "m²"));
        formula("混凝土方量",
                "<i>V</i>* = " + Sub("V", "3") + plus + Sub("V", "1") + plus + Sub("V", "2") +
                    "* = " + Put6(q.CapVolume) + plus + Put6(q.ShaftVolume) + plus + Put6(exact->FlareVolume) + eq +
                    Result("x-V", exact->V, "m³"));
        w.open("p", {{"class", "note"}, {"id", "accuracy"}});
        w.raw(Symbolized("积分用双指数变换数值积分法计算，逐级加密至相邻两级的相对差小于 10⁻¹⁰，误差远小于所示的六位"
                         "小数；h 等于 R1 或 R2 时被积函数在顶端有可积奇点，结果仍准确。"));
        w.close();
    }

    void resultRow(const Quantity &quantity)
    {
        const double layered = *LayeredFigure(quantity, q);
        const std::optional<double> other = ExactFigure(quantity, q, exact);
        w.open("tr", {{"id", "r-" + std::string(quantity.key)}});
        w.element("td", quantity.part);
        w.element("td", quantity.item);
        w.element("td", UnitSymbol(quantity.unit), {{"class", "c"}});
        w.element("td", N6(layered), {{"class", "num layered"}});
        const bool have = other && std::isfinite(*other);
        w.element("td", have ? N6(*other) : "—", {{"class", "num exact"}});
        w.element("td", have ? PercentDifference(layered, *other) : "—", {{"class", "num diff"}});
        w.close();
    }

    void results()
    {
        w.open("section", {{"id", "results"}});
        w.element("h2", "7 计算结果");
        w.open("table", {{"id", "result-table"}});
        w.element("caption", "表 1　体积与模板面积：分层法与精确法（差值 = (分层 − 精确) / 精确）");
        w.open("thead").open("tr");
        for (const char *head : {"部位", "项目", "单位", "分层法", "精确 / 真实", "差值 %"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        for (const Quantity *quantity : SheetResults())
            resultRow(*quantity);
        w.close().close();
        if (!exact)
            w.element("p", "精确 / 真实值不适用：" + exactReason() + "。", {{"class", "note"}});
        else
            faceTable();
        w.close();
    }

    // The true formwork by face, then the flared part's, the straight parts'
    // and the pier's; a face whose arcs are all vertical is flat.
    void faceTable()
    {
        const bool flat1 = IsVertical(p.R1), flat2 = IsVertical(p.R2);
        w.open("table", {{"id", "face-table"}, {"class", "keep"}});
        w.element("caption", "表 2　真实模板面积按面分列（曲面与直面分别计价）");
        w.open("thead").open("tr");
        for (const char *head : {"部位", "面", "形状", "单位", "真实面积"})
            w.element("th", head);
        w.close().close();
        w.open("tbody");
        for (const Quantity &face : Quantities()) {
            if (!face.face())
                continue;
            const bool followsR1 = face.arcs != FaceArcs::R2, followsR2 = face.arcs != FaceArcs::R1;
            const bool flat = (!followsR1 || flat1) && (!followsR2 || flat2);
            faceRow(face.part, face.item, flat ? "竖直平面" : face.shape, "face-" + std::string(face.key),
                    *ExactFigure(face, q, exact));
        }
        faceRow("花瓶段", "小计", "", "face-flare", exact->TrueFlareFormwork);
        faceRow("墩身", "全部侧面", "直面", "face-shaft", q.ShaftFormwork);
        faceRow("墩帽", "全部侧面", "直面", "face-cap", q.CapFormwork);
        faceRow("合计", "", "", "face-total", exact->S);
        w.close().close();
    }

    void faceRow(std::string_view part, std::string_view face, std::string_view shape, const std::string &id,
                 double value)
    {
        w.open("tr", {{"id", id}});
        w.element("td", part);
        w.element("td", face);
        w.element("td", shape);
        w.element("td", "m²", {{"class", "c"}});
        w.element("td", N6(value), {{"class", "num"}});
        w.close();
    }

    void plot(const char *caption, PlotSpec spec)
    {
        spec.xTitle = "高度 y（m，自花瓶段底起，墩身为负）";
        spec.marks = {{0.0}, {p.h}};
        spec.bandLabels = {"墩身", "花瓶段", "墩帽"};
        w.open("figure", {{"id", spec.id + "-figure"}});
        WritePlot(w, spec);
        w.element("figcaption", caption);
        w.close();
    }

    void plots(const Profiles &profiles)
    {
        w.open("section", {{"id", "plots"}});
        w.element("h2", "8 曲线");
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
        plot("图 2　截面面积 A(y) 沿墩高",
             spec("plot-area", "截面面积 A（m²）", {"area", "截面面积 A", profiles.area}));
        PlotSpec outline = spec("plot-outline", "周长 U（m），每米高模板（m²/m）",
                                {"outline", "截面周长 U（即每米高投影模板）", profiles.outline});
        if (!profiles.trueOutline.empty())
            outline.series.push_back({"true-outline", "每米高真实模板", profiles.trueOutline, true});
        plot("图 3　截面周长 U(y) 与每米高真实模板面积", outline);
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

    void layerTableHead()
    {
        w.open("thead").open("tr");
        for (const char *head : {"<i>i</i>", "<i>y</i><sub>i</sub>", "<i>A</i><sub>i−1</sub>", "<i>A</i><sub>i</sub>",
                                 "Δ<i>V</i><sub>i</sub>", "<i>U</i><sub>i</sub>", "Δ<i>S</i><sub>i</sub>",
                                 "ΣΔ<i>V</i><sub>i</sub>", "ΣΔ<i>S</i><sub>i</sub>"})
            w.open("th").raw(head).close();
        w.close().open("tr", {{"class", "units"}});
        for (const char *unit : {"", "m", "m²", "m²", "m³", "m", "m²", "m³", "m²"})
            w.element("th", unit);
        w.close().close();
    }

    void layerTable(const Profiles &profiles)
    {
        const int count = static_cast<int>(q.Layers.size());
        w.open("section", {{"id", "layers"}});
        w.element("h2", "9 分层表");
        if (count == 0) {
            w.element("p", "n < 1：花瓶段无分层。", {{"class", "note"}});
            w.close();
            return;
        }
        const int step = (count + kSampledLayerRows - 1) / kSampledLayerRows;
        // The note is the table's caption, so that it never stays behind
        // at the foot of a page without the table.
        w.open("table", {{"id", "layer-table"}});
        std::string caption = "表 3　花瓶段各层（共 " + std::to_string(count) + " 层";
        caption += step > 1
            ? "，每 " + std::to_string(step) + " 层列出一层，另列最后一层；全部各层的数值可由本程序导出为逐层表格文件）"
            : "，逐层列出）";
        w.element("caption", caption, {{"class", "note"}, {"id", "layer-note"}});
        layerTableHead();
        w.open("tbody");
        for (const LayerRow &row : profiles.table) {
            w.open("tr", {{"class", "layer"}});
            w.element("td", std::to_string(row.i), {{"class", "num"}});
            for (double v :
                 {row.y, row.below, row.area, row.volume, row.outline, row.formwork, row.sumVolume, row.sumFormwork})
                w.element("td", std::isfinite(v) ? N6(v) : "—", {{"class", "num"}});
            w.close();
        }
        w.close().close();
        w.element("p", "ΔV、ΔS 为本层的体积与模板（分层法）；累计值自花瓶段底起算，最后一行即花瓶段合计。",
                  {{"class", "note"}});
        w.close();
    }

    const SheetInput &in;
    const PierParameters &p;
    const PierQuantities &q;
    MarkupWriter w;
    const ExactQuantities *exact;
    TitleBlock block;
};

} // namespace

std::vector<int> LayerTableRows(int n)
{
    std::vector<int> rows;
    if (n < 1)
        return rows;
    const int step = (n + kSampledLayerRows - 1) / kSampledLayerRows;
    for (int i = step; i <= n; i += step)
        rows.push_back(i);
    if (rows.empty() || rows.back() != n)
        rows.push_back(n);
    return rows;
}

std::string BuildCalculationSheet(const SheetInput &input)
{
    std::string out;
    out.reserve(160 * 1024);
    SheetWriter(input, out).write();
    return out;
}

Outcome<std::string> CalculationSheetWithTitleBlock(const ParameterTexts &texts, const TitleBlock &block,
                                                    std::string_view date)
{
    ParameterReadings readings;
    const auto pier = CalculatePier(texts, &readings);
    if (!pier)
        return pier.fault();
    const PierCalculation &c = pier.value();
    if (auto unbuildable = UnbuildableFault(c.parameters))
        return std::move(*unbuildable);
    const ExactOutcome exact = CalculateExact(c.parameters);
    SheetInput input{texts, readings, c.parameters, c.quantities, exact, {}, date};
    input.block = &block;
    return BuildCalculationSheet(input);
}

Outcome<std::string> CalculationSheetFromTexts(const ParameterTexts &texts, std::string_view subject,
                                               std::string_view date)
{
    TitleBlock block;
    block.project = std::string(subject);
    return CalculationSheetWithTitleBlock(texts, block, date);
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
