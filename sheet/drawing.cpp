#include "sheet/drawing.h"

#include "calc/exact.h"
#include "calc/geometry.h"
#include "calc/numbers.h"

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
constexpr double kBottomRoom = 80.0; // below: bottom widths and captions
constexpr double kVerticalRadius = 100000.0; // from here on a side is vertical

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

// A dimension's text as the formulas write it: each parameter letter
// italic with its digit as a subscript, numbers without an exponent and
// with the minus sign U+2212; and its width in user units at 11 px.
struct Label {
    std::string markup;
    double width = 0.0;

    Label &symbol(std::string_view name)
    {
        markup += "<tspan font-style=\"italic\">";
        markup += name.substr(0, 1);
        markup += "</tspan>";
        width += 6.5;
        if (name.size() > 1) {
            markup += "<tspan baseline-shift=\"sub\" font-size=\"8\">";
            markup += name.substr(1);
            markup += "</tspan>";
            width += 4.5 * static_cast<double>(name.size() - 1);
        }
        return *this;
    }
    Label &plain(const std::string &text)
    {
        AppendEscaped(markup, text);
        for (std::size_t k = 0; k < text.size(); ++k) // a CJK character takes 3 bytes and 11 units
            width += (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80 ? 1.5 : 6.2;
        return *this;
    }
};

// "L1=2.5": a parameter and its value.
Label Named(std::string_view name, double value)
{
    return Label().symbol(name).plain("=").plain(WithMinusSign(PlainNumber(value)));
}

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

    // A label as the formulas write it (see Label): trusted markup.
    void label(double x, double y, const Label &label, const char *anchor = "middle")
    {
        m_w.open("text",
                 {{"x", C(x)},
                  {"y", C(y)},
                  {"text-anchor", anchor},
                  {"font-size", "11"},
                  {"stroke", "none"},
                  {"fill", "#000"}});
        m_w.raw(label.markup);
        m_w.close();
    }

    // Horizontal dimension between x1 and x2 at height y, with extension
    // lines from yFrom. The value stands between the extension lines above
    // the line (below it when below); a value wider than the dimension
    // stands beyond the ends of the extension lines, so that no line
    // crosses it.
    void dimH(double x1, double x2, double y, double yFrom, const Label &text, bool below = false)
    {
        const double sign = y > yFrom ? 1.0 : -1.0;
        line(x1, yFrom + sign * 3, x1, y + sign * 4, "0.5");
        line(x2, yFrom + sign * 3, x2, y + sign * 4, "0.5");
        line(x1, y, x2, y, "0.6");
        arrow(x1, y, -1, 0);
        arrow(x2, y, 1, 0);
        const bool fits = text.width + 8 < std::fabs(x2 - x1);
        double baseline = below ? y + 13 : y - 4;
        if (!fits)
            baseline = sign > 0 ? y + 16 : y - 7;
        label((x1 + x2) / 2, baseline, text);
    }

    // Vertical dimension between y1 and y2 (y1 < y2 on screen) at x, with
    // extension lines from xFrom; the value to the left of the line.
    void dimV(double x, double y1, double y2, double xFrom, const Label &text)
    {
        line(xFrom - 3, y1, x - 4, y1, "0.5");
        line(xFrom - 3, y2, x - 4, y2, "0.5");
        line(x, y1, x, y2, "0.6");
        arrow(x, y1, 0, -1);
        arrow(x, y2, 0, 1);
        label(x - 4, (y1 + y2) / 2 + 4, text, "end");
    }

    // A label joined to a point by a leader line ending in an arrow.
    void leader(double tipX, double tipY, double endX, double endY, const Label &text)
    {
        line(endX, endY, tipX, tipY, "0.6");
        arrow(tipX, tipY, tipX - endX, tipY - endY);
        const bool left = endX < tipX;
        line(endX, endY, endX + (left ? -1 : 1) * 6, endY, "0.6");
        label(endX + (left ? -8 : 8), endY + 4, text, left ? "end" : "start");
    }

    static std::string C(double v) { return Coordinate(v); }

private:
    MarkupWriter &m_w;
};

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
    const bool flared = p.h > 0.0 && !IsVertical(e.R); // a vertical side is drawn straight

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

