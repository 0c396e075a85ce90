// The parts every sheet shares, so that the one-pier calculation sheet and
// the bridge's summary sheet print alike: the page (A4, running header,
// page numbers) and style, the title and title block with its signature
// lines, the basis (计算依据) and the assumptions (计算假定).
#pragma once

#include "sheet/markup.h"
#include "sheet/sheet.h"

#include <string>
#include <string_view>

namespace pierqty::sheet {

// How a bill measures the quantities this program adopts: the note under
// the adopted quantities of every sheet.
inline constexpr std::string_view kMeasurementRule =
    "计量规则：模板按混凝土与模板的接触面积计算，墩底、墩顶与其他构件相接，不计模板（GB 50857—2013）；"
    "混凝土按设计图示尺寸以体积计算。m³、m² 保留两位小数，各项以全精度求和后四舍五入（GB 50500—2013）。";

// The text of an empty field in a running header: a line to write on.
std::string OrBlank(const std::string &text);

// The running header of a pier's sheet: project · 墩号 pier · 计算书编号.
std::string RunningHeader(const TitleBlock &block);

// The whole <style> text: the A4 page with runningHeader at the head of
// every page and "第 k 页 / 共 n 页" at its foot, then the shared rules.
std::string SheetStyle(const std::string &runningHeader);

// The title (h1) and the title block: project, pier, drawing, sheet number,
// revision, date, program, and the three signature lines. An empty field
// prints as a line to write on.
void WriteTitleBlock(MarkupWriter &w, std::string_view title, const TitleBlock &block, std::string_view date,
                     std::string_view version);

// The basis: the two standards, the drawing and the user's further lines.
void WriteBasis(MarkupWriter &w, const TitleBlock &block, std::string_view heading);

// The assumptions of the geometry and of what is measured.
void WriteAssumptions(MarkupWriter &w, std::string_view heading);

} // namespace pierqty::sheet
