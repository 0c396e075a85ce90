// Speed of the calculation and the report against a bare loop of the same
// arithmetic, at n = 1000 and at the largest layer count, 32767.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "calc/texts.h"
#include "tests/reference.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using namespace pierqty;

PierParameters Pier(std::int64_t n)
{
    PierParameters p = parsePierParameters(DefaultParameterTexts()).value();
    p.n = static_cast<std::int16_t>(n);
    return p;
}

// The plain evaluation of the tests, writing the same layer list: the
// floor for the checked loop.
void BareLoop(const PierParameters &p, std::vector<LayerSection> &layers)
{
    layers.clear();
    layers.reserve(static_cast<std::size_t>(p.n));
    const reference::Totals totals = reference::Evaluate(p, [&](int i, double y, double S) {
        layers.push_back({static_cast<std::int16_t>(i), y, S});
    });
    benchmark::DoNotOptimize(totals.S);
}

void BM_BareLoop(benchmark::State &state)
{
    const PierParameters p = Pier(state.range(0));
    for (auto _ : state) {
        std::vector<LayerSection> fresh;
        BareLoop(p, fresh);
        benchmark::DoNotOptimize(fresh.data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_Calculate(benchmark::State &state)
{
    const PierParameters p = Pier(state.range(0));
    for (auto _ : state) {
        auto q = calculate(p);
        benchmark::DoNotOptimize(q.value().S);
    }
    state.SetComplexityN(state.range(0));
}

void BM_BuildTexts(benchmark::State &state)
{
    const PierQuantities q = calculate(Pier(state.range(0))).value();
    for (auto _ : state) {
        auto texts = buildCalculationTexts(q);
        benchmark::DoNotOptimize(texts.report.data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_CalculateFromTexts(benchmark::State &state)
{
    ParameterTexts texts = DefaultParameterTexts();
    texts[10] = std::to_string(state.range(0));
    for (auto _ : state) {
        auto result = CalculateFromTexts(texts);
        benchmark::DoNotOptimize(result.value().report.data());
    }
}

void BM_Exact(benchmark::State &state)
{
    PierParameters p = Pier(1000);
    if (state.range(0) == 1)
        p.R1 = p.h; // arcs ending horizontal: the hardest integrands
    for (auto _ : state) {
        auto exact = CalculateExact(p);
        benchmark::DoNotOptimize(std::get<ExactQuantities>(exact).S);
    }
}

} // namespace

BENCHMARK(BM_Exact)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareLoop)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Calculate)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildTexts)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CalculateFromTexts)->Arg(1000)->Arg(32767)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
