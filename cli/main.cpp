// pierqty-cli: the calculator's companion for scripts and checks.
//
//   pierqty-cli [--json] [--exact] [NAME=TEXT ...]
//   pierqty-cli --csv [NAME=TEXT ...]
//   pierqty-cli --batch FILE|- [NAME=TEXT ...]
//   pierqty-cli --sheet FILE|- [--title TEXT] [NAME=TEXT ...]
//   pierqty-cli --batch FILE|- --sheet DIR [--title TEXT] [NAME=TEXT ...]
//
// Each TEXT is read exactly as the window reads its field; a parameter not
// given keeps the window's default text. Exit status: 0 done (in a batch:
// every pier computed), 2 the calculation stopped with a fault (in a batch:
// some pier did, every row and TOTAL written), 64 a usage error, 65 a
// malformed batch file, 66 a batch file that cannot be read, 71 out of
// memory, 74 output failed.

#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "cli/batch.h"
#include "cli/csv.h"
#include "cli/entry.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/sheet_output.h"
#include "cli/writers.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <optional>

namespace {

using namespace pierqty;
using namespace pierqty::cli;

// Memory ran out (as sysexits.h's EX_OSERR): said, never an abort.
constexpr int kExitNoMemory = 71;

int RunBatch(const Options &options)
{
    if (options.batch.empty())
        throw UsageError{"--batch needs a file name, or - for standard input"};
    if (options.json || options.csv || options.exact)
        throw UsageError{"--batch writes its own CSV: it takes no --json, --csv or --exact"};
    std::optional<SheetFolder> sheets;
    if (!options.sheet.empty())
        sheets.emplace(options.sheet, options.title);
    return RunBatchFile(options.batch, BatchDefaults(options.assignments, std::cerr), sheets ? &*sheets : nullptr);
}

std::optional<ExactOutcome> ExactIfAsked(const Options &options, const PierParameters &p)
{
    return options.exact ? std::optional(calculateExact(p)) : std::nullopt;
}

// The text report formats each layer as the loop hands it on; the other
// outputs need the whole table of layers.
int RunText(const Options &options, const PierParameters &p)
{
    TextReport report(p.n);
    const auto quantities = calculate(p, report);
    if (!quantities)
        return ReportFault(quantities.fault(), false);
    const std::optional<ExactOutcome> exact = ExactIfAsked(options, p);
    return report.write(quantities.value(), exact ? &*exact : nullptr);
}

int Run(const Options &options)
{
    if (!options.title.empty() && options.sheet.empty())
        throw UsageError{"--title names the pier on a sheet: it goes with --sheet"};
    if (options.batchGiven && options.sheet == "-")
        throw UsageError{"with --batch, --sheet names a folder for one sheet per pier, not -"};
    if (options.batchGiven)
        return RunBatch(options);
    if (options.csv && options.exact)
        throw UsageError{"--csv writes the per-layer table with its own true strip areas: it takes no --exact"};
    if (options.csv && options.json)
        throw UsageError{"--csv and --json are two different outputs: choose one"};
    if (!options.sheet.empty() && (options.csv || options.json || options.exact))
        throw UsageError{"--sheet writes the calculation sheet: it takes no --json, --csv or --exact"};

    const ParameterTexts texts = ApplyAssignments(options.assignments);
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    WarnAboutReadings(texts, readings, parameters ? std::optional(parameters.value().n) : std::nullopt);
    if (!parameters)
        return ReportFault(parameters.fault(), options.json);
    const PierParameters &p = parameters.value();
    if (options.sheet.empty() && !options.csv && !options.json)
        return RunText(options, p);
    const auto quantities = calculate(p);
    if (!quantities)
        return ReportFault(quantities.fault(), options.json);
    const PierQuantities &q = quantities.value();
    if (!options.sheet.empty())
        return WriteSheet(options.sheet, options.title, texts, readings, p, q);
    if (options.csv)
        return Write(LayerCsv(p, q));
    const std::optional<ExactOutcome> exact = ExactIfAsked(options, p);
    return Write(JsonOutput(p, q, exact ? &*exact : nullptr));
}

} // namespace

int PierqtyCliMain(int argc, char **argv)
{
    Options options;
    if (const std::optional<int> status = ParseCommandLine(argc, argv, options))
        return *status;
    try {
        return Run(options);
    } catch (const UsageError &error) {
        return ReportUsageError(error.message);
    } catch (const BatchError &error) {
        std::cerr << "pierqty-cli: " << error.message << "\n";
        return error.status;
    } catch (const csv::ReadError &error) {
        std::cerr << "pierqty-cli: line " << error.line << ": " << error.message << "\n";
        return kExitData;
    } catch (const std::bad_alloc &) {
        std::fputs("pierqty-cli: out of memory\n", stderr);
        return kExitNoMemory;
    }
}
