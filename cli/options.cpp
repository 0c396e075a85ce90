#include "cli/options.h"

#include "calc/numbers.h"
#include "cli/output.h"
#include "pierqty/version.h"

#include <CLI/CLI.hpp>

#include <algorithm>
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

void AddBillOptions(CLI::App &app, Options &options)
{
    app.add_option("--xlsx", options.xlsx,
                   "Write the bill of quantities as an Excel workbook to FILE (- for standard output):\n"
                   "of this pier, or with --batch of every computed pier")
        ->type_name("FILE");
    app.add_option("--items", options.items,
                   "Bill items (codes, names, units) from FILE instead of the shipped table\n"
                   "(for the workbook and the summary sheet)")
        ->type_name("FILE");
    app.add_option("--grade", options.grade, "Concrete grade on the bill, e.g. C40 (a batch column grade overrides it)")
        ->type_name("TEXT");
    app.add_flag("--split-formwork", options.splitFormwork, "Bill the formwork as curved and straight lines");
}

} // namespace

sheet::TitleBlock SheetTitleBlock(const Options &options)
{
    sheet::TitleBlock block = options.titleBlock;
    bool given = !block.basis.empty();
    for (const std::string *field :
         {&block.pier, &block.drawing, &block.number, &block.revision, &block.compiled.name, &block.compiled.date,
          &block.checked.name, &block.checked.date, &block.approved.name, &block.approved.date})
        given = given || !field->empty();
    if (given && options.sheet.empty())
        throw UsageError{"the title-block options (--pier, --drawing, ...) name the sheet: they go with --sheet"};
    if (!options.title.empty() && !block.project.empty())
        throw UsageError{"--title and --project both name the project: give one"};
    if (block.project.empty())
        block.project = options.title;
    if (!block.project.empty() && options.sheet.empty() && options.xlsx.empty())
        throw UsageError{"--title and --project name the project on a sheet or a bill: they go with --sheet or --xlsx"};
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
    app.add_flag("--lenient", options.lenient,
                 "Read each TEXT as the window reads its field: a leading number, or 0 when there is none,\n"
                 "with a warning (without it, a TEXT that is not wholly a number exits 65)");
    app.add_flag("--bom", options.bom,
                 "Start the text, CSV or batch output with a UTF-8 byte order mark, for Notepad and\n"
                 "Excel on a Chinese Windows (not with --json: JSON takes none)");
    const CLI::Option *batch =
        app.add_option("--batch", options.batch,
                       "Run every pier of a CSV file (- for standard input) whose header names the parameters;\n"
                       "NAME=TEXT then sets the defaults for columns not given")
            ->type_name("FILE");
    const CLI::Option *sheet =
        app.add_option("--sheet", options.sheet,
                       "Write the calculation sheet (HTML, prints to A4) to FILE (- for standard output);\n"
                       "with --batch, one sheet per computed pier into the folder DIR, named by its id, or,\n"
                       "when the name ends in .html or .htm and is no existing folder, the bridge's summary\n"
                       "sheet to that one FILE: the bill, every pier's quantities and the piers left out")
            ->type_name("FILE|DIR");
    app.add_option("--title", options.title, "The project's name on the sheet (as --project)")->type_name("TEXT");
    AddSheetOptions(app, options);
    AddBillOptions(app, options);
    app.add_option("NAME=TEXT", options.assignments,
                   "A parameter and its text, one number: " + ParameterNameList(kFieldN) + " (metres) and " +
                       std::string(kParameterNames[kFieldN]) +
                       " (layers);\nfull-width digits and \u3002, as a Chinese input method types them, read as digits "
                       "and the point");
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
    options.sheetGiven = sheet->count() > 0;
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
            throw UsageError{"'" + PrintableText(assignment) + "' is not NAME=TEXT"};
        const std::string name = assignment.substr(0, equals);
        const int index = ParameterIndex(name);
        if (index < 0)
            throw UsageError{"unknown parameter '" + PrintableText(name) + "' (one of " + ParameterNameList() + ")"};
        const auto k = static_cast<std::size_t>(index);
        if (given[k])
            throw UsageError{"parameter " + name + " given twice"};
        given[k] = true;
        texts[k] = assignment.substr(equals + 1);
    }
    return texts;
}

namespace {

// The length of the UTF-8 sequence that starts text[pos], or 0 when the bytes
// there are no proper UTF-8 (a stray continuation byte, an overlong form, a
// surrogate, beyond U+10FFFF, cut short).
std::size_t SequenceLength(std::string_view text, std::size_t pos)
{
    const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
    const unsigned char lead = byteAt(0);
    const std::size_t length = lead < 0x80 ? 1
        : lead < 0xC2                      ? 0
        : lead < 0xE0                      ? 2
        : lead < 0xF0                      ? 3
        : lead < 0xF5                      ? 4
                                           : 0;
    if (length == 0 || pos + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byteAt(k) & 0xC0) != 0x80)
            return 0;
    }
    const unsigned char second = length > 1 ? byteAt(1) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

void AppendEscaped(std::string &out, unsigned char byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

} // namespace

std::string PrintableText(std::string_view text)
{
    const std::string excerpt = ExcerptText(text);
    std::string printable;
    for (std::size_t pos = 0; pos < excerpt.size();) {
        const std::size_t length = SequenceLength(excerpt, pos);
        const auto lead = static_cast<unsigned char>(excerpt[pos]);
        // C1 controls U+0080..U+009F are C2 80..C2 9F in UTF-8.
        const bool control = length == 1
            ? lead < 0x20 || lead == 0x7F
            : length == 2 && lead == 0xC2 && static_cast<unsigned char>(excerpt[pos + 1]) < 0xA0;
        if (length == 0 || control) {
            for (std::size_t k = 0; k < std::max<std::size_t>(length, 1); ++k)
                AppendEscaped(printable, static_cast<unsigned char>(excerpt[pos + k]));
        } else {
            printable.append(excerpt, pos, length);
        }
        pos += std::max<std::size_t>(length, 1);
    }
    return printable;
}

void RequireNumbers(const ParameterTexts &texts, const ParameterReadings &readings)
{
    std::string list;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (readings[k].isNumber())
            continue;
        list += list.empty() ? "" : ", ";
        list += std::string(kParameterNames[k]) + " = \"" + PrintableText(texts[k]) + "\"";
    }
    if (!list.empty())
        throw DataError{"not a number: " + list + "\n" +
                        "pierqty-cli: with --lenient such a text is read as the window reads it: its leading number, "
                        "or 0 when it has none"};
}

void WarnAboutReadings(const ParameterTexts &texts, const ParameterReadings &readings)
{
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const std::string name(kParameterNames[k]);
        const std::string value = ShortestText(readings[k].value);
        switch (readings[k].status) {
        case NumberStatus::NoNumber:
            std::cerr << "warning: " << name << ": \"" << PrintableText(texts[k]) << "\" holds no number; read as 0\n";
            break;
        case NumberStatus::Leading:
            std::cerr << "warning: " << name << ": \"" << PrintableText(texts[k]) << "\" read as " << value
                      << " (the characters after the number are ignored)\n";
            break;
        case NumberStatus::Whole:
        case NumberStatus::OutOfRange:
            break;
        }
    }
    const ParameterReading &n = readings[kFieldN];
    if (n.rounded())
        std::cerr << "warning: n: " << ShortestText(n.value) << " rounded to " << *n.layers << " layers\n";
}

} // namespace pierqty::cli
