// pierqty-cli's calculation sheets: one sheet to a file or standard output,
// each written atomically (one per pier of a batch: sheet::SheetFolder).
#pragma once

#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "cli/output.h"
#include "sheet/folder.h"
#include "sheet/sheet.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace pierqty::cli {

// The date a sheet carries: PIERQTY_SHEET_DATE when set (for reproducible
// output), otherwise today's local date as YYYY-MM-DD.
std::string SheetDate();

// Builds and writes the sheet of one computed pier; 0 or kExitIo.
int WriteSheet(const std::string &path, const sheet::TitleBlock &block, const ParameterTexts &texts,
               const ParameterReadings &readings, const PierParameters &parameters, const PierQuantities &quantities);

} // namespace pierqty::cli
