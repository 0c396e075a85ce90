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
// malformed batch file, 66 a batch file that cannot be read, 74 output failed.

#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "calc/texts.h"
#include "cli/csv.h"
#include "cli/entry.h"
#include "cli/input.h"
#include "cli/sheet_output.h"
#include "pierqty/version.h"
#include "platform/numbers.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

using namespace pierqty;
using Json = nlohmann::ordered_json;

constexpr int kExitFault = 2;
constexpr int kExitUsage = 64;
constexpr int kExitData = 65;
constexpr int kExitNoInput = 66;
constexpr int kExitIo = 74;

struct Options {
    bool json = false;
    bool exact = false;
    bool csv = false;
    bool batchGiven = false;
    std::string batch;
    std::string sheet;
    std::string title;
    std::vector<std::string> assignments;
};

struct UsageError {
    std::string message;
};

// A batch file that cannot be used: stops the batch with nothing written.
struct BatchError {
    std::string message;
    int status = kExitData;
};

// Applies NAME=TEXT assignments over the default texts.
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
            throw UsageError{"unknown parameter '" + ExcerptText(name) + "' (one of L1 R1 L2 R2 H1 H2 h l1 l2 l3 n)"};
        const auto k = static_cast<std::size_t>(index);
        if (given[k])
            throw UsageError{"parameter " + name + " given twice"};
        given[k] = true;
        texts[k] = assignment.substr(equals + 1);
    }
    return texts;
}

// Says on stderr how a text that is not one proper number was read.
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
    if (layerCount && static_cast<double>(*layerCount) != readings[10].value)
        std::cerr << "warning: n: " << ShortestText(readings[10].value) << " rounded to " << *layerCount << " layers\n";
}

Json ParametersJson(const PierParameters &p)
{
    return Json{{"L1", p.L1}, {"R1", p.R1}, {"L2", p.L2}, {"R2", p.R2}, {"H1", p.H1}, {"H2", p.H2},
                {"h", p.h},   {"l1", p.l1}, {"l2", p.l2}, {"l3", p.l3}, {"n", p.n}};
}

Json QuantitiesJson(const PierQuantities &q)
{
    return Json{{"SectionCut", q.SectionCut},
                {"S0", q.S0},
                {"ShaftVolume", q.ShaftVolume},
                {"PerimeterCorrection", q.PerimeterCorrection},
                {"ShaftFormwork", q.ShaftFormwork},
                {"TopSection", q.TopSection},
                {"CapVolume", q.CapVolume},
                {"CapFormwork", q.CapFormwork},
                {"LayerHeight", q.LayerHeight},
                {"FlareVolume", q.FlareVolume},
                {"FlareFormwork", q.FlareFormwork},
                {"S", q.S},
                {"V", q.V}};
}

Json LayersJson(const PierQuantities &q)
{
    Json layers = Json::array();
    for (const LayerSection &layer : q.Layers)
        layers.push_back(Json{{"i", layer.i}, {"y", layer.y_i}, {"S", layer.S_i}});
    return layers;
}

std::string Dump(const Json &json)
{
    // User texts may hold invalid UTF-8: replace such bytes, never throw.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

int Write(const std::string &text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        std::perror("pierqty-cli: writing the output");
        return kExitIo;
    }
    return 0;
}

int ReportFault(const CalculationFault &fault, bool json)
{
    std::cerr << "pierqty-cli: " << fault.messageEn() << "\n";
    if (json) {
        const int status = Write(Dump(Json{{"fault", FaultKindName(fault.kind)}, {"message", fault.messageEn()}}));
        if (status != 0)
            return status;
    }
    return kExitFault;
}

// (layered - exact) / exact, in percent, signed.
std::string PercentDifference(double layered, double exact)
{
    if (exact == 0.0)
        return "";
    const double percent = (layered - exact) / exact * 100.0;
    return (percent >= 0 ? "+" : "") + FormatFixed6(percent) + " %";
}

