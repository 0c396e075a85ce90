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

// The title block's fields: each names one field of the sheet's head.
void AddSheetOptions(CLI::App &app, Options &options)
{
    sheet::TitleBlock &b = options.titleBlock;
    const std::pair<const char *, std::string *> fields[] = {
        {"--project", &b.project},           {"--pier", &b.pier},
        {"--drawing", &b.drawing},           {"--number", &b.number},
        {"--revision", &b.revision},         {"--compiled-by", &b.compiled.name},
        {"--compiled-on", &b.compiled.date}, {"--checked-by", &b.checked.name},
        {"--checked-on", &b.checked.date},   {"--approved-by", &b.approved.name},
        {"--approved-on", &b.approved.date}};
    const char *const help[] = {"Project name (工程名称) on the sheet",
                                "Pier number (墩号)",
                                "Drawing reference (图号), also named under the basis",
                                "Sheet number (计算书编号)",
                                "Revision (版次)",
                                "Compiled by (编制): name",
                                "Compiled by: date",
                                "Checked by (复核): name",
                                "Checked by: date",
                                "Approved by (审核): name",
                                "Approved by: date"};
    for (std::size_t k = 0; k < std::size(fields); ++k)
        app.add_option(fields[k].first, *fields[k].second, help[k])->type_name("TEXT")->group("Sheet title block");
    app.add_option("--basis", b.basis, "A further line of the basis (计算依据); may be repeated")
        ->type_name("TEXT")
        ->group("Sheet title block");
}

} // namespace

sheet::TitleBlock SheetTitleBlock(const Options &options)
{
    sheet::TitleBlock block = options.titleBlock;
    bool given = !options.title.empty() || !block.basis.empty();
    for (const std::string *field :
         {&block.project, &block.pier, &block.drawing, &block.number, &block.revision, &block.compiled.name,
          &block.compiled.date, &block.checked.name, &block.checked.date, &block.approved.name, &block.approved.date})
        given = given || !field->empty();
    if (given && options.sheet.empty())
        throw UsageError{"--title and the title-block options (--project, --pier, ...) name the sheet: they go with "
                         "--sheet"};
    if (!options.title.empty() && !block.project.empty())
        throw UsageError{"--title and --project both name the project: give one"};
    if (block.project.empty())
        block.project = options.title;
    return block;
}

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
    app.add_option("--title", options.title, "The project's name on the sheet (as --project)")->type_name("TEXT");
    AddSheetOptions(app, options);
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
