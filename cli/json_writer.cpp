// Everything a calculation yields as one JSON object, for scripts.
#include "cli/writers.h"

#include "calc/texts.h"

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace pierqty::cli {

namespace {

using Json = nlohmann::ordered_json;

// A member of a result struct and its key, in the order the object lists
// them. The key is the member's own name.
template<class T>
using Field = std::pair<const char *, double T::*>;
#define PIERQTY_FIELD(T, member) Field<T>(#member, &T::member)

constexpr std::array kQuantityFields = {PIERQTY_FIELD(PierQuantities, SectionCut),
                                        PIERQTY_FIELD(PierQuantities, S0),
                                        PIERQTY_FIELD(PierQuantities, ShaftVolume),
                                        PIERQTY_FIELD(PierQuantities, PerimeterCorrection),
                                        PIERQTY_FIELD(PierQuantities, ShaftFormwork),
                                        PIERQTY_FIELD(PierQuantities, TopSection),
                                        PIERQTY_FIELD(PierQuantities, CapVolume),
                                        PIERQTY_FIELD(PierQuantities, CapFormwork),
                                        PIERQTY_FIELD(PierQuantities, LayerHeight),
                                        PIERQTY_FIELD(PierQuantities, FlareVolume),
                                        PIERQTY_FIELD(PierQuantities, FlareFormwork),
                                        PIERQTY_FIELD(PierQuantities, S),
                                        PIERQTY_FIELD(PierQuantities, V)};

constexpr std::array kExactFields = {PIERQTY_FIELD(ExactQuantities, FlareVolume),
                                     PIERQTY_FIELD(ExactQuantities, V),
                                     PIERQTY_FIELD(ExactQuantities, ProjectedFlareFormwork),
                                     PIERQTY_FIELD(ExactQuantities, TrueFlareFormwork),
                                     PIERQTY_FIELD(ExactQuantities, EndFaces),
                                     PIERQTY_FIELD(ExactQuantities, GroovedFaces),
                                     PIERQTY_FIELD(ExactQuantities, GrooveWalls),
                                     PIERQTY_FIELD(ExactQuantities, Chamfers),
                                     PIERQTY_FIELD(ExactQuantities, ProjectedS),
                                     PIERQTY_FIELD(ExactQuantities, S)};

#undef PIERQTY_FIELD

template<class T, std::size_t N>
Json FieldsJson(const T &object, const std::array<Field<T>, N> &fields)
{
    Json json = Json::object();
    for (const auto &[key, member] : fields)
        json[key] = object.*member;
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
    return FieldsJson(std::get<ExactQuantities>(outcome), kExactFields);
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
    root["quantities"] = FieldsJson(q, kQuantityFields);
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
