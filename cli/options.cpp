#include "cli/options.h"

#include "cli/output.h"
#include "pierqty/version.h"
#include "platform/numbers.h"

#include <CLI/CLI.hpp>

#include <array>
#include <iostream>

namespace pierqty::cli {

std::string ParameterNameList(int count)
{
    std::string list;
    for (int k = 0; k < count; ++k) {
        if (k > 0)
            list += ' ';
        list += kParameterNames[static_cast<std::size_t>(k)];
    }
    return list;
}

namespace {

void AddBillOptions(CLI::App &app, Options &options)
{
    app.add_option("--xlsx", options.xlsx,
                   "Write the bill of quantities as an Excel workbook to FILE (- for standard output):\n"
                   "of this pier, or with --batch of every computed pier")
        ->type_name("FILE");
    app.add_option("--items", options.items, "Bill items (codes, names, units) from FILE instead of the shipped table")
        ->type_name("FILE");
    app.add_option("--grade", options.grade, "Concrete grade on the bill, e.g. C40 (a batch column grade overrides it)")
        ->type_name("TEXT");
    app.add_flag("--split-formwork", options.splitFormwork, "Bill the formwork as curved and straight lines");
}

} // namespace

std::optional<int> ParseCommandLine(int argc, char **argv, Options &options)
{
    CLI::App app{"Formwork area and concrete volume of one vase-shaped bridge pier.\n"
                 "Parameters not given keep their defaults: " +
                     std::string(DefaultInputText),
                 "pierqty-cli"};
    app.set_version_flag("--version", "pierqty-cli " PIERQTY_VERSION_TEXT);
    app.add_flag("--json", options.json, "Write every quantity, layer and text as one JSON object");
    app.add_flag("--exact", options.exact,
                 "Add the exact volume and the true formwork area by face, beside the layered figures");
    app.add_flag("--csv", options.csv, "Write one CSV row per layer instead (with true strip areas)");
    const CLI::Option *batch =
        app.add_option("--batch", options.batch,
                       "Run every pier of a CSV file (- for standard input) whose header names the parameters;\n"
                       "NAME=TEXT then sets the defaults for columns not given")
            ->type_name("FILE");
    app.add_option("--sheet", options.sheet,
                   "Write the calculation sheet (HTML, prints to A4) to FILE (- for standard output);\n"
                   "with --batch, one sheet per computed pier into the folder DIR, named by its id")
        ->type_name("FILE|DIR");
    app.add_option("--title", options.title, "A line naming the project or pier on the sheet")->type_name("TEXT");
    AddBillOptions(app, options);
    app.add_option("NAME=TEXT", options.assignments,
                   "A parameter and its text, read as the window reads a field:\n" + ParameterNameList(kFieldN) +
                       " (metres) and " + std::string(kParameterNames[kFieldN]) + " (layers)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &success) {
        // --help and --version: their text is output like any other.
        const int status = app.exit(success);
        const int flushed = FlushStandardOutput();
        return flushed != kExitDone ? flushed : status;
    } catch (const CLI::ParseError &error) {
        return ReportUsageError(error.what());
    }
    options.batchGiven = batch->count() > 0;
    return std::nullopt;
}

int ReportUsageError(const std::string &message)
{
    std::cerr << "pierqty-cli: " << message << "\nRun with --help for more information.\n";
    return kExitUsage;
}

ParameterTexts ApplyAssignments(const std::vector<std::string> &assignments)
{
    ParameterTexts texts = DefaultParameterTexts();
    std::array<bool, kParameterCount> given{};
    for (const std::string &assignment : assignments) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos)
            throw UsageError{"'" + ExcerptText(assignment) + "' is not NAME=TEXT"};
        const std::string name = assignment.substr(0, equals);
        const int index = ParameterIndex(name);
        if (index < 0)
            throw UsageError{"unknown parameter '" + ExcerptText(name) + "' (one of " + ParameterNameList() + ")"};
        const auto k = static_cast<std::size_t>(index);
        if (given[k])
            throw UsageError{"parameter " + name + " given twice"};
        given[k] = true;
        texts[k] = assignment.substr(equals + 1);
    }
    return texts;
}

void WarnAboutReadings(const ParameterTexts &texts, const ParameterReadings &readings,
                       std::optional<std::int16_t> layerCount)
{
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const std::string name(kParameterNames[k]);
        const std::string value = ShortestText(readings[k].value);
        switch (readings[k].status) {
        case NumberStatus::NoNumber:
            std::cerr << "warning: " << name << ": \"" << ExcerptText(texts[k]) << "\" holds no number; read as 0\n";
            break;
        case NumberStatus::Leading:
            std::cerr << "warning: " << name << ": \"" << ExcerptText(texts[k]) << "\" read as " << value
                      << " (the characters after the number are ignored)\n";
            break;
        case NumberStatus::Whole:
        case NumberStatus::OutOfRange:
            break;
        }
    }
    const double n = readings[kFieldN].value;
    if (layerCount && static_cast<double>(*layerCount) != n)
        std::cerr << "warning: n: " << ShortestText(n) << " rounded to " << *layerCount << " layers\n";
}

} // namespace pierqty::cli
