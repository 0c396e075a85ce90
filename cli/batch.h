// pierqty-cli --batch: every pier of a CSV file, one row each, and a TOTAL.
#pragma once

#include "calc/parameters.h"
#include "cli/reader/input.h"
#include "cli/output.h"
#include "cli/sheet_output.h"

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::cli {

// A batch file that cannot be used: stops the batch with nothing written.
struct BatchError {
    std::string message;
    int status = kExitData;
};

// NAME=TEXT over the default texts, for every pier of a batch. A default
// that cannot be read, or is not wholly a number, would spoil every row:
// throws UsageError. Warns on warnings when n is rounded.
ParameterTexts BatchDefaults(const std::vector<std::string> &assignments, std::ostream &warnings);

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

// Where a batch's CSV and its warnings go: standard output (through Write)
// and standard error in the program, memory in the fuzz target.
struct BatchStreams {
    std::function<int(std::string_view)> write; // kExitDone, or kExitIo said already
    std::ostream &warnings;
};

// Runs the batch of source, named name in messages, in two passes over its
// bytes: the first checks the whole file (columns, fields, quotes, line
// lengths, encoding) with nothing written, the second computes and writes
// each row as it reads it, and the sheet of each computed pier when sheets
// is given; every pier goes to onPier when it is given; only TOTAL's sums
// are kept. Returns kExitDone, kExitFault when
// some pier stopped, or kExitIo when the output or a sheet was not written.
// Throws BatchError, or csv::ReadError for a file that is not proper CSV.
int RunBatch(ByteSource &source, const std::string &name, const ParameterTexts &defaults, sheet::SheetFolder *sheets,
             const BatchStreams &streams, const BatchPierHook &onPier = {});

// RunBatch over the file at path (- for standard input) to standard output.
int RunBatchFile(const std::string &path, const ParameterTexts &defaults, sheet::SheetFolder *sheets,
                 const BatchPierHook &onPier = {});

} // namespace pierqty::cli
