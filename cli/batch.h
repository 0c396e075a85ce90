// pierqty-cli --batch: every pier of a CSV file, one row each, and a TOTAL.
#pragma once

#include "calc/parameters.h"
#include "cli/output.h"
#include "cli/sheet_output.h"

#include <string>
#include <vector>

namespace pierqty::cli {

// A batch file that cannot be used: stops the batch with nothing written.
struct BatchError {
    std::string message;
    int status = kExitData;
};

// NAME=TEXT over the default texts, for every pier of a batch. A default
// that cannot be read, or is not wholly a number, would spoil every row:
// throws UsageError.
ParameterTexts BatchDefaults(const std::vector<std::string> &assignments);

// Runs the batch in the file at path (- for standard input), writes its
// CSV, and the sheets into the folder when sheets is given. Returns
// kExitDone, kExitFault when some pier stopped, or kExitIo. Throws
// BatchError, or csv::ReadError for a quote left open.
int RunBatchFile(const std::string &path, const ParameterTexts &defaults, SheetFolder *sheets);

} // namespace pierqty::cli