void AppendExactText(std::string &out, const PierQuantities &q, const ExactOutcome &outcome)
{
    if (const auto *na = std::get_if<NotApplicable>(&outcome)) {
        out += "Exact quantities: not applicable: " + na->reason + "\n";
        return;
    }
    const ExactQuantities &e = std::get<ExactQuantities>(outcome);
    out += "Exact quantities (layered figure beside; difference = layered - exact, in percent of exact):\n";
    const auto row = [&out](const char *label, double exact, const char *unit, const double *layered) {
        std::string line = "  ";
        line += label;
        line.resize(28, ' ');
        std::string value = formatQuantity(exact);
        line += std::string(value.size() < 14 ? 14 - value.size() : 0, ' ') + value + " " + unit;
        if (layered) {
            line += "   layered " + formatQuantity(*layered) + " " + unit + "   " + PercentDifference(*layered, exact);
        }
        out += line + "\n";
    };
    row("flare volume", e.FlareVolume, "m3", &q.FlareVolume);
    row("V", e.V, "m3", &q.V);
    row("projected flare formwork", e.ProjectedFlareFormwork, "m2", &q.FlareFormwork);
    row("true flare formwork", e.TrueFlareFormwork, "m2", &q.FlareFormwork);
    row("  end faces", e.EndFaces, "m2", nullptr);
    row("  grooved faces", e.GroovedFaces, "m2", nullptr);
    row("  groove walls", e.GrooveWalls, "m2", nullptr);
    row("  chamfers", e.Chamfers, "m2", nullptr);
    row("projected S", e.ProjectedS, "m2", &q.S);
    row("true S", e.S, "m2", &q.S);
}

Json ExactJson(const ExactOutcome &outcome)
{
    if (const auto *na = std::get_if<NotApplicable>(&outcome))
        return Json{{"notApplicable", na->reason}};
    const ExactQuantities &e = std::get<ExactQuantities>(outcome);
    return Json{{"FlareVolume", e.FlareVolume},
                {"V", e.V},
                {"ProjectedFlareFormwork", e.ProjectedFlareFormwork},
                {"TrueFlareFormwork", e.TrueFlareFormwork},
                {"EndFaces", e.EndFaces},
                {"GroovedFaces", e.GroovedFaces},
                {"GrooveWalls", e.GrooveWalls},
                {"Chamfers", e.Chamfers},
                {"ProjectedS", e.ProjectedS},
                {"S", e.S}};
}

// One row per layer, for spreadsheets and climbing-form lifts. Volumes and
// formwork of a layer as the layered method counts them; the true area of
// the layer's strip; running sums from the foot of the flared part.
std::string LayerCsv(const PierParameters &p, const PierQuantities &q)
{
    const std::string notApplicable = ExactApplicability(p);
    if (!notApplicable.empty())
        std::cerr << "warning: true areas not applicable: " << notApplicable << "\n";
    std::string out;
    out.reserve(q.Layers.size() * 160 + 256);
    csv::AppendRow(out,
                   {"i", "y_i", "S_i", "outline_i", "layer_volume", "layer_formwork", "layer_true_formwork",
                    "cumulative_volume", "cumulative_true_formwork"});
    double previousTop = 0.0;
    double cumulativeVolume = 0.0;
    double cumulativeTrue = 0.0;
    for (const LayerSection &layer : q.Layers) {
        cumulativeVolume += layer.volume;
        std::string trueArea, trueSum;
        const double top = std::min(layer.y_i, p.h);
        const double strip = notApplicable.empty() ? TrueFlareFormworkBetween(p, previousTop, top) : NAN;
        if (std::isfinite(strip)) {
            cumulativeTrue += strip;
            trueArea = ShortestText(strip);
            trueSum = ShortestText(cumulativeTrue);
            previousTop = top;
        }
        csv::AppendRow(out,
                       {std::to_string(layer.i), ShortestText(layer.y_i), ShortestText(layer.S_i),
                        ShortestText(layer.outline), ShortestText(layer.volume), ShortestText(layer.formwork), trueArea,
                        ShortestText(cumulativeVolume), trueSum});
    }
    return out;
}