// Where the drawing puts things: one scale for both elevations, another for
// the section, in SVG user units.
struct Layout {
    double top1 = 0.0, top2 = 0.0; // widths at the top of the flare (m)
    double scale = 0.0, sectionScale = 0.0;
    double height = 0.0, baseY = 0.0, frontCx = 0.0, sideCx = 0.0;

    double Y(double z) const { return baseY - z * scale; }
};

bool MakeLayout(const PierParameters &p, Layout &out)
{
    const double totalHeight = p.H1 + p.h + p.H2;
    if (!ExactApplicability(p).empty() || !(totalHeight > 0.0) || !std::isfinite(totalHeight))
        return false;
    const auto f1 = FlareOffset(p.R1, p.h);
    const auto f2 = FlareOffset(p.R2, p.h);
    if (!f1 || !f2)
        return false;
    out.top1 = p.L1 + 2.0 * f1.value(), out.top2 = p.L2 + 2.0 * f2.value();
    const double elevationWidth = kWidth - kSectionColumn - kHeightDims - kGap - 10.0;
    double scale = std::min(kMaxElevationHeight / totalHeight, elevationWidth / (out.top1 + out.top2));
    // An elevation narrower than its least panel leaves the other less room.
    if (out.top2 * scale < kMinPanel)
        scale = std::min(scale, (elevationWidth - kMinPanel) / out.top1);
    if (out.top1 * scale < kMinPanel)
        scale = std::min(scale, (elevationWidth - kMinPanel) / out.top2);
    if (!(scale > 0.0) || !std::isfinite(scale))
        return false;
    out.scale = scale;
    out.sectionScale = std::min(120.0 / p.L1, 200.0 / p.L2);
    out.height = std::max(kMinHeight, kTopRoom + totalHeight * scale + kBottomRoom);
    out.baseY = out.height - kBottomRoom;
    // A slender pier still gets room for its labels beside and above it.
    const double frontPanel = std::max(out.top1 * scale, kMinPanel), sidePanel = std::max(out.top2 * scale, kMinPanel);
    out.frontCx = kHeightDims + frontPanel / 2;
    out.sideCx = kHeightDims + frontPanel + kGap + sidePanel / 2;
    return true;
}

// Heights left of the front elevation; widths at the foot and the top.
void DrawDimensions(Pen &pen, const PierParameters &p, const Layout &at)
{
    const double s = at.scale, z1 = p.H1, z2 = p.H1 + p.h, z3 = p.H1 + p.h + p.H2;
    const double foot = at.frontCx - p.L1 * s / 2, left = at.frontCx - at.top1 * s / 2;
    const double dimX = left - 12;
    if (p.H1 > 0)
        pen.dimV(dimX, at.Y(z1), at.Y(0), foot, Named("H1", p.H1));
    if (p.h > 0)
        pen.dimV(dimX, at.Y(z2), at.Y(z1), foot, Named("h", p.h));
    if (p.H2 > 0)
        pen.dimV(dimX, at.Y(z3), at.Y(z2), left, Named("H2", p.H2));
    const auto topLabel = [](const char *L, const char *f, double value) {
        return Label().symbol(L).plain("+2").symbol(f).plain("(").symbol("h").plain(")=").plain(Fixed(value, 3));
    };
    pen.dimH(foot, at.frontCx + p.L1 * s / 2, at.baseY + 16, at.baseY, Named("L1", p.L1));
    pen.dimH(left, at.frontCx + at.top1 * s / 2, at.Y(z3) - 14, at.Y(z3), topLabel("L1", "f1", at.top1));
    pen.dimH(at.sideCx - p.L2 * s / 2, at.sideCx + p.L2 * s / 2, at.baseY + 16, at.baseY, Named("L2", p.L2));
    pen.dimH(at.sideCx - at.top2 * s / 2, at.sideCx + at.top2 * s / 2, at.Y(z3) - 14, at.Y(z3),
             topLabel("L2", "f2", at.top2));
}

