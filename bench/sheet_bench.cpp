// Building the calculation sheet of the default pier at n = 1000 and at the
// largest layer count, 32767: the document alone (calculation and exact
// quantities done before), and the whole way from the eleven texts.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "sheet/sheet.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace pierqty;

ParameterTexts Texts(std::int64_t n)
{
    ParameterTexts texts = DefaultParameterTexts();
    texts[10] = std::to_string(n);
    return texts;
}

void BM_BuildSheet(benchmark::State &state)
{
    const ParameterTexts texts = Texts(state.range(0));
    ParameterReadings readings;
    const PierParameters p = parsePierParameters(texts, &readings).value();
    const PierQuantities q = calculate(p).value();
    const ExactOutcome exact = CalculateExact(p);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string html =
            sheet::BuildCalculationSheet({texts, readings, p, q, exact, "某桥 3# 墩", "2026-01-01"});
        size = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
}

void BM_SheetFromTexts(benchmark::State &state)
{
    const ParameterTexts texts = Texts(state.range(0));
    for (auto _ : state) {
        auto html = sheet::CalculationSheetFromTexts(texts, "某桥 3# 墩", "2026-01-01");
        benchmark::DoNotOptimize(html.value().data());
    }
}

} // namespace

BENCHMARK(BM_BuildSheet)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SheetFromTexts)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
