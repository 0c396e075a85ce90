#include "sheet/drawing.h"

#include "calc/exact.h"
#include "calc/geometry.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace pierqty::sheet {

namespace {

constexpr double kWidth = 680.0;
constexpr double kMaxElevationHeight = 320.0;
constexpr double kMinHeight = 300.0;
constexpr double kSectionColumn = 240.0; // right column for the section
constexpr double kHeightDims = 64.0; // left of the front elevation
constexpr double kGap = 36.0; // between the two elevations
constexpr double kMinPanel = 150.0; // least width given to one elevation
constexpr double kTopRoom = 44.0; // above the elevations: top widths
constexpr double kBottomRoom = 64.0; // below: bottom widths and captions

// The d attribute of an SVG path, built piece by piece.
class PathData
{
public:
    PathData &move(double x, double y) { return point(m_text.empty() ? "M" : " M", x, y); }
    PathData &line(double x, double y) { return point(" L", x, y); }
    // A circular arc of radius r to (x, y); sweep 1 turns clockwise on screen.
    PathData &arc(double r, int sweep, double x, double y)
    {
        const std::string radius = Coordinate(r);
        m_text += " A";
        m_text += radius;
        m_text += ',';
        m_text += radius;
        m_text += sweep ? " 0 0 1" : " 0 0 0";
        return point(" ", x, y);
    }
    PathData &close()
    {
        m_text += " Z";
        return *this;
    }
    const std::string &text() const { return m_text; }

private:
    PathData &point(const char *command, double x, double y)
    {
        m_text += command;
        m_text += Coordinate(x);
        m_text += ',';
        m_text += Coordinate(y);
        return *this;
    }
    std::string m_text;
};

// Lines and text of one drawing, in SVG user units.
class Pen
{
public:
    explicit Pen(MarkupWriter &w) : m_w(w) { }

    void line(double x1, double y1, double x2, double y2, const char *width = "1.6", const char *dash = nullptr)
    {
        if (dash)
            m_w.empty("line",
                      {{"x1", C(x1)},
                       {"y1", C(y1)},
                       {"x2", C(x2)},
                       {"y2", C(y2)},
                       {"stroke-width", width},
                       {"stroke-dasharray", dash}});
        else
            m_w.empty("line", {{"x1", C(x1)}, {"y1", C(y1)}, {"x2", C(x2)}, {"y2", C(y2)}, {"stroke-width", width}});
    }

    void path(const PathData &d, const char *width = "1.6", const char *cls = "outline")
    {
        m_w.empty("path", {{"class", cls}, {"d", d.text()}, {"fill", "none"}, {"stroke-width", width}});
    }

    // A filled arrowhead with its tip at (x, y), pointing along (dx, dy).
    void arrow(double x, double y, double dx, double dy)
    {
        const double norm = std::hypot(dx, dy);
        const double ux = dx / norm, uy = dy / norm;
        const double length = 6.0, half = 2.0;
        const double bx = x - ux * length, by = y - uy * length;
        PathData d;
        d.move(x, y).line(bx - uy * half, by + ux * half).line(bx + uy * half, by - ux * half).close();
        m_w.empty("path", {{"d", d.text()}, {"fill", "#000"}, {"stroke", "none"}});
    }

    void text(double x, double y, const std::string &label, const char *anchor = "middle", const char *size = "11")
    {
        m_w.element("text", label,
                    {{"x", C(x)},
                     {"y", C(y)},
                     {"text-anchor", anchor},
                     {"font-size", size},
                     {"stroke", "none"},
                     {"fill", "#000"}});
    }

    // Horizontal dimension between x1 and x2 at height y, with extension
    // lines from yFrom; the value above the line (or below when below).
    void dimH(double x1, double x2, double y, double yFrom, const std::string &label, bool below = false)
    {
        const double sign = y > yFrom ? 1.0 : -1.0;
        line(x1, yFrom + sign * 3, x1, y + sign * 4, "0.5");
        line(x2, yFrom + sign * 3, x2, y + sign * 4, "0.5");
        line(x1, y, x2, y, "0.6");
        arrow(x1, y, -1, 0);
        arrow(x2, y, 1, 0);
        text((x1 + x2) / 2, below ? y + 13 : y - 4, label);
    }

