// pierqty-cli: the calculator's companion for scripts and checks.
//
//   pierqty-cli [--json] [--exact] [NAME=TEXT ...]
//   pierqty-cli --csv [NAME=TEXT ...]
//   pierqty-cli --batch FILE|- [NAME=TEXT ...]
//
// Each TEXT is read exactly as the window reads its field; a parameter not
// given keeps the window's default text. Exit status: 0 done, 2 the
// calculation stopped with a fault, 64 a usage error, 65 a malformed batch
// file, 66 a batch file that cannot be read, 74 output failed.

#include "calc/exact.h"
#include "calc/geometry.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "calc/texts.h"
#include "cli/csv.h"
#include "cli/entry.h"
#include "pierqty/version.h"
#include "platform/numbers.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
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
    std::string batch;
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
            throw UsageError{"'" + assignment + "' is not NAME=TEXT"};
        const std::string name = assignment.substr(0, equals);
        const int index = ParameterIndex(name);
        if (index < 0)
            throw UsageError{"unknown parameter '" + name + "' (one of L1 R1 L2 R2 H1 H2 h l1 l2 l3 n)"};
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
            std::cerr << "warning: " << name << ": \"" << texts[k] << "\" holds no number; read as 0\n";
            break;
        case NumberStatus::Leading:
            std::cerr << "warning: " << name << ": \"" << texts[k] << "\" read as " << value
                      << " (the characters after the number are ignored)\n";
            break;
        case NumberStatus::Whole:
        case NumberStatus::OutOfRange:
            break;
        }
    }
    if (layerCount && static_cast<double>(*layerCount) != readings[10].value)
        std::cerr << "warning: n: " << ShortestText(readings[10].value) << " rounded to " << *layerCount << " layers\n";
    if (layerCount && *layerCount < 0)
        std::cerr << "warning: n = " << *layerCount << " gives no layers: S and V leave out the flared part\n";
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

// The report with LF line ends for a terminal or a pipe.
void AppendReportLines(std::string &out, const std::string &report)
{
    std::size_t start = 0;
    while (start <= report.size()) {
        std::size_t end = report.find("\r\n", start);
        if (end == std::string::npos)
            end = report.size();
        out.append(report, start, end - start);
        out += '\n';
        start = end + 2;
    }
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
    const double count = static_cast<double>(p.n);
    double previousArea = q.S0;
    double previousTop = 0.0;
    double cumulativeVolume = 0.0;
    double cumulativeTrue = 0.0;
    for (const LayerSection &layer : q.Layers) {
        const double outline = OutlineLength(p, layer.y_i).value(); // the loop evaluated it already
        const double layerVolume = ((layer.S_i + previousArea) * p.h / count) / 2.0;
        const double layerFormwork = outline * p.h / count;
        cumulativeVolume += layerVolume;
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
                        ShortestText(outline), ShortestText(layerVolume), ShortestText(layerFormwork), trueArea,
                        ShortestText(cumulativeVolume), trueSum});
        previousArea = layer.S_i;
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

// Runs every pier of a CSV file whose header names the parameters (any
// subset, any order, and an optional id). A faulty pier is reported in its
// row; a malformed file stops the batch before anything is written.
std::string RunBatch(std::istream &in, const ParameterTexts &defaults)
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
            throw BatchError{"line 1: unknown column '" + name + "' (columns are id, L1 R1 L2 R2 H1 H2 h l1 l2 l3 n)"};
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
    int piers = 0, faulty = 0;
    while (const auto record = reader.next()) {
        if (record->fields.size() == 1 && Trim(record->fields[0]).empty())
            continue; // a blank line
        if (record->fields.size() != columns.size())
            throw BatchError{"line " + std::to_string(record->line) + ": " + std::to_string(record->fields.size()) +
                             " fields where the header names " + std::to_string(columns.size())};
        ++piers;
        ParameterTexts texts = defaults;
        std::string id = std::to_string(piers);
        for (std::size_t k = 0; k < columns.size(); ++k) {
            if (columns[k] < 0)
                id = record->fields[k];
            else
                texts[static_cast<std::size_t>(columns[k])] = record->fields[k];
        }
        std::vector<std::string> row = {id, "", "", "", "", "", ""};
        const auto parameters = parsePierParameters(texts);
        const auto quantities =
            parameters ? calculate(parameters.value()) : Outcome<PierQuantities>(parameters.fault());
        if (!quantities) {
            ++faulty;
            row[6] = quantities.fault().messageEn();
            csv::AppendRow(out, row);
            continue;
        }
        const PierQuantities &q = quantities.value();
        row[1] = ShortestText(q.S);
        row[2] = ShortestText(q.V);
        S.add(q.S);
        V.add(q.V);
        const ExactOutcome exact = calculateExact(parameters.value());
        if (const auto *e = std::get_if<ExactQuantities>(&exact)) {
            row[3] = ShortestText(e->S);
            row[4] = ShortestText(e->V);
            row[5] = ShortestText(e->ProjectedS);
            trueS.add(e->S);
            exactV.add(e->V);
            projectedS.add(e->ProjectedS);
        } else {
            row[6] = "NotApplicable: " + std::get<NotApplicable>(exact).reason;
        }
        csv::AppendRow(out, row);
    }
    if (faulty > 0)
        std::cerr << "warning: " << faulty << " of " << piers << " piers stopped with a fault\n";
    csv::AppendRow(out,
                   {"TOTAL", ShortestText(S.value), ShortestText(V.value), ShortestText(trueS.value),
                    ShortestText(exactV.value), ShortestText(projectedS.value),
                    faulty > 0 ? std::to_string(faulty) + " of " + std::to_string(piers) + " faulty" : ""});
    return out;
}

int Run(const Options &options)
{
    if (!options.batch.empty()) {
        if (options.json || options.csv || options.exact)
            throw UsageError{"--batch writes its own CSV: it takes no --json, --csv or --exact"};
        const ParameterTexts defaults = ApplyAssignments(options.assignments);
        std::string out;
        if (options.batch == "-") {
            out = RunBatch(std::cin, defaults);
        } else {
            std::ifstream file(options.batch, std::ios::binary);
            if (!file)
                throw BatchError{"cannot read '" + options.batch + "'", kExitNoInput};
            out = RunBatch(file, defaults);
        }
        return Write(out);
    }
    if (options.csv && options.json)
        throw UsageError{"--csv and --json are two different outputs: choose one"};

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
    if (options.csv)
        return Write(LayerCsv(parameters.value(), q));
    const CalculationTexts calculationTexts = buildCalculationTexts(q);

    if (options.json) {
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
    std::string out;
    out.reserve(calculationTexts.report.size() + 64);
    out += "S= " + calculationTexts.areaText + "\n";
    out += "V= " + calculationTexts.volumeText + "\n";
    AppendReportLines(out, calculationTexts.report);
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
    app.add_option("--batch", options.batch,
                   "Run every pier of a CSV file (- for standard input) whose header names the parameters;\n"
                   "NAME=TEXT then sets the defaults for columns not given")
        ->type_name("FILE");
    app.add_option("NAME=TEXT", options.assignments,
                   "A parameter and its text, read as the window reads a field:\n"
                   "L1 R1 L2 R2 H1 H2 h l1 l2 l3 (metres) and n (layers)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &success) {
        return app.exit(success);
    } catch (const CLI::ParseError &error) {
        std::cerr << "pierqty-cli: " << error.what() << "\nRun with --help for more information.\n";
        return kExitUsage;
    }
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
