// The summary sheet (汇总计算书) of a bridge's piers: one self-contained
// HTML document that prints to A4 like a pier's calculation sheet, with the
// same title block, running header, basis and assumptions (sheet/document.h).
// It holds the bill (工程量清单), line for line and figure for figure as the
// workbook's bill (BillLines), and a table of every pier's quantities under
// its 墩号; a pier left out of the bill is listed there with the reason.
#pragma once

#include "bill/workbook.h"
#include "sheet/sheet.h"

#include <string>
#include <string_view>
#include <vector>

namespace pierqty::bill {

inline constexpr std::string_view kBridgeSheetTitle = "花瓶墩工程量汇总计算书";

struct BridgeSheetInput {
    const std::vector<PierRecord> &piers;
    const WorkbookOptions &options; // the bill's items and lines, as the workbook takes them
    sheet::TitleBlock block; // 墩号, when empty, says how many piers the sheet covers
    std::string_view date = {}; // "YYYY-MM-DD"
    std::string_view version = sheet::kSheetVersion;
};

std::string BuildBridgeSheet(const BridgeSheetInput &input);

} // namespace pierqty::bill
