#include "calc/texts.h"

#include "platform/numbers.h"

#include <string_view>

namespace pierqty {

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kLayerHeightLabel = " \u5355\u5c42\u9ad8 = "; // " 单层高 = "

} // namespace

std::string formatQuantity(double value)
{
    return FormatFixed6(value);
}

CalculationTexts buildCalculationTexts(const PierQuantities &q)
{
    CalculationTexts texts;
    texts.areaText = formatQuantity(q.S);
    texts.areaText += " m2";
    texts.volumeText = formatQuantity(q.V);
    texts.volumeText += " m3";

    // One growing buffer, sized for the usual line " S12345 = 123.456789 m2"
    // so that a long report is not copied as it grows.
    std::string &report = texts.report;
    report.reserve(64 + q.Layers.size() * 26);
    report += kLayerHeightLabel;
    AppendFixed6(report, q.LayerHeight);
    report += " m";
    report += kLineBreak;
    report += " S0 = ";
    AppendFixed6(report, q.S0);
    report += " m2";
    for (const LayerSection &layer : q.Layers) {
        report += kLineBreak;
        report += " S";
        AppendInteger(report, layer.i);
        report += " = ";
        AppendFixed6(report, layer.S_i);
        report += " m2";
    }
    return texts;
}

Outcome<CalculationTexts> calculateFromTexts(const ParameterTexts &texts)
{
    const auto parameters = parsePierParameters(texts);
    if (!parameters)
        return parameters.fault();
    const auto quantities = calculate(parameters.value());
    if (!quantities)
        return quantities.fault();
    return buildCalculationTexts(quantities.value());
}

} // namespace pierqty