std::string Trim(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A cell's text for the fault column: cut short, and a control character
// (a NUL from a damaged file) shown as \xNN so the field stays printable.
std::string QuoteCell(const std::string &text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (const char c : ExcerptText(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

// One pier's row of the batch output. A figure left empty was not computed.
struct BatchRow {
    std::string id, S, V, trueS, exactV, projectedS, fault;

    void appendTo(std::string &out) const { csv::AppendRow(out, {id, S, V, trueS, exactV, projectedS, fault}); }
};

struct BatchOutput {
    std::string csv;
    bool anyStopped = false; // some pier has no figures: a fault or a cell that is no number
};

// Runs every pier of a CSV file whose header names the parameters (any
// subset, any order, and an optional id). A blank cell takes the default, as
// a missing column does. A pier that stops, or whose cell is not wholly a
// number, is reported in its row with its figures empty; a malformed file
// stops the batch before anything is written. TOTAL sums every column over
// the same piers: those with all figures, the exact ones included; its fault
// column says how many piers that is when it is not all of them.
BatchOutput RunBatch(std::istream &in, const ParameterTexts &defaults, cli::SheetFolder *sheets)
{
    csv::Reader reader(in);
    const auto header = reader.next();
    if (!header)
        throw BatchError{"the batch file is empty: its first line must name the parameters (e.g. id,L1,h,n)"};
    std::vector<int> columns; // parameter index, or -1 for id
    std::array<bool, kParameterCount> named{};
    bool haveId = false;
    for (const std::string &raw : header->fields) {
        const std::string name = Trim(raw);
        const int index = name == "id" ? -1 : ParameterIndex(name);
        if (name != "id" && index < 0)
            throw BatchError{"line 1: unknown column '" + ExcerptText(name) +
                             "' (columns are id, L1 R1 L2 R2 H1 H2 h l1 l2 l3 n)"};
        bool &seen = index < 0 ? haveId : named[static_cast<std::size_t>(index)];
        if (seen)
            throw BatchError{"line 1: column '" + name + "' appears twice"};
        seen = true;
        columns.push_back(index);
    }

    std::string out;
    csv::AppendRow(out, {"id", "S", "V", "true_S", "exact_V", "projected_S", "fault"});
    struct Sum {
        double value = 0.0;
        void add(double v) { value += v; }
    } S, V, trueS, exactV, projectedS;
    int piers = 0, stopped = 0, withoutExact = 0;
    while (const auto record = reader.next()) {
        if (record->fields.size() == 1 && Trim(record->fields[0]).empty())
            continue; // a blank line
        if (record->fields.size() != columns.size())
            throw BatchError{"line " + std::to_string(record->line) + ": " + std::to_string(record->fields.size()) +
                             " fields where the header names " + std::to_string(columns.size())};
        ++piers;
        ParameterTexts texts = defaults;
        BatchRow row;
        row.id = std::to_string(piers);
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const std::string &cell = record->fields[k];
            if (columns[k] < 0) {
                row.id = cell;
                continue;
            }
            if (Trim(cell).empty())
                continue;
            const auto index = static_cast<std::size_t>(columns[k]);
            const NumberStatus status = ParseNumber(cell).status;
            if (status == NumberStatus::Leading || status == NumberStatus::NoNumber) {
                row.fault += row.fault.empty() ? "NotANumber: " : "; ";
                row.fault += std::string(kParameterNames[index]) + " = " + QuoteCell(cell) + " is not a number";
            }
            texts[index] = cell;
        }
        if (!row.fault.empty()) {
            ++stopped;
            row.appendTo(out);
            continue;
        }
        const auto parameters = parsePierParameters(texts);
        const auto quantities =
            parameters ? calculate(parameters.value()) : Outcome<PierQuantities>(parameters.fault());
        if (!quantities) {
            ++stopped;
            row.fault = quantities.fault().messageEn();
            row.appendTo(out);
            continue;
        }
        const PierQuantities &q = quantities.value();
        if (sheets)
            sheets->add(row.id, texts);
        row.S = ShortestText(q.S);
        row.V = ShortestText(q.V);
        const ExactOutcome exact = calculateExact(parameters.value());
        if (const auto *e = std::get_if<ExactQuantities>(&exact)) {
            row.trueS = ShortestText(e->S);
            row.exactV = ShortestText(e->V);
            row.projectedS = ShortestText(e->ProjectedS);
            S.add(q.S);
            V.add(q.V);
            trueS.add(e->S);
            exactV.add(e->V);
            projectedS.add(e->ProjectedS);
        } else {
            ++withoutExact;
            row.fault = "NotApplicable: " + std::get<NotApplicable>(exact).reason;
        }
        row.appendTo(out);
    }
    std::string coverage;
    if (stopped + withoutExact > 0) {
        coverage =
            "sums over " + std::to_string(piers - stopped - withoutExact) + " of " + std::to_string(piers) + " piers (";
        if (stopped > 0)
            coverage += std::to_string(stopped) + " stopped";
        if (stopped > 0 && withoutExact > 0)
            coverage += ", ";
        if (withoutExact > 0)
            coverage += std::to_string(withoutExact) + " without exact figures";
        coverage += ")";
        std::cerr << "warning: TOTAL " << coverage << "\n";
    }
    csv::AppendRow(out,
                   {"TOTAL", ShortestText(S.value), ShortestText(V.value), ShortestText(trueS.value),
                    ShortestText(exactV.value), ShortestText(projectedS.value), coverage});
    return {std::move(out), stopped > 0};
}

// NAME=TEXT over the default texts, for every pier of a batch. A default
// that cannot be read, or is not wholly a number, would spoil every row.
ParameterTexts BatchDefaults(const std::vector<std::string> &assignments)
{
    const ParameterTexts texts = ApplyAssignments(assignments);
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    if (!parameters)
        throw UsageError{"the default cannot be read: " + parameters.fault().messageEn()};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (readings[k].status != NumberStatus::Whole)
            throw UsageError{"the default " + std::string(kParameterNames[k]) + " = " + QuoteCell(texts[k]) +
                             " is not a number"};
    }
    return texts;
}

int RunBatchFile(const std::string &path, const ParameterTexts &defaults, cli::SheetFolder *sheets)
{
    const cli::InputFile file = cli::ReadWholeFile(path);
    const std::string name = path == "-" ? "standard input" : "'" + path + "'";
    if (file.error != 0) {
        const std::string reason = std::generic_category().message(file.error);
        if (file.data.empty())
            throw BatchError{"cannot read " + name + ": " + reason, kExitNoInput};
        const auto line = std::count(file.data.begin(), file.data.end(), '\n') + 1;
        throw BatchError{"reading " + name + " failed at line " + std::to_string(line) + ": " + reason, kExitNoInput};
    }
    // Excel's "CSV UTF-8" starts with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::string_view data(file.data);
    std::istringstream in(std::string(data.substr(data.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0)));
    const BatchOutput batch = RunBatch(in, defaults, sheets);
    if (sheets && !sheets->write())
        throw BatchError{sheets->error() + "; the sheets after it were not written", kExitIo};
    const int status = Write(batch.csv);
    return status != 0 ? status : batch.anyStopped ? kExitFault : 0;
}

int Run(const Options &options)
{
    if (!options.title.empty() && options.sheet.empty())
        throw UsageError{"--title names the pier on a sheet: it goes with --sheet"};
    if (options.batchGiven && options.sheet == "-")
        throw UsageError{"with --batch, --sheet names a folder for one sheet per pier, not -"};
    if (options.batchGiven) {
        if (options.batch.empty())
            throw UsageError{"--batch needs a file name, or - for standard input"};
        if (options.json || options.csv || options.exact)
            throw UsageError{"--batch writes its own CSV: it takes no --json, --csv or --exact"};
        std::optional<cli::SheetFolder> sheets;
        if (!options.sheet.empty())
            sheets.emplace(options.sheet, options.title);
        return RunBatchFile(options.batch, BatchDefaults(options.assignments), sheets ? &*sheets : nullptr);
    }
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
    const auto quantities = calculate(parameters.value());
    if (!quantities)
        return ReportFault(quantities.fault(), options.json);
    const PierQuantities &q = quantities.value();
    if (!options.sheet.empty())
        return cli::WriteSheet(options.sheet, options.title, texts, readings, parameters.value(), q);
    if (options.csv)
        return Write(LayerCsv(parameters.value(), q));
    if (options.json) {
        const CalculationTexts calculationTexts = buildCalculationTexts(q);
        Json root;
        root["parameters"] = ParametersJson(parameters.value());
        root["quantities"] = QuantitiesJson(q);
        root["layers"] = LayersJson(q);
        root["texts"] = Json{{"areaText", calculationTexts.areaText},
                             {"volumeText", calculationTexts.volumeText},
                             {"report", calculationTexts.report}};
        if (options.exact)
            root["exact"] = ExactJson(calculateExact(parameters.value()));
        return Write(Dump(root));
    }
    // The report goes straight into the one output buffer, with LF line ends
    // for a terminal or a pipe.
    std::string out = "S= " + AreaText(q.S) + "\nV= " + VolumeText(q.V) + "\n";
    AppendReport(out, q, "\n");
    out += '\n';
    if (options.exact)
        AppendExactText(out, q, calculateExact(parameters.value()));
    return Write(out);
}

} // namespace

int PierqtyCliMain(int argc, char **argv)
{
    Options options;
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
    app.add_option("NAME=TEXT", options.assignments,
                   "A parameter and its text, read as the window reads a field:\n"
                   "L1 R1 L2 R2 H1 H2 h l1 l2 l3 (metres) and n (layers)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &success) {
        // --help and --version: their text is output like any other.
        const int status = app.exit(success);
        std::cout.flush();
        if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::perror("pierqty-cli: writing the output");
            return kExitIo;
        }
        return status;
    } catch (const CLI::ParseError &error) {
        std::cerr << "pierqty-cli: " << error.what() << "\nRun with --help for more information.\n";
        return kExitUsage;
    }
    options.batchGiven = batch->count() > 0;
    try {
        return Run(options);
    } catch (const UsageError &error) {
        std::cerr << "pierqty-cli: " << error.message << "\nRun with --help for more information.\n";
        return kExitUsage;
    } catch (const BatchError &error) {
        std::cerr << "pierqty-cli: " << error.message << "\n";
        return error.status;
    } catch (const csv::ReadError &error) {
        std::cerr << "pierqty-cli: line " << error.line << ": " << error.message << "\n";
        return kExitData;
    }
}
