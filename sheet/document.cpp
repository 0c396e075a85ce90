#include "sheet/document.h"

namespace pierqty::sheet {

namespace {

constexpr std::string_view kFonts =
    R"("Noto Serif CJK SC", "Source Han Serif SC", "SimSun", "宋体", "Songti SC", "STSong", serif)";

// Serif CJK faces first (Debian, Windows, macOS), then any serif. Headings
// stay with what follows them, and a short table (under 8 rows) or a
// heading with its first block never splits across pages.
constexpr std::string_view kStyle = R"CSS(
html {
  font-family: "Noto Serif CJK SC", "Source Han Serif SC", "Noto Serif SC", "SimSun", "宋体", "NSimSun",
    "Songti SC", "STSong", "AR PL UMing CN", serif;
  font-size: 10.5pt;
  color: #000;
  background: #fff;
}
body { margin: 0 auto; max-width: 176mm; line-height: 1.45; }
@media screen { body { padding: 8mm; } }
header { text-align: center; margin-bottom: 3mm; }
h1 { font-size: 17pt; margin: 0 0 2mm; letter-spacing: 0.05em; }
h2 { font-size: 13pt; margin: 4mm 0 2mm; padding-bottom: 0.5mm; border-bottom: 0.6pt solid #000;
  break-after: avoid; page-break-after: avoid; }
h3 { font-size: 11pt; margin: 3mm 0 1mm; break-after: avoid; page-break-after: avoid; }
.keep, table.keep, figure { break-inside: avoid; page-break-inside: avoid; }
table { border-collapse: collapse; width: 100%; margin: 1mm 0 2mm; font-size: 9.5pt; }
caption { caption-side: top; text-align: left; font-weight: bold; padding: 1mm 0; break-after: avoid; }
th, td { border: 0.5pt solid #000; padding: 0.5mm 1.5mm; vertical-align: top; }
th { background: #ececec; font-weight: bold; text-align: center; white-space: nowrap; }
td.num { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
td.c { text-align: center; white-space: nowrap; }
td.typed, td.wrap { overflow-wrap: anywhere; word-break: break-all; }
td.label { white-space: nowrap; background: #f6f6f6; }
#parameters { table-layout: fixed; }
#parameters col.symbol { width: 11mm; } #parameters col.unit { width: 11mm; }
#parameters col.typed { width: 34mm; } #parameters col.used { width: 30mm; }
.blank { display: inline-block; min-width: 30mm; border-bottom: 0.5pt solid #000; height: 1.1em; }
table.block td { padding: 1mm 2mm; }
tr { break-inside: avoid; page-break-inside: avoid; }
thead { display: table-header-group; }
#layer-table { font-size: 8pt; }
#layer-table td { padding: 0.3mm 1mm; }
figure { margin: 2mm 0 3mm; }
figcaption { text-align: center; font-size: 9.5pt; margin-top: 1mm; }
svg { display: block; width: 100%; height: auto; }
svg.drawing { width: 90%; margin: 0 auto; }
svg text { font-family: inherit; }
.formula { display: grid; grid-template-columns: 6.5em 1fr; column-gap: 0.8em; margin: 0.6mm 0 0.6mm 4mm;
  break-inside: avoid; page-break-inside: avoid; }
.note { font-size: 9pt; margin: 1mm 0; }
ol { margin: 1mm 0; padding-left: 7mm; }
li { margin: 0.3mm 0; }
.mark { font-weight: bold; }
.worked-title { font-weight: bold; margin-top: 2mm; }
.adopted td { font-size: 10.5pt; }
.adopted td.num { font-weight: bold; }
)CSS";

// The @page rule: A4, the running header (project, pier, sheet number) and
// the page number at the foot of every page.
std::string PageStyle(const std::string &runningHeader)
{
    std::string css = "\n@page {\n  size: A4;\n  margin: 20mm 16mm 18mm 18mm;\n  @top-center {\n    content: \"";
    css += CssString(runningHeader);
    css += "\";\n    font-family: ";
    css += kFonts;
    css += ";\n    font-size: 8.5pt;\n  }\n  @bottom-center {\n"
           "    content: \"第 \" counter(page) \" 页 / 共 \" counter(pages) \" 页\";\n    font-family: ";
    css += kFonts;
    css += ";\n    font-size: 9pt;\n  }\n}";
    return css;
}

// A field of the title block, or a line to write on when it is empty.
void Field(MarkupWriter &w, const std::string &text, const char *id)
{
    w.open("td", {{"class", "wrap"}, {"id", id}});
    if (text.empty())
        w.element("span", "", {{"class", "blank"}});
    else
        w.text(text);
    w.close();
}

void LabelledRow(MarkupWriter &w, const char *label1, const std::string &text1, const char *id1, const char *label2,
                 const std::string &text2, const char *id2)
{
    w.open("tr");
    w.element("td", label1, {{"class", "label"}});
    Field(w, text1, id1);
    w.element("td", label2, {{"class", "label"}});
    Field(w, text2, id2);
    w.close();
}

void SignatureRow(MarkupWriter &w, const char *role, const Signature &signature, const std::string &id)
{
    const std::string nameId = id + "-name", dateId = id + "-date";
    LabelledRow(w, role, signature.name, nameId.c_str(), "日期", signature.date, dateId.c_str());
}

} // namespace

std::string OrBlank(const std::string &text)
{
    return text.empty() ? std::string("＿＿＿＿") : text;
}

// The running header: project · pier · sheet number, a dash where empty.
std::string RunningHeader(const TitleBlock &block)
{
    return OrBlank(block.project) + " · 墩号 " + OrBlank(block.pier) + " · 计算书编号 " + OrBlank(block.number);
}

std::string SheetStyle(const std::string &runningHeader)
{
    std::string css = PageStyle(runningHeader);
    css += kStyle;
    return css;
}

// The title, then the title block: what the sheet is about, who signs.
void WriteTitleBlock(MarkupWriter &w, std::string_view title, const TitleBlock &block, std::string_view date,
                     std::string_view version)
{
    w.open("header", {{"id", "title"}});
    w.element("h1", title);
    w.close();
    w.open("table", {{"class", "block keep"}, {"id", "title-block"}});
    w.open("tbody");
    w.open("tr").element("td", "工程名称", {{"class", "label"}});
    w.open("td", {{"class", "wrap"}, {"colspan", "3"}, {"id", "project"}});
    block.project.empty() ? w.element("span", "", {{"class", "blank"}}) : w.text(block.project);
    w.close().close();
    LabelledRow(w, "墩号", block.pier, "pier", "图号", block.drawing, "drawing-number");
    LabelledRow(w, "计算书编号", block.number, "sheet-number", "版次", block.revision, "revision");
    w.open("tr").element("td", "计算日期", {{"class", "label"}});
    w.element("td", date, {{"id", "date"}});
    w.element("td", "程序", {{"class", "label"}}).element("td", version, {{"id", "version"}});
    w.close();
    SignatureRow(w, "编制", block.compiled, "compiled");
    SignatureRow(w, "复核", block.checked, "checked");
    SignatureRow(w, "审核", block.approved, "approved");
    w.close().close();
}

void WriteBasis(MarkupWriter &w, const TitleBlock &block, std::string_view heading)
{
    w.open("section", {{"id", "basis"}});
    w.open("div", {{"class", "keep"}});
    w.element("h2", heading);
    w.open("ol", {{"id", "basis-list"}});
    w.element("li", "GB 50857—2013《市政工程工程量计算规范》");
    w.element("li", "GB 50500—2013《建设工程工程量清单计价规范》");
    w.open("li").text("设计图纸，图号：");
    block.drawing.empty() ? w.element("span", "", {{"class", "blank"}}) : w.text(block.drawing);
    w.close();
    for (const std::string &line : block.basis)
        w.element("li", line, {{"class", "user-basis"}});
    w.close();
    w.close().close();
}

void WriteAssumptions(MarkupWriter &w, std::string_view heading)
{
    w.open("section", {{"id", "assumptions"}});
    w.open("div", {{"class", "keep"}});
    w.element("h2", heading);
    w.open("ol");
    for (const char *line : {"倒角与槽的尺寸沿墩高不变。", "外张圆弧在花瓶段底与竖直面相切，圆心位于该高度处。",
                             "墩帽为花瓶段顶截面的直棱柱。", "不扣除支座垫石、预留孔等。", "模板不计墩底面与墩顶面。"})
        w.element("li", line);
    w.close();
    w.close().close();
}

} // namespace pierqty::sheet
