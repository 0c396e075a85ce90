// Speed of the calculation and the report against a bare loop of the same
// arithmetic, at n = 1000 and at the largest layer count, 32767.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "calc/texts.h"

#include <benchmark/benchmark.h>

#include <cmath>
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

// The layer loop without any fault check, writing the same layer list.
struct Bare {
    double volume, formwork;
};

Bare BareLoop(const PierParameters &p, std::vector<LayerSection> &layers)
{
    const double cut = 2 * (p.l1 * p.l1) + 2 * ((p.l3 + p.l2) * p.l2);
    const double pc = (((p.l2 + p.l1) * 1.4142135623730951) * 4 - (2 * p.l1) * 4) - 4 * p.l2;
    const double lh = p.h / p.n;
    double previous = p.L1 * p.L2 - cut, volume = 0, formwork = 0;
    layers.clear();
    layers.reserve(static_cast<std::size_t>(p.n));
    for (int i = 1; i <= p.n; ++i) {
        const double y = i * lh;
        const double a = 2 * (p.R1 - std::sqrt(p.R1 * p.R1 - y * y)) + p.L1;
        const double b = 2 * (p.R2 - std::sqrt(p.R2 * p.R2 - y * y)) + p.L2;
        const double s = a * b - cut;
        volume = ((s + previous) * p.h / p.n) / 2 + volume;
        formwork = (2 * (a + b) + pc) * p.h / p.n + formwork;
        previous = s;
        layers.push_back({static_cast<std::int16_t>(i), y, s});
    }
    return {volume, formwork};
}

void BM_BareLoop(benchmark::State &state)
{
    const PierParameters p = Pier(state.range(0));
    std::vector<LayerSection> layers;
    for (auto _ : state) {
        std::vector<LayerSection> fresh;
        benchmark::DoNotOptimize(BareLoop(p, fresh));
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
        auto result = calculateFromTexts(texts);
        benchmark::DoNotOptimize(result.value().report.data());
    }
}

void BM_Exact(benchmark::State &state)
{
    PierParameters p = Pier(1000);
    if (state.range(0) == 1)
        p.R1 = p.h; // arcs ending horizontal: the hardest integrands
    for (auto _ : state) {
        auto exact = calculateExact(p);
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
