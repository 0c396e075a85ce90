// pierqty-cli --batch FILE --sheet FILE.html: the bridge's summary sheet,
// one document with the bill and every pier's quantities.
#pragma once

#include "bill/workbook.h"
#include "cli/options.h"
#include "sheet/sheet.h"

#include <string>
#include <vector>

namespace pierqty::cli {

// With --batch, whether --sheet names the summary sheet (one file) rather
// than a folder for one sheet per pier: a name that ends in .html or .htm,
// in any letter case, unless it is a folder that exists already.
bool IsSummarySheetPath(const std::string &path);

// Whether the command line asks for the summary sheet.
bool SummarySheetWanted(const Options &options);

// Writes the summary sheet of the piers atomically: kExitDone; kExitFault
// when some pier is left out of the bill (said on standard error; the sheet
// names them with the reason); kExitIo when it cannot be written (the path
// keeps what it held).
int WriteSummarySheet(const std::string &path, const std::vector<bill::PierRecord> &piers,
                      const bill::WorkbookOptions &options, const sheet::TitleBlock &block);

} // namespace pierqty::cli
