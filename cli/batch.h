// pierqty-cli --batch: every pier of a CSV file, one row each, and a TOTAL.
#pragma once

#include "calc/parameters.h"
#include "cli/output.h"
#include "cli/sheet_output.h"

#include <functional>
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

// One pier of a batch as read, handed on for what is built beside the CSV
// (the workbook): its id, its texts over the defaults, its grade cell
// (column `grade`, trimmed; empty when blank or absent), and why it is not
// computed at all (a cell that is no number), or empty. It is handed on
// before it is computed.
struct BatchPier {
    const std::string &id;
    const ParameterTexts &texts;
    const std::string &grade;
    const std::string &fault;
};
using BatchPierHook = std::function<void(const BatchPier &)>;

// Runs the batch in the file at path (- for standard input), writes its
// CSV, and the sheets into the folder when sheets is given; every pier goes
// to onPier when it is given. Returns kExitDone, kExitFault when some pier
// stopped, or kExitIo. Throws BatchError, or csv::ReadError for a quote
// left open.
int RunBatchFile(const std::string &path, const ParameterTexts &defaults, SheetFolder *sheets,
                 const BatchPierHook &onPier = {});

} // namespace pierqty::cli
