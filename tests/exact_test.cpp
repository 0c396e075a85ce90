// The exact quantities against checks that do not share their method:
// closed forms, a triangulated mesh of the flared surface, and the layered
// figures converging as n grows.
#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace pierqty {
namespace {

PierParameters DefaultPier()
{
    return parsePierParameters(DefaultParameterTexts()).value();
}

ExactQuantities Exact(const PierParameters &p)
{
    const ExactOutcome outcome = CalculateExact(p);
    if (const auto *na = std::get_if<NotApplicable>(&outcome))
        ADD_FAILURE() << "not applicable: " << na->reason;
    return std::holds_alternative<ExactQuantities>(outcome) ? std::get<ExactQuantities>(outcome) : ExactQuantities{};
}

void ExpectRelative(double actual, double expected, double tolerance, const char *what)
{
    EXPECT_LE(std::fabs(actual - expected), tolerance * std::fabs(expected))
        << what << ": " << actual << " against " << expected;
}

// integral of R - sqrt(R^2 - y^2) over [0, h]
double IntegralOfOffset(double R, double h)
{
    return R * h - (h / 2 * std::sqrt(R * R - h * h) + R * R / 2 * std::asin(h / R));
}

TEST(ExactClosedForms, PlainRectangleWithOneFlare)
{
    // No chamfers or grooves, R2 so large that the L2 faces stay vertical:
    // each end face is the area L2 * R1 * asin(h / R1), the two L1 faces are
    // flat plates, and the volume is L2 times the area under the arc.
    for (const double h : {1.0, 3.0, 4.488}) {
        PierParameters p = DefaultPier();
        p.l1 = p.l2 = p.l3 = 0;
        p.R2 = 1e15;
        p.h = h;
        const ExactQuantities e = Exact(p);
        const double endFace = p.L2 * p.R1 * std::asin(h / p.R1);
        ExpectRelative(e.EndFaces, 2 * endFace, 1e-10, "end faces");
        ExpectRelative(e.GroovedFaces, 2 * (p.L1 * h + 2 * IntegralOfOffset(p.R1, h)), 1e-10, "L1 faces");
        EXPECT_EQ(e.GrooveWalls, 0.0);
        EXPECT_EQ(e.Chamfers, 0.0);
        ExpectRelative(e.FlareVolume, p.L2 * (p.L1 * h + 2 * IntegralOfOffset(p.R1, h)), 1e-10, "volume");
        ExpectRelative(e.ProjectedFlareFormwork, 2 * (p.L1 + p.L2) * h + 4 * IntegralOfOffset(p.R1, h), 1e-10,
                       "projected");
    }
}

TEST(ExactClosedForms, StraightSidedPierIsAPrism)
{
    PierParameters p = DefaultPier();
    p.R1 = p.R2 = 1e15;
    const ExactQuantities e = Exact(p);
    const double section = p.L1 * p.L2 - (2 * p.l1 * p.l1 + 2 * (p.l3 + p.l2) * p.l2);
    const double outline = 2 * (p.L1 + p.L2) + 4 * std::numbers::sqrt2 * (p.l1 + p.l2) - 8 * p.l1 - 4 * p.l2;
    ExpectRelative(e.FlareVolume, section * p.h, 1e-12, "volume");
    ExpectRelative(e.TrueFlareFormwork, outline * p.h, 1e-12, "true formwork");
    ExpectRelative(e.ProjectedFlareFormwork, outline * p.h, 1e-12, "projected formwork");
    ExpectRelative(e.S, outline * (p.H1 + p.h + p.H2), 1e-12, "total");
}

// The lateral surface of the flare as a mesh: the section outline (16
// corners) at many heights, neighbouring outlines joined by two triangles
// per edge, each face group summed apart.
struct MeshAreas {
    double endFaces = 0, groovedFaces = 0, grooveWalls = 0, chamfers = 0;
};

using Point = std::array<double, 3>;

double TriangleArea(const Point &a, const Point &b, const Point &c)
{
    const Point u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const Point v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double x = u[1] * v[2] - u[2] * v[1], y = u[2] * v[0] - u[0] * v[2], z = u[0] * v[1] - u[1] * v[0];
    return 0.5 * std::sqrt(x * x + y * y + z * z);
}

MeshAreas MeshOfFlare(const PierParameters &p, int steps)
{
    enum Group { End, Grooved, Wall, Chamfer };
    // Edge k runs from corner k to corner k + 1 (counter-clockwise from the
    // L1 face at +Y); its face group:
    const Group groups[16] = {Grooved, Wall, Grooved, Wall, Grooved, Chamfer, End, Chamfer,
                              Grooved, Wall, Grooved, Wall, Grooved, Chamfer, End, Chamfer};
    const auto outline = [&p](double y) {
        const double X = p.L1 / 2 + (p.R1 - std::sqrt(p.R1 * p.R1 - y * y));
        const double Y = p.L2 / 2 + (p.R2 - std::sqrt(p.R2 * p.R2 - y * y));
        const double a = p.l3 / 2, b = p.l3 / 2 + p.l2, c = p.l1, d = p.l2;
        const double xy[16][2] = {{X - c, Y},  {b, Y},       {a, Y - d},   {-a, Y - d}, {-b, Y},      {-X + c, Y},
                                  {-X, Y - c}, {-X, -Y + c}, {-X + c, -Y}, {-b, -Y},    {-a, -Y + d}, {a, -Y + d},
                                  {b, -Y},     {X - c, -Y},  {X, -Y + c},  {X, Y - c}};
        std::array<Point, 16> points;
        for (int k = 0; k < 16; ++k)
            points[static_cast<std::size_t>(k)] = {xy[k][0], xy[k][1], y};
        return points;
    };
    MeshAreas areas;
    double sums[4] = {0, 0, 0, 0};
    // Heights crowd towards the top, where the arcs may turn horizontal.
    auto lower = outline(0.0);
    for (int j = 1; j <= steps; ++j) {
        const double s = 1.0 - static_cast<double>(j) / steps;
        const auto upper = outline(p.h * (1.0 - s * s * s));
        for (std::size_t k = 0; k < 16; ++k) {
            const std::size_t next = (k + 1) % 16;
            sums[groups[k]] +=
                TriangleArea(lower[k], lower[next], upper[next]) + TriangleArea(lower[k], upper[next], upper[k]);
        }
        lower = upper;
    }
    areas.endFaces = sums[End];
    areas.groovedFaces = sums[Grooved];
    areas.grooveWalls = sums[Wall];
    areas.chamfers = sums[Chamfer];
    return areas;
}

TEST(ExactAgainstMesh, FaceByFace)
{
    PierParameters horizontalTop = DefaultPier();
    horizontalTop.R1 = horizontalTop.h; // the arcs of R1 end horizontal
    PierParameters bothHorizontal = DefaultPier();
    bothHorizontal.R1 = bothHorizontal.R2 = bothHorizontal.h;
    PierParameters wide = DefaultPier();
    wide.l1 = 0.3;
    wide.l2 = 0.25;
    wide.l3 = 0.4;
    for (const PierParameters &p : {DefaultPier(), horizontalTop, bothHorizontal, wide}) {
        const ExactQuantities e = Exact(p);
        const MeshAreas mesh = MeshOfFlare(p, 40000);
        ExpectRelative(e.EndFaces, mesh.endFaces, 1e-6, "end faces");
        ExpectRelative(e.GroovedFaces, mesh.groovedFaces, 1e-6, "grooved faces");
        ExpectRelative(e.GrooveWalls, mesh.grooveWalls, 1e-6, "groove walls");
        ExpectRelative(e.Chamfers, mesh.chamfers, 1e-6, "chamfers");
        ExpectRelative(e.TrueFlareFormwork, mesh.endFaces + mesh.groovedFaces + mesh.grooveWalls + mesh.chamfers, 1e-6,
                       "whole surface");
    }
}

TEST(ExactAgainstLayers, LayeredFiguresConverge)
{
    PierParameters p = DefaultPier();
    const ExactQuantities e = Exact(p);
    double volumeError[3], formworkError[3];
    const int counts[3] = {100, 200, 400};
    for (int k = 0; k < 3; ++k) {
        p.n = static_cast<std::int16_t>(counts[k]);
        const PierQuantities q = calculate(p).value();
        volumeError[k] = q.FlareVolume - e.FlareVolume;
        formworkError[k] = q.FlareFormwork - e.ProjectedFlareFormwork;
        EXPECT_GT(volumeError[k], 0.0) << "the trapezoid rule overestimates a convex flare";
        EXPECT_GT(formworkError[k], 0.0) << "the outline at each layer's top overestimates";
    }
    for (int k = 0; k < 2; ++k) {
        const double volumeRatio = volumeError[k] / volumeError[k + 1];
        const double formworkRatio = formworkError[k] / formworkError[k + 1];
        EXPECT_NEAR(volumeRatio, 4.0, 0.2) << "volume error about 1/n^2";
        EXPECT_NEAR(formworkRatio, 2.0, 0.1) << "formwork toward the projection about 1/n";
    }
    // (The true area of these piers: ExactAgainstMesh.)
}

TEST(ExactAgainstLayers, StripsAddUpToTheWhole)
{
    const PierParameters p = DefaultPier();
    const ExactQuantities e = Exact(p);
    double formwork = 0;
    for (int k = 0; k < 7; ++k)
        formwork += TrueFlareFormworkBetween(p, p.h * k / 7, p.h * (k + 1) / 7);
    ExpectRelative(formwork, e.TrueFlareFormwork, 1e-12, "formwork strips");
}

TEST(ExactApplicability, OnlyPhysicalPiers)
{
    const struct {
        const char *name;
        void (*change)(PierParameters &);
        const char *mention;
    } cases[] = {
        {"negative length", [](PierParameters &p) { p.L1 = -2.5; }, "L1"},
        {"zero radius", [](PierParameters &p) { p.R2 = 0; }, "R2 = 0 is not positive"},
        {"zero length",
         [](PierParameters &p) {
             p.L1 = 0;
             p.l1 = p.l2 = p.l3 = 0;
         },
         "L1 = 0 is not positive"},
        {"negative cap", [](PierParameters &p) { p.H2 = -0.5; }, "H2"},
        {"h above R2", [](PierParameters &p) { p.R2 = 2.9; }, "R2"},
        {"h above R1", [](PierParameters &p) { p.h = 5; }, "R1"},
        {"chamfers too large", [](PierParameters &p) { p.l1 = 0.95; }, "L2 - 2 l1"},
        {"groove too wide", [](PierParameters &p) { p.l3 = 2.2; }, "L1 - 2 l1 - 2 l2 - l3"},
        {"too large",
         [](PierParameters &p) {
             p.L1 = 1e200;
             p.L2 = 1e200;
         },
         "too large"},
        {"chamfers too large to square",
         [](PierParameters &p) {
             p.L1 = p.L2 = 1e156;
             p.l1 = 1e155;
         },
         "too large"},
    };
    for (const auto &c : cases) {
        PierParameters p = DefaultPier();
        c.change(p);
        const ExactOutcome outcome = CalculateExact(p);
        ASSERT_TRUE(std::holds_alternative<NotApplicable>(outcome)) << c.name;
        EXPECT_NE(std::get<NotApplicable>(outcome).reason.find(c.mention), std::string::npos)
            << c.name << ": " << std::get<NotApplicable>(outcome).reason;
    }
    PierParameters edge = DefaultPier();
    // Chamfers exactly as wide as the end faces, grooves filling the rest of
    // the L1 faces (values exact in binary, so the fit is exactly zero).
    edge.L2 = 1.5;
    edge.l1 = 0.75;
    edge.l2 = 0.125;
    edge.l3 = 0.75;
    const ExactOutcome fits = CalculateExact(edge);
    EXPECT_TRUE(std::holds_alternative<ExactQuantities>(fits)) << std::get<NotApplicable>(fits).reason;
}

} // namespace
} // namespace pierqty
