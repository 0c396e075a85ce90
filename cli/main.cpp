// pierqty-cli: the calculator's companion for scripts and checks.
//
//   pierqty-cli [--json] [--exact] [--lenient] [--bom] [NAME=TEXT ...]
//   pierqty-cli --csv [--lenient] [--bom] [NAME=TEXT ...]
//   pierqty-cli --batch FILE|- [--bom] [NAME=TEXT ...]
//   pierqty-cli --sheet FILE|- [--title TEXT] [--lenient] [NAME=TEXT ...]
//   pierqty-cli --batch FILE|- --sheet DIR [--title TEXT] [--bom] [NAME=TEXT ...]
//   pierqty-cli --batch FILE|- --sheet FILE.html [--title TEXT] [--items FILE] [--grade TEXT] [--split-formwork] [NAME=TEXT ...]
//   pierqty-cli [--batch FILE|-] --xlsx FILE [--title TEXT] [--items FILE] [--grade TEXT] [--split-formwork] [NAME=TEXT ...]
//
// Each TEXT must be one number (full-width digits and "。" allowed), as a
// batch cell must; with --lenient it is read as the window reads its field,
// with a warning. A parameter not given keeps the window's default text.
// Exit status: 0 done (in a batch: every pier computed), 2 the calculation
// stopped with a fault (in a batch: some pier did, every row and TOTAL
// written), 64 a usage error, 65 a text that is not a number or a malformed
// batch file, 66 a batch file that cannot be read, 71 out of memory, 74 output
// failed. A reader that closes the pipe early ends the program by SIGPIPE,
// silently.

#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "cli/batch.h"
#include "cli/bill_output.h"
#include "cli/bridge_output.h"
#include "cli/reader/csv.h"
#include "cli/entry.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/sheet_output.h"
#include "cli/writers.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <utility>

