#include "calc/texts.h"

#include "calc/numbers.h"

#include <string_view>

namespace pierqty {

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kLayerHeightLabel = " \u5355\u5c42\u9ad8 = "; // " 单层高 = "

} // namespace

std::size_t ReportLayersSize(std::size_t n, std::string_view lineBreak)
{
    return n * (24 + lineBreak.size());
}

void AppendReportHead(std::string &out, const PierQuantities &q, std::string_view lineBreak)
{
    out += kLayerHeightLabel;
    AppendFixed6(out, q.LayerHeight);
    out += " m";
    out += lineBreak;
    out += " S0 = ";
    AppendFixed6(out, q.S0);
    out += " m2";
}

void AppendReportLayer(std::string &out, const LayerSection &layer, std::string_view lineBreak)
{
    out += lineBreak;
    out += " S";
    AppendInteger(out, layer.i);
    out += " = ";
    AppendFixed6(out, layer.S_i);
    out += " m2";
}

void AppendReport(std::string &out, const PierQuantities &q, std::string_view lineBreak)
{
    out.reserve(out.size() + 64 + ReportLayersSize(q.Layers.size(), lineBreak));
    AppendReportHead(out, q, lineBreak);
    for (const LayerSection &layer : q.Layers)
        AppendReportLayer(out, layer, lineBreak);
}

std::string AreaText(double S)
{
    return formatQuantity(S) + " m2";
}

std::string VolumeText(double V)
{
    return formatQuantity(V) + " m3";
}

CalculationTexts buildCalculationTexts(const PierQuantities &q)
{
    CalculationTexts texts;
    texts.areaText = AreaText(q.S);
    texts.volumeText = VolumeText(q.V);
    AppendReport(texts.report, q, kLineBreak);
    return texts;
}

Outcome<CalculationTexts> CalculateFromTexts(const ParameterTexts &texts)
{
    const auto pier = CalculatePier(texts);
    if (!pier)
        return pier.fault();
    return buildCalculationTexts(pier.value().quantities);
}

} // namespace pierqty
