// What a window's 保存计算书 and 复制结果 share, without any toolkit, so
// that every front-end names the file and fills the clipboard alike.
#pragma once

#include "calc/exact.h"
#include "calc/fault.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <ctime>
#include <string>

namespace pierqty::form {

// The name a save dialog offers for a sheet made at the given local time:
// "计算书-YYYYMMDD-HHMM.html".
std::string SheetFileName(const std::tm &local);

// The results as tab-separated text for the clipboard: a header line, then
// one line per figure with its name, its value (six decimals, the figures
// of the sheet's result table) and its unit. The layered figures come with
// the exact ones beside them; where the exact method does not apply, one
// line says why. Lines end with CR LF, so that it pastes into a
// spreadsheet as cells, one figure per row.
std::string ResultSummary(const PierQuantities &layered, const ExactOutcome &exact);

// Reads the texts, calculates and summarises; the first fault stops it.
Outcome<std::string> ResultSummaryFromTexts(const ParameterTexts &texts);

} // namespace pierqty::form
