#include "calc/parameters.h"

namespace pierqty {

ParameterTexts DefaultParameterTexts()
{
    const auto pieces = SplitText(DefaultInputText, ',');
    ParameterTexts texts;
    for (std::size_t k = 0; k < texts.size(); ++k)
        texts[k] = pieces.at(k);
    return texts;
}

int ParameterIndex(std::string_view name)
{
    for (std::size_t k = 0; k < kParameterNames.size(); ++k) {
        if (kParameterNames[k] == name)
            return static_cast<int>(k);
    }
    return -1;
}

namespace {

CalculationFault ParameterOverflow(const ParameterTexts &texts, std::size_t index)
{
    CalculationFault fault;
    fault.kind = FaultKind::Overflow;
    fault.step = FaultStep::ReadParameter;
    fault.parameter = static_cast<int>(index);
    fault.text = texts[index];
    return fault;
}

} // namespace

Outcome<PierParameters> parsePierParameters(const ParameterTexts &texts, ParameterReadings *readings)
{
    // Reading a text has no side effects, so all eleven are read before the
    // first fault in index order is reported: the caller sees every reading.
    ParameterReadings local;
    ParameterReadings &read = readings ? *readings : local;
    for (std::size_t k = 0; k < texts.size(); ++k)
        read[k] = ParseNumber(texts[k]);
    std::array<double, kParameterCount> values{};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (read[k].status == NumberStatus::OutOfRange)
            return ParameterOverflow(texts, k);
        values[k] = read[k].value;
    }
    const auto count = ToInt16(values[10]);
    if (!count)
        return ParameterOverflow(texts, 10);
    PierParameters p;
    p.L1 = values[0];
    p.R1 = values[1];
    p.L2 = values[2];
    p.R2 = values[3];
    p.H1 = values[4];
    p.H2 = values[5];
    p.h = values[6];
    p.l1 = values[7];
    p.l2 = values[8];
    p.l3 = values[9];
    p.n = *count;
    return p;
}

} // namespace pierqty
