// Arbitrary bytes as the eleven field texts (split at '\n'; missing texts
// are empty). Whatever the input, the calculation gives texts or a fault,
// texts keep their shape, and the exact quantities stay finite and no
// smaller than their projection.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/texts.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    pierqty::ParameterTexts texts;
    std::size_t start = 0;
    for (std::size_t k = 0; k < texts.size() && start <= input.size(); ++k) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        texts[k] = std::string(input.substr(start, end - start));
        start = end + 1;
    }

    const auto parameters = pierqty::parsePierParameters(texts);
    const auto result = pierqty::CalculateFromTexts(texts);
    if (!result) {
        if (result.fault().messageEn().empty() || result.fault().messageZh().empty())
            std::abort();
        return 0;
    }
    if (!parameters)
        std::abort(); // texts that cannot be read cannot give a result
    const pierqty::CalculationTexts &t = result.value();
    const auto endsWith = [](const std::string &text, std::string_view tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (!endsWith(t.areaText, " m2") || !endsWith(t.volumeText, " m3"))
        std::abort();
    std::size_t lines = 1;
    for (std::size_t pos = t.report.find("\r\n"); pos != std::string::npos; pos = t.report.find("\r\n", pos + 2))
        ++lines;
    const int n = parameters.value().n;
    if (lines != static_cast<std::size_t>(n > 0 ? n : 0) + 2)
        std::abort();
    for (const std::string *text : {&t.areaText, &t.volumeText, &t.report}) {
        if (text->find("nan") != std::string::npos || text->find("inf") != std::string::npos)
            std::abort();
    }

    // Exact quantities: not applicable, or finite with every true face at
    // least as large as its projection (no face leans inward).
    const pierqty::ExactOutcome exact = pierqty::CalculateExact(parameters.value());
    if (const auto *e = std::get_if<pierqty::ExactQuantities>(&exact)) {
        for (double value :
             {e->FlareVolume, e->V, e->ProjectedFlareFormwork, e->TrueFlareFormwork, e->S, e->ProjectedS})
            if (!std::isfinite(value))
                std::abort();
        const double slack = 1e-9 * (1.0 + std::fabs(e->ProjectedFlareFormwork));
        if (e->TrueFlareFormwork < e->ProjectedFlareFormwork - slack)
            std::abort();
    }
    return 0;
}
