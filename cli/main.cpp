// pierqty-cli: the calculator's companion for scripts and checks.
//
//   pierqty-cli [--json] [NAME=TEXT ...]
//
// Each TEXT is read exactly as the window reads its field; a parameter not
// given keeps the window's default text. Exit status: 0 done, 2 the
// calculation stopped with a fault, 64 a usage error, 74 output failed.

#include "calc/parameters.h"
#include "calc/quantities.h"
#include "calc/texts.h"
#include "platform/numbers.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace pierqty;
using Json = nlohmann::ordered_json;

constexpr int kExitFault = 2;
constexpr int kExitUsage = 64;
constexpr int kExitIo = 74;

struct Options {
    bool json = false;
    std::vector<std::string> assignments;
};

struct UsageError {
    std::string message;
};

// Applies NAME=TEXT assignments over the default texts.
ParameterTexts ApplyAssignments(const std::vector<std::string> &assignments)
{
    ParameterTexts texts = DefaultParameterTexts();
    std::array<bool, kParameterCount> given {};
    for (const std::string &assignment : assignments) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos)
            throw UsageError {"'" + assignment + "' is not NAME=TEXT"};
        const std::string name = assignment.substr(0, equals);
        const int index = ParameterIndex(name);
        if (index < 0)
            throw UsageError {"unknown parameter '" + name + "' (one of L1 R1 L2 R2 H1 H2 h l1 l2 l3 n)"};
        const auto k = static_cast<std::size_t>(index);
        if (given[k])
            throw UsageError {"parameter " + name + " given twice"};
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
}

Json ParametersJson(const PierParameters &p)
{
    return Json {{"L1", p.L1}, {"R1", p.R1}, {"L2", p.L2}, {"R2", p.R2}, {"H1", p.H1}, {"H2", p.H2},
                 {"h", p.h},   {"l1", p.l1}, {"l2", p.l2}, {"l3", p.l3}, {"n", p.n}};
}

Json QuantitiesJson(const PierQuantities &q)
{
    return Json {{"SectionCut", q.SectionCut},
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
        layers.push_back(Json {{"i", layer.i}, {"y", layer.y_i}, {"S", layer.S_i}});
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
        const int status = Write(Dump(Json {{"fault", FaultKindName(fault.kind)}, {"message", fault.messageEn()}}));
        if (status != 0)
            return status;
    }
    return kExitFault;
}

int Run(const Options &options)
{
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
    const CalculationTexts calculationTexts = buildCalculationTexts(q);

    if (options.json) {
        Json root;
        root["parameters"] = ParametersJson(parameters.value());
        root["quantities"] = QuantitiesJson(q);
        root["layers"] = LayersJson(q);
        root["texts"] = Json {{"areaText", calculationTexts.areaText},
                              {"volumeText", calculationTexts.volumeText},
                              {"report", calculationTexts.report}};
        return Write(Dump(root));
    }
    std::string out;
    out.reserve(calculationTexts.report.size() + 64);
    out += "S= " + calculationTexts.areaText + "\n";
    out += "V= " + calculationTexts.volumeText + "\n";
    AppendReportLines(out, calculationTexts.report);
    return Write(out);
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    CLI::App app {"Formwork area and concrete volume of one vase-shaped bridge pier.\n"
                  "Parameters not given keep their defaults: " +
                      std::string(DefaultInputText),
                  "pierqty-cli"};
    app.set_version_flag("--version", "pierqty-cli 1.00");
    app.add_flag("--json", options.json, "Write every quantity, layer and text as one JSON object");
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
        std::cerr << "pierqty-cli: " << error.message << "\nusage: pierqty-cli [--json] [NAME=TEXT ...]\n";
        return kExitUsage;
    }
}
