// The bill's rounding and the quantities it adopts.
#include "calc/adopted.h"
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <variant>

namespace pierqty {
namespace {

TEST(RoundHalfUp, TiesGoUpWherePrintfGoesToTheNearestDouble)
{
    // 65.675 and 2.675 are stored just below the tie; a user reading the
    // full-precision figure sees the tie, and the bill rounds it up.
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.2f", 2.675);
    ASSERT_STREQ(printed, "2.67");
    EXPECT_EQ(RoundHalfUpText(2.675, 2), "2.68");
    EXPECT_EQ(RoundHalfUpText(65.675, 2), "65.68");
    // A tie on an even digit, where ties-to-even keeps it down.
    EXPECT_EQ(RoundHalfUpText(0.125, 2), "0.13");
    EXPECT_EQ(RoundHalfUpText(0.124999, 2), "0.12");
    EXPECT_DOUBLE_EQ(RoundHalfUp(0.125, 2), 0.13);
}

TEST(RoundHalfUp, CarriesSignsAndWholeNumbers)
{
    EXPECT_EQ(RoundHalfUpText(9.995, 2), "10.00");
    EXPECT_EQ(RoundHalfUpText(99.5, 0), "100");
    EXPECT_EQ(RoundHalfUpText(-1.005, 2), "-1.01");
    EXPECT_EQ(RoundHalfUpText(-0.001, 2), "0.00");
    EXPECT_EQ(RoundHalfUpText(-0.005, 2), "-0.01");
    EXPECT_EQ(RoundHalfUpText(-9.996, 2), "-10.00");
    EXPECT_EQ(RoundHalfUpText(12.0, 2), "12.00");
    EXPECT_EQ(RoundHalfUpText(1e-7, 2), "0.00");
    EXPECT_EQ(RoundHalfUpText(38.653440, 3), "38.653");
    EXPECT_EQ(RoundHalfUpText(1e20, 2), "100000000000000000000.00");
}

TEST(AdoptedQuantities, TheExactFiguresSplitIntoCurvedAndStraight)
{
    const auto p = parsePierParameters(DefaultParameterTexts()).value();
    const PierQuantities layered = calculate(p).value();
    const auto exact = std::get<ExactQuantities>(CalculateExact(p));
    const AdoptedQuantities adopted = AdoptQuantities(layered, exact);
    EXPECT_EQ(adopted.Concrete, exact.V);
    EXPECT_EQ(adopted.Formwork, exact.S);
    EXPECT_EQ(adopted.CurvedFormwork, exact.TrueFlareFormwork);
    // Shaft and cap: the base and top outlines times H1 and H2.
    EXPECT_NEAR(adopted.StraightFormwork, layered.ShaftFormwork + layered.CapFormwork, 0.0);
    EXPECT_NEAR(adopted.CurvedFormwork + adopted.StraightFormwork, adopted.Formwork, 1e-12);
    EXPECT_GT(adopted.CurvedFormwork, layered.FlareFormwork); // true area exceeds the projection
}

} // namespace
} // namespace pierqty
