// Everything a calculation yields as one JSON object, for scripts.
#include "cli/writers.h"

#include "calc/quantity_catalogue.h"
#include "calc/texts.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace pierqty::cli {

namespace {

using Json = nlohmann::ordered_json;

// The figures of one method, keyed by their members' own names, in the
// catalogue's order for that output.
Json LayeredJson(const PierQuantities &q)
{
    Json json = Json::object();
    for (const Quantity *quantity : LayeredResults())
        json[std::string(quantity->layered.name)] = q.*quantity->layered.member;
    return json;
}

Json ExactFiguresJson(const ExactQuantities &e)
{
    Json json = Json::object();
    for (const Quantity *quantity : ExactResults())
        json[std::string(quantity->exact.name)] = e.*quantity->exact.member;
    return json;
}

// The lengths as doubles, n as the integer it is.
Json ParametersJson(const PierParameters &p)
{
    Json json = Json::object();
    for (int k = 0; k < kParameterCount; ++k) {
        const std::string name(kParameters[static_cast<std::size_t>(k)].name);
        if (k == kFieldN)
            json[name] = p.n;
        else
            json[name] = ParameterValue(p, k);
    }
    return json;
}

Json LayersJson(const PierQuantities &q)
{
    Json layers = Json::array();
    for (const LayerSection &layer : q.Layers)
        layers.push_back(Json{{"i", layer.i}, {"y", layer.y_i}, {"S", layer.S_i}});
    return layers;
}

Json ExactJson(const ExactOutcome &outcome)
{
    if (const auto *na = std::get_if<NotApplicable>(&outcome))
        return Json{{"notApplicable", na->reason}};
    return ExactFiguresJson(std::get<ExactQuantities>(outcome));
}

// Why the pier cannot be built: each reason with the parameters it names.
Json ReasonsJson(const std::vector<PierReason> &reasons)
{
    Json list = Json::array();
    for (const PierReason &reason : reasons) {
        Json names = Json::array();
        for (int field : reason.fields)
            names.push_back(kParameters[static_cast<std::size_t>(field)].name);
        list.push_back(Json{{"parameters", std::move(names)}, {"message", reason.en}, {"messageZh", reason.zh}});
    }
    return list;
}

std::string Dump(const Json &json)
{
    // User texts may hold invalid UTF-8: replace such bytes, never throw.
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace

std::string JsonOutput(const PierParameters &p, const PierQuantities &q, const ExactOutcome *exact)
{
    const CalculationTexts texts = buildCalculationTexts(q);
    Json root;
    root["parameters"] = ParametersJson(p);
    root["quantities"] = LayeredJson(q);
    root["layers"] = LayersJson(q);
    root["texts"] = Json{{"areaText", texts.areaText}, {"volumeText", texts.volumeText}, {"report", texts.report}};
    if (exact)
        root["exact"] = ExactJson(*exact);
    const std::vector<PierReason> reasons = UnbuildableReasons(p);
    root["buildable"] = reasons.empty();
    if (!reasons.empty())
        root["reasons"] = ReasonsJson(reasons);
    return Dump(root);
}

std::string FaultJson(const CalculationFault &fault)
{
    return Dump(Json{{"fault", FaultKindName(fault.kind)}, {"message", fault.messageEn()}});
}

} // namespace pierqty::cli
