// pierqty-cli's command line: the flags, the NAME=TEXT assignments over the
// default texts, and the usage errors.
#pragma once

#include "calc/parameters.h"
#include "sheet/sheet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::cli {

struct Options {
    bool json = false;
    bool exact = false;
    bool csv = false;
    bool lenient = false; // read NAME=TEXT as the window reads a field
    bool bom = false; // a UTF-8 byte order mark before the output
    bool batchGiven = false;
    bool sheetGiven = false; // --sheet given, even as ""

    std::string batch;
    std::string sheet;
    std::string title;
    sheet::TitleBlock titleBlock; // --project ... --approved-on, --basis
    std::string xlsx; // the bill's workbook
    std::string items; // the bill's items table, instead of the shipped one
    std::string grade; // the concrete grade on the bill
    bool splitFormwork = false;
    std::vector<std::string> assignments;
};

// A command line that cannot be run: exits with kExitUsage.
struct UsageError {
    std::string message;
};

// A text given for a parameter that is not one number: exits with kExitData.
struct DataError {
    std::string message;
};

// The first count parameter letters, separated by blanks: "L1 R1 ... n".
std::string ParameterNameList(int count = kParameterCount);

// Reads the command line into options. Returns the exit status when the run
// ends there (--help, --version, a usage error, all said already), nullopt
// to go on.
std::optional<int> ParseCommandLine(int argc, char **argv, Options &options);

// The sheet's title block: --project, or --title, names the project (not
// both). Throws UsageError when a title-block option comes without --sheet.
sheet::TitleBlock SheetTitleBlock(const Options &options);

// Says on standard error that the command line cannot be run.
int ReportUsageError(const std::string &message);

// Applies NAME=TEXT assignments over the default texts. Throws UsageError.
ParameterTexts ApplyAssignments(const std::vector<std::string> &assignments);

// A typed text for a message: cut short as ExcerptText does, and every byte
// that could drive a terminal (C0 and C1 controls, DEL, bytes that are not
// UTF-8) shown as \xNN.
std::string PrintableText(std::string_view text);

// Throws DataError naming every parameter whose text is not wholly a number
// (ParameterReading::isNumber), as a batch cell is judged. Full-width
// digits and "。" are numbers; a number beyond a double's range is left to
// the calculation, which stops with Overflow.
void RequireNumbers(const ParameterTexts &texts, const ParameterReadings &readings);

// Says on standard error how a text that is not one proper number was read,
// and when n was rounded to a whole number of layers.
void WarnAboutReadings(const ParameterTexts &texts, const ParameterReadings &readings);

} // namespace pierqty::cli
