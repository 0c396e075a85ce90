// pierqty-cli's command line: the flags, the NAME=TEXT assignments over the
// default texts, and the usage errors.
#pragma once

#include "calc/parameters.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pierqty::cli {

struct Options {
    bool json = false;
    bool exact = false;
    bool csv = false;
    bool batchGiven = false;
    std::string batch;
    std::string sheet;
    std::string title;
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

// The first count parameter letters, separated by blanks: "L1 R1 ... n".
std::string ParameterNameList(int count = kParameterCount);

// Reads the command line into options. Returns the exit status when the run
// ends there (--help, --version, a usage error, all said already), nullopt
// to go on.
std::optional<int> ParseCommandLine(int argc, char **argv, Options &options);

// Says on standard error that the command line cannot be run.
int ReportUsageError(const std::string &message);

// Applies NAME=TEXT assignments over the default texts. Throws UsageError.
ParameterTexts ApplyAssignments(const std::vector<std::string> &assignments);

// Says on standard error how a text that is not one proper number was read,
// and when n was rounded to a whole number of layers.
void WarnAboutReadings(const ParameterTexts &texts, const ParameterReadings &readings,
                       std::optional<std::int16_t> layerCount);

} // namespace pierqty::cli