    // Vertical dimension between y1 and y2 (y1 < y2 on screen) at x, with
    // extension lines from xFrom; the value to the left of the line.
    void dimV(double x, double y1, double y2, double xFrom, const std::string &label)
    {
        line(xFrom - 3, y1, x - 4, y1, "0.5");
        line(xFrom - 3, y2, x - 4, y2, "0.5");
        line(x, y1, x, y2, "0.6");
        arrow(x, y1, 0, -1);
        arrow(x, y2, 0, 1);
        text(x - 4, (y1 + y2) / 2 + 4, label, "end");
    }

    // A label joined to a point by a leader line ending in an arrow.
    void leader(double tipX, double tipY, double endX, double endY, const std::string &label)
    {
        line(endX, endY, tipX, tipY, "0.6");
        arrow(tipX, tipY, tipX - endX, tipY - endY);
        const bool left = endX < tipX;
        line(endX, endY, endX + (left ? -1 : 1) * 6, endY, "0.6");
        text(endX + (left ? -8 : 8), endY + 4, label, left ? "end" : "start");
    }

    static std::string C(double v) { return Coordinate(v); }

private:
    MarkupWriter &m_w;
};

std::string Value(double v)
{
    return ShortestText(v);
}

// One elevation: the half width at the foot (m), the radius, the flare
// offset at the top; seen with x to the right and z up from the pier's foot.
struct Elevation {
    double halfWidth;
    double R;
    double topOffset;
    double chamfer; // l1: the chamfer edges run this far inside the outline
    double grooveInner = -1.0; // half the groove bottom, or < 0 for no groove
    double grooveOuter = -1.0; // half the groove opening
};

void DrawElevation(Pen &pen, const Elevation &e, const PierParameters &p, double cx, double baseY, double scale)
{
    const auto X = [&](double x) { return cx + x * scale; };
    const auto Y = [&](double z) { return baseY - z * scale; };
    const double z1 = p.H1, z2 = p.H1 + p.h, z3 = p.H1 + p.h + p.H2;
    const double top = e.halfWidth + e.topOffset;
    const double r = e.R * scale;
    const bool flared = p.h > 0.0;

    // Outline: foot, right face, flare arc, cap, back down the left face.
    PathData d;
    d.move(X(-e.halfWidth), Y(0)).line(X(e.halfWidth), Y(0)).line(X(e.halfWidth), Y(z1));
    flared ? d.arc(r, 1, X(top), Y(z2)) : d.line(X(top), Y(z2));
    d.line(X(top), Y(z3)).line(X(-top), Y(z3)).line(X(-top), Y(z2));
    flared ? d.arc(r, 1, X(-e.halfWidth), Y(z1)) : d.line(X(-e.halfWidth), Y(z1));
    d.close();
    pen.path(d);

    // Joints between shaft, flare and cap.
    pen.line(X(-e.halfWidth), Y(z1), X(e.halfWidth), Y(z1), "0.7");
    pen.line(X(-top), Y(z2), X(top), Y(z2), "0.7");

    // Chamfer edges: the outline moved inward by l1, arcs of the same radius.
    if (e.chamfer > 0.0 && e.chamfer < e.halfWidth) {
        for (double side : {-1.0, 1.0}) {
            const double a = side * (e.halfWidth - e.chamfer), b = side * (top - e.chamfer);
            PathData c;
            c.move(X(a), Y(0)).line(X(a), Y(z1));
            flared ? c.arc(r, side > 0 ? 1 : 0, X(b), Y(z2)) : c.line(X(b), Y(z2));
            c.line(X(b), Y(z3));
            pen.path(c, "0.6", "edge");
        }
    }
    // Groove edges: straight, since the groove keeps its place in the face.
    if (e.grooveOuter > 0.0) {
        for (double x : {-e.grooveOuter, -e.grooveInner, e.grooveInner, e.grooveOuter})
            pen.line(X(x), Y(0), X(x), Y(z3), "0.6");
    }
}

} // namespace