namespace {

using namespace pierqty;
using namespace pierqty::cli;

// Memory ran out (as sysexits.h's EX_OSERR): said, never an abort.
constexpr int kExitNoMemory = 71;

// What a run writes, chosen once from the flags: a batch, a workbook, a
// sheet, the layer CSV, JSON, or the text report. --exact adds the exact
// quantities to the text report or the JSON.
enum class OutputMode { Batch, Workbook, Sheet, Csv, Json, Text };

OutputMode ChosenOutput(const Options &options)
{
    if (options.batchGiven)
        return OutputMode::Batch;
    if (!options.xlsx.empty())
        return OutputMode::Workbook;
    if (!options.sheet.empty())
        return OutputMode::Sheet;
    if (options.csv)
        return OutputMode::Csv;
    return options.json ? OutputMode::Json : OutputMode::Text;
}

// The output flags given, one bit each, as the outputs refuse them.
enum OutputFlag : unsigned { kJsonFlag = 1u, kCsvFlag = 2u, kExactFlag = 4u, kSheetFlag = 8u };

unsigned GivenFlags(const Options &options)
{
    return (options.json ? kJsonFlag : 0u) | (options.csv ? kCsvFlag : 0u) | (options.exact ? kExactFlag : 0u) |
        (options.sheet.empty() ? 0u : kSheetFlag);
}

// An output flag, or an output, that takes none of the refused flags.
struct Refusal {
    unsigned refused;
    const char *message;
};

// What --csv and --sheet FILE refuse, in the order checked: the first that
// applies is the usage error.
constexpr std::pair<OutputFlag, Refusal> kFlagRefusals[] = {
    {kCsvFlag, {kExactFlag, "--csv writes the per-layer table with its own true strip areas: it takes no --exact"}},
    {kCsvFlag, {kJsonFlag, "--csv and --json are two different outputs: choose one"}},
    {kSheetFlag,
     {kJsonFlag | kCsvFlag | kExactFlag, "--sheet writes the calculation sheet: it takes no --json, --csv or --exact"}},
};
// What a batch and a workbook refuse, checked when they run.
constexpr Refusal kBatchRefusal{kJsonFlag | kCsvFlag | kExactFlag,
                                "--batch writes its own CSV: it takes no --json, --csv or --exact"};
constexpr Refusal kWorkbookRefusal{kJsonFlag | kCsvFlag | kExactFlag | kSheetFlag,
                                   "--xlsx writes the workbook: it takes no --json, --csv, --exact or --sheet"};

void Refuse(const Refusal &refusal, unsigned given)
{
    if ((given & refusal.refused) != 0)
        throw UsageError{refusal.message};
}

int RunBatch(const Options &options)
{
    if (options.batch.empty())
        throw UsageError{"--batch needs a file name, or - for standard input"};
    Refuse(kBatchRefusal, GivenFlags(options));
    if (options.lenient)
        throw UsageError{"--lenient reads the texts of one pier: a batch holds every cell to be a number"};
    const bool summary = SummarySheetWanted(options);
    std::optional<sheet::SheetFolder> sheets;
    if (!options.sheet.empty() && !summary)
        sheets.emplace(options.sheet, SheetTitleBlock(options), SheetDate());
    const ParameterTexts defaults = BatchDefaults(options.assignments, std::cerr);
    if (options.xlsx.empty() && !summary)
        return RunBatchFile(options.batch, defaults, sheets ? &*sheets : nullptr);
    // The workbook and the summary sheet take their bill from the same piers.
    const bill::WorkbookOptions workbook = WorkbookOptionsFrom(options);
    WorkbookPiers piers(options.grade);
    int status = RunBatchFile(options.batch, defaults, sheets ? &*sheets : nullptr, piers.hook());
    const auto combine = [&](int written) {
        status = status == kExitIo || written == kExitIo ? kExitIo : std::max(status, written);
    };
    if (!options.xlsx.empty())
        combine(WriteBillWorkbook(options.xlsx, piers.piers(), workbook));
    if (summary)
        combine(WriteSummarySheet(options.sheet, piers.piers(), workbook, SheetTitleBlock(options)));
    return status;
}

// The workbook of one pier: nothing is written when it cannot be billed.
// Why a pier is not billed, in English as every message of the CLI: the
// workbook's own reason is Chinese.
std::string UnbilledReason(const PierParameters &p)
{
    if (const auto quantities = calculate(p); !quantities)
        return quantities.fault().messageEn();
    if (const std::optional<CalculationFault> unbuildable = UnbuildableFault(p))
        return unbuildable->messageEn();
    const PierReason exact = ExactApplicability(p);
    return exact.empty() ? "its exact quantities cannot be computed" : "its exact quantities do not apply: " + exact.en;
}

int RunWorkbook(const Options &options, const ParameterTexts &texts, const PierParameters &p)
{
    Refuse(kWorkbookRefusal, GivenFlags(options));
    const bill::WorkbookOptions workbook = WorkbookOptionsFrom(options);
    const bill::PierRecord pier = bill::MakePierRecord("1", texts, options.grade);
    if (!pier.billed()) {
        std::cerr << "pierqty-cli: the pier cannot be billed: " << UnbilledReason(p) << "; no workbook written\n";
        return kExitFault;
    }
    return WriteBillWorkbook(options.xlsx, {pier}, workbook);
}

std::optional<ExactOutcome> ExactIfAsked(const Options &options, const PierParameters &p)
{
    return options.exact ? std::optional(CalculateExact(p)) : std::nullopt;
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

// The flags that make no sense together, and the ones that need a value.
void CheckCombinations(const Options &options)
{
    if (options.sheetGiven && options.sheet.empty())
        throw UsageError{options.batchGiven
                             ? "--sheet needs a folder name for the sheets, or a file name ending in .html"
                             : "--sheet needs a file name, or - for standard output"};
    if (options.xlsx.empty() && !SummarySheetWanted(options))
        (void)WorkbookOptionsFrom(options); // bill options without a bill are a usage error
    if (options.batchGiven && options.sheet == "-")
        throw UsageError{"with --batch, --sheet names a folder for one sheet per pier, or a FILE.html for the summary, "
                         "not -"};
    if (options.batchGiven && options.xlsx == "-")
        throw UsageError{"with --batch, standard output takes the CSV: --xlsx needs a file name"};
    if (options.batchGiven)
        return; // RunBatch says what a batch does not take
    const unsigned given = GivenFlags(options);
    for (const auto &[flag, refusal] : kFlagRefusals) {
        if ((given & flag) != 0)
            Refuse(refusal, given);
    }
    // RFC 8259, section 8.1: JSON text must not begin with a byte order mark.
    if (options.bom && options.json)
        throw UsageError{"--bom: JSON must not start with a byte order mark (RFC 8259), so --json takes none"};
    if (options.bom && !options.xlsx.empty() && !options.batchGiven)
        throw UsageError{"--bom: a workbook is a zip archive, so --xlsx takes none"};
    if (options.bom && !options.sheet.empty() && !options.batchGiven)
        throw UsageError{"--bom: the sheet is HTML that names its encoding, so --sheet takes none"};
}

int Run(const Options &options)
{
    CheckCombinations(options);
    const sheet::TitleBlock titleBlock = SheetTitleBlock(options);
    SetByteOrderMark(options.bom);
    const OutputMode mode = ChosenOutput(options);
    if (mode == OutputMode::Batch)
        return RunBatch(options);

    const ParameterTexts texts = ApplyAssignments(options.assignments);
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    // Before any output: a sheet must not carry a text that was not a number.
    if (!options.lenient)
        RequireNumbers(texts, readings);
    WarnAboutReadings(texts, readings);
    if (!parameters)
        return ReportFault(parameters.fault(), options.json);
    if (mode == OutputMode::Workbook)
        return RunWorkbook(options, texts, parameters.value());
    const PierParameters &p = parameters.value();
    // A pier that cannot be built keeps its figures, with a warning; its sheet is refused.
    if (const std::optional<CalculationFault> unbuildable = UnbuildableFault(p)) {
        if (mode == OutputMode::Sheet)
            return ReportFault(*unbuildable, false);
        std::cerr << "warning: " << unbuildable->messageEn() << "\n";
    }
    if (mode == OutputMode::Text)
        return RunText(options, p);
    const auto quantities = calculate(p);
    if (!quantities)
        return ReportFault(quantities.fault(), mode == OutputMode::Json);
    const PierQuantities &q = quantities.value();
    if (mode == OutputMode::Sheet)
        return WriteSheet(options.sheet, titleBlock, texts, readings, p, q);
    if (mode == OutputMode::Csv)
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
    } catch (const DataError &error) {
        std::cerr << "pierqty-cli: " << error.message << "\n";
        return kExitData;
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
