#include "calc/parameters.h"

namespace pierqty {

namespace {

// The ten lengths of PierParameters in field order; n, the eleventh, is an integer.
constexpr std::array<double PierParameters::*, kFieldN> kLengths = {
    &PierParameters::L1, &PierParameters::R1, &PierParameters::L2, &PierParameters::R2, &PierParameters::H1,
    &PierParameters::H2, &PierParameters::h,  &PierParameters::l1, &PierParameters::l2, &PierParameters::l3};

} // namespace

ParameterTexts DefaultParameterTexts()
{
    ParameterTexts texts;
    for (std::size_t k = 0; k < texts.size(); ++k)
        texts[k] = kParameters[k].defaultText;
    return texts;
}

double ParameterValue(const PierParameters &p, int k)
{
    return k == kFieldN ? static_cast<double>(p.n) : p.*kLengths.at(static_cast<std::size_t>(k));
}

int ParameterIndex(std::string_view name)
{
    for (std::size_t k = 0; k < kParameterNames.size(); ++k) {
        if (kParameterNames[k] == name)
            return static_cast<int>(k);
    }
    return -1;
}

ParameterReading ReadParameter(std::string_view text)
{
    const NumberReading number = ParseNumber(text);
    return {number.value, number.status, std::nullopt};
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
        read[k] = ReadParameter(texts[k]);
    std::array<double, kParameterCount> values{};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (read[k].status == NumberStatus::OutOfRange)
            return ParameterOverflow(texts, k);
        values[k] = read[k].value;
    }
    const auto count = ToInt16(values[kFieldN]);
    if (!count)
        return ParameterOverflow(texts, kFieldN);
    PierParameters p;
    for (std::size_t k = 0; k < kLengths.size(); ++k)
        p.*kLengths[k] = values[k];
    p.n = *count;
    read[kFieldN].layers = p.n;
    return p;
}

} // namespace pierqty