bool WritePierDrawing(MarkupWriter &w, const PierParameters &p)
{
    const double totalHeight = p.H1 + p.h + p.H2;
    if (!ExactApplicability(p).empty() || !(totalHeight > 0.0) || !std::isfinite(totalHeight))
        return false;
    const auto f1 = FlareOffset(p.R1, p.h);
    const auto f2 = FlareOffset(p.R2, p.h);
    if (!f1 || !f2)
        return false;
    const double top1 = p.L1 + 2.0 * f1.value(), top2 = p.L2 + 2.0 * f2.value();

    // One scale for both elevations, another for the section.
    const double elevationWidth = kWidth - kSectionColumn - kHeightDims - kGap - 10.0;
    double scale = std::min(kMaxElevationHeight / totalHeight, elevationWidth / (top1 + top2));
    // An elevation narrower than its least panel leaves the other less room.
    if (top2 * scale < kMinPanel)
        scale = std::min(scale, (elevationWidth - kMinPanel) / top1);
    if (top1 * scale < kMinPanel)
        scale = std::min(scale, (elevationWidth - kMinPanel) / top2);
    if (!(scale > 0.0) || !std::isfinite(scale))
        return false;
    const double sectionScale = std::min(120.0 / p.L1, 200.0 / p.L2);
    const double height = std::max(kMinHeight, kTopRoom + totalHeight * scale + kBottomRoom);
    const double elevationHeight = height - kTopRoom - kBottomRoom;

    const std::string viewBox = "0 0 " + Coordinate(kWidth) + " " + Coordinate(height);
    w.open("svg",
           {{"xmlns", "http://www.w3.org/2000/svg"},
            {"id", "drawing"},
            {"class", "drawing"},
            {"viewBox", viewBox},
            {"role", "img"}});
    w.open("g", {{"stroke", "#000"}, {"fill", "none"}, {"stroke-linecap", "round"}});
    Pen pen(w);

    const double baseY = kTopRoom + elevationHeight;
    // A slender pier still gets room for its labels beside and above it.
    const double frontPanel = std::max(top1 * scale, kMinPanel), sidePanel = std::max(top2 * scale, kMinPanel);
    const double frontCx = kHeightDims + frontPanel / 2;
    const double sideCx = kHeightDims + frontPanel + kGap + sidePanel / 2;
    const auto Y = [&](double z) { return baseY - z * scale; };

    // Front elevation: the grooved faces, widths along L1, arcs of R1.
    DrawElevation(pen, {p.L1 / 2, p.R1, f1.value(), p.l1, p.l3 / 2, p.l3 / 2 + p.l2}, p, frontCx, baseY, scale);
    // Side elevation: the end faces, widths along L2, arcs of R2.
    DrawElevation(pen, {p.L2 / 2, p.R2, f2.value(), p.l1}, p, sideCx, baseY, scale);

    // Heights, left of the front elevation.
    const double left = frontCx - top1 * scale / 2;
    const double dimX = left - 12;
    const double z1 = p.H1, z2 = p.H1 + p.h, z3 = totalHeight;
    if (p.H1 > 0)
        pen.dimV(dimX, Y(z1), Y(0), frontCx - p.L1 * scale / 2, "H1=" + Value(p.H1));
    if (p.h > 0)
        pen.dimV(dimX, Y(z2), Y(z1), frontCx - p.L1 * scale / 2, "h=" + Value(p.h));
    if (p.H2 > 0)
        pen.dimV(dimX, Y(z3), Y(z2), left, "H2=" + Value(p.H2));

    // Widths at the foot and at the top of each elevation.
    pen.dimH(frontCx - p.L1 * scale / 2, frontCx + p.L1 * scale / 2, baseY + 16, baseY, "L1=" + Value(p.L1));
    pen.dimH(frontCx - top1 * scale / 2, frontCx + top1 * scale / 2, Y(z3) - 14, Y(z3), "L1+2f1(h)=" + Fixed(top1, 3));
    pen.dimH(sideCx - p.L2 * scale / 2, sideCx + p.L2 * scale / 2, baseY + 16, baseY, "L2=" + Value(p.L2));
    pen.dimH(sideCx - top2 * scale / 2, sideCx + top2 * scale / 2, Y(z3) - 14, Y(z3), "L2+2f2(h)=" + Fixed(top2, 3));

    // Radii: a leader along the radius to the middle of the right arc.
    if (p.h > 0) {
        const auto radius = [&](double cx, double halfWidth, double R, const char *name) {
            const double y = p.h / 2;
            const auto offset = FlareOffset(R, y);
            if (!offset)
                return;
            const double px = cx + (halfWidth + offset.value()) * scale, pz = Y(p.H1 + y);
            // Towards the centre (halfWidth + R, H1): down and to the right.
            const double dx = (R - offset.value()), dz = y; // in metres, z up
            const double norm = std::hypot(dx, dz);
            const double ex = px + dx / norm * 34, ey = pz + dz / norm * 34;
            pen.leader(px, pz, ex, ey, std::string(name) + "=" + Value(R));
        };
        radius(frontCx, p.L1 / 2, p.R1, "R1");
        radius(sideCx, p.L2 / 2, p.R2, "R2");
    }
    pen.text(frontCx, baseY + 44, "正立面（沿 L1）", "middle", "12");
    pen.text(sideCx, baseY + 44, "侧立面（沿 L2）", "middle", "12");

    // The section: L1 across, L2 up; grooves in the two faces of length L1.
    const double scx = kWidth - kSectionColumn / 2 + 4, scy = kTopRoom + elevationHeight / 2;
    const auto SX = [&](double x) { return scx + x * sectionScale; };
    const auto SY = [&](double y) { return scy - y * sectionScale; };
    const double a = p.L1 / 2, b = p.L2 / 2, c = p.l1, g = p.l3 / 2, o = p.l3 / 2 + p.l2, depth = p.l2;
    const double outline[][2] = {
        {-a + c, -b}, {-o, -b}, {-g, -b + depth}, {g, -b + depth}, {o, -b}, {a - c, -b}, {a, -b + c}, {a, b - c},
        {a - c, b},   {o, b},   {g, b - depth},   {-g, b - depth}, {-o, b}, {-a + c, b}, {-a, b - c}, {-a, -b + c}};
    PathData section;
    for (const auto &point : outline)
        section.text().empty() ? section.move(SX(point[0]), SY(point[1])) : section.line(SX(point[0]), SY(point[1]));
    pen.path(section.close());
    pen.line(SX(-a) - 10, SY(0), SX(a) + 10, SY(0), "0.4", "8 3 2 3");
    pen.line(SX(0), SY(-b) - 10, SX(0), SY(b) + 10, "0.4", "8 3 2 3");
    pen.dimH(SX(-a), SX(a), SY(-b) + 22, SY(-b), "L1=" + Value(p.L1), true);
    pen.dimV(SX(-a) - 14, SY(b), SY(-b), SX(-a), "L2=" + Value(p.L2));
    if (p.l1 > 0)
        pen.leader(SX(a - c / 2), SY(b - c / 2), SX(a) + 12, SY(b) - 18, "l1=" + Value(p.l1));
    if (p.l2 > 0)
        pen.leader(SX(o - p.l2 / 2), SY(b - depth / 2), SX(o) + 30, SY(b) - 38, "l2=" + Value(p.l2));
    if (p.l3 > 0)
        pen.leader(SX(0), SY(b - depth), SX(-o) - 22, SY(b) - 38, "l3=" + Value(p.l3));
    pen.text(scx, baseY + 44, "截面（倒角 l1×l1，槽 l2、l3）", "middle", "12");

    w.close(); // g
    w.close(); // svg
    return true;
}

} // namespace pierqty::sheet
