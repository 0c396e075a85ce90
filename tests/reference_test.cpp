// calculate() against the plain evaluation of tests/reference.h, bit for bit,
// over a few hundred seeded random piers: every quantity and every layer, in
// both forms (the table of layers, and each layer handed to a sink).
// A fused multiply-add, pow(x, 2), i * h / n or a reordered sum shows here.
#include "calc/quantities.h"
#include "tests/reference.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace pierqty {
namespace {

struct Layer {
    int i;
    double y, S;
};

PierParameters RandomPier(std::mt19937_64 &random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    PierParameters p;
    p.L1 = 0.5 + 9.5 * unit(random);
    p.L2 = 0.5 + 9.5 * unit(random);
    p.H1 = 30.0 * unit(random);
    p.H2 = 3.0 * unit(random);
    p.h = 0.2 + 8.0 * unit(random);
    // Radii from just above h to almost straight faces.
    p.R1 = p.h * (1.0 + std::pow(10.0, -3.0 + 8.0 * unit(random)));
    p.R2 = p.h * (1.0 + std::pow(10.0, -3.0 + 8.0 * unit(random)));
    p.l1 = 0.3 * unit(random);
    p.l2 = 0.3 * unit(random);
    p.l3 = 1.0 * unit(random);
    const int n =
        unit(random) < 0.9 ? 1 + static_cast<int>(2000 * unit(random)) : 1 + static_cast<int>(32766 * unit(random));
    p.n = static_cast<std::int16_t>(n);
    return p;
}

void ExpectSame(const PierParameters &p, const reference::Totals &r, const std::vector<Layer> &layers,
                const PierQuantities &q, const std::vector<LayerSection> &table)
{
    const std::pair<double, double> fields[] = {{q.SectionCut, r.SectionCut},
                                                {q.S0, r.S0},
                                                {q.ShaftVolume, r.ShaftVolume},
                                                {q.PerimeterCorrection, r.PerimeterCorrection},
                                                {q.ShaftFormwork, r.ShaftFormwork},
                                                {q.TopSection, r.TopSection},
                                                {q.CapVolume, r.CapVolume},
                                                {q.CapFormwork, r.CapFormwork},
                                                {q.LayerHeight, r.LayerHeight},
                                                {q.FlareVolume, r.FlareVolume},
                                                {q.FlareFormwork, r.FlareFormwork},
                                                {q.S, r.S},
                                                {q.V, r.V}};
    for (std::size_t k = 0; k < std::size(fields); ++k)
        EXPECT_EQ(fields[k].first, fields[k].second) << "quantity " << k << std::hexfloat << " of pier h=" << p.h;
    ASSERT_EQ(table.size(), layers.size());
    for (std::size_t k = 0; k < layers.size(); ++k) {
        ASSERT_EQ(table[k].i, layers[k].i);
        ASSERT_EQ(table[k].y_i, layers[k].y) << "layer " << k + 1;
        ASSERT_EQ(table[k].S_i, layers[k].S) << "layer " << k + 1;
    }
}

void ExpectSameAsReference(const PierParameters &p)
{
    std::vector<Layer> layers;
    const reference::Totals r = reference::Evaluate(p, [&](int i, double y, double S) { layers.push_back({i, y, S}); });
    const auto kept = calculate(p);
    ASSERT_TRUE(kept.ok()) << kept.fault().messageEn();
    ExpectSame(p, r, layers, kept.value(), kept.value().Layers);

    std::vector<LayerSection> handed;
    const auto collect = [&handed](const LayerSection &layer) { handed.push_back(layer); };
    const auto streamed = calculate(p, collect);
    ASSERT_TRUE(streamed.ok()) << streamed.fault().messageEn();
    EXPECT_TRUE(streamed.value().Layers.empty());
    ExpectSame(p, r, layers, streamed.value(), handed);
}

TEST(Reference, RandomPiersBitForBit)
{
    std::mt19937_64 random(20261207);
    for (int k = 0; k < 300; ++k) {
        SCOPED_TRACE(k);
        ExpectSameAsReference(RandomPier(random));
    }
}

// Flares that end horizontal: the top layer may round beyond h.
TEST(Reference, FlareEndingHorizontal)
{
    PierParameters p = parsePierParameters(DefaultParameterTexts()).value();
    p.R1 = p.h;
    for (const int n : {1, 10, 187, 1000, 32767}) {
        SCOPED_TRACE(n);
        p.n = static_cast<std::int16_t>(n);
        ExpectSameAsReference(p);
    }
}

} // namespace
} // namespace pierqty