// The radius of each side: a leader along it to the middle of the right
// arc, or on a vertical side the word for it.
void DrawRadius(Pen &pen, const PierParameters &p, const Layout &at, double cx, double halfWidth, double R,
                const char *name)
{
    const double y = p.h / 2;
    const auto offset = FlareOffset(R, y);
    if (!(p.h > 0) || !offset)
        return;
    const double px = cx + (halfWidth + offset.value()) * at.scale, pz = at.Y(p.H1 + y);
    if (IsVertical(R)) {
        // Under the elevation's caption: beside it, it would run into the next view.
        pen.label(cx, at.baseY + 71, Label().plain("竖直（").symbol(name).plain(" ≥ 100000）"));
        return;
    }
    // Towards the centre (halfWidth + R, H1): down and to the right.
    const double dx = (R - offset.value()), dz = y; // in metres, z up
    const double norm = std::hypot(dx, dz);
    pen.leader(px, pz, px + dx / norm * 34, pz + dz / norm * 34, Named(name, R));
}

// The section: L1 across, L2 up; grooves in the two faces of length L1.
void DrawSection(Pen &pen, const PierParameters &p, const Layout &at)
{
    const double scx = kWidth - kSectionColumn / 2 + 4, scy = kTopRoom + (at.baseY - kTopRoom) / 2;
    const auto SX = [&](double x) { return scx + x * at.sectionScale; };
    const auto SY = [&](double y) { return scy - y * at.sectionScale; };
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
    pen.dimH(SX(-a), SX(a), SY(-b) + 22, SY(-b), Named("L1", p.L1), true);
    pen.dimV(SX(-a) - 14, SY(b), SY(-b), SX(-a), Named("L2", p.L2));
    if (p.l1 > 0)
        pen.leader(SX(a - c / 2), SY(b - c / 2), SX(a) + 12, SY(b) - 18, Named("l1", p.l1));
    if (p.l2 > 0)
        pen.leader(SX(o - p.l2 / 2), SY(b - depth / 2), SX(o) + 30, SY(b) - 38, Named("l2", p.l2));
    if (p.l3 > 0)
        pen.leader(SX(0), SY(b - depth), SX(-o) - 22, SY(b) - 38, Named("l3", p.l3));
    pen.label(scx, at.baseY + 56,
              Label()
                  .plain("截面（倒角 ")
                  .symbol("l1")
                  .plain("×")
                  .symbol("l1")
                  .plain("，槽 ")
                  .symbol("l2")
                  .plain("、")
                  .symbol("l3")
                  .plain("）"));
}

} // namespace

bool IsVertical(double R)
{
    return R >= kVerticalRadius;
}

bool WritePierDrawing(MarkupWriter &w, const PierParameters &p)
{
    Layout at;
    if (!MakeLayout(p, at))
        return false;
    const std::string viewBox = "0 0 " + Coordinate(kWidth) + " " + Coordinate(at.height);
    w.open("svg",
           {{"xmlns", "http://www.w3.org/2000/svg"},
            {"id", "drawing"},
            {"class", "drawing"},
            {"viewBox", viewBox},
            {"role", "img"}});
    w.open("g", {{"stroke", "#000"}, {"fill", "none"}, {"stroke-linecap", "round"}});
    Pen pen(w);
    const double f1 = (at.top1 - p.L1) / 2, f2 = (at.top2 - p.L2) / 2;
    // Front elevation: the grooved faces, widths along L1, arcs of R1.
    DrawElevation(pen, {p.L1 / 2, p.R1, f1, p.l1, p.l3 / 2, p.l3 / 2 + p.l2}, p, at.frontCx, at.baseY, at.scale);
    // Side elevation: the end faces, widths along L2, arcs of R2.
    DrawElevation(pen, {p.L2 / 2, p.R2, f2, p.l1}, p, at.sideCx, at.baseY, at.scale);
    DrawDimensions(pen, p, at);
    DrawRadius(pen, p, at, at.frontCx, p.L1 / 2, p.R1, "R1");
    DrawRadius(pen, p, at, at.sideCx, p.L2 / 2, p.R2, "R2");
    pen.label(at.frontCx, at.baseY + 56, Label().plain("正立面（沿 ").symbol("L1").plain("）"));
    pen.label(at.sideCx, at.baseY + 56, Label().plain("侧立面（沿 ").symbol("L2").plain("）"));
    DrawSection(pen, p, at);
    w.close(); // g
    w.close(); // svg
    return true;
}

} // namespace pierqty::sheet
