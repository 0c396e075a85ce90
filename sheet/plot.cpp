#include "sheet/plot.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pierqty::sheet {

namespace {

// Plot geometry in SVG user units (1 unit is about 0.27 mm at full width).
constexpr double kWidth = 640.0;
constexpr double kHeight = 260.0;
constexpr double kLeft = 74.0;
constexpr double kRight = 16.0;
constexpr double kTop = 30.0;
constexpr double kBottom = 46.0;

int DecimalsFor(double step)
{
    int decimals = 0;
    double s = step;
    while (decimals < 6 && std::fabs(s - std::round(s)) > 1e-9 * std::max(1.0, std::fabs(s))) {
        s *= 10.0;
        ++decimals;
    }
    return decimals;
}

} // namespace

std::vector<double> RoundTicks(double low, double high, int count, double &step)
{
    std::vector<double> ticks;
    if (!(high > low) || !std::isfinite(high - low)) {
        const double middle = std::isfinite(low) ? low : 0.0;
        const double half = std::max(1.0, std::fabs(middle) * 0.1);
        low = middle - half;
        high = middle + half;
    }
    const double raw = (high - low) / std::max(1, count);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    step = (fraction <= 1.0 ? 1.0 : fraction <= 2.0 ? 2.0 : fraction <= 5.0 ? 5.0 : 10.0) * power;
    const double first = std::floor(low / step + 1e-9);
    const double last = std::ceil(high / step - 1e-9);
    for (double k = first; k <= last + 0.5; k += 1.0)
        ticks.push_back(k * step);
    return ticks;
}

namespace {

// Where a plot's values land in the picture: round ticks on both axes.
struct Frame {
    std::vector<double> xTicks, yTicks;
    double xStep = 0.0, yStep = 0.0;
    double x0 = 0.0, x1 = 0.0, y0 = 0.0, y1 = 0.0;
    double width = kWidth - kLeft - kRight, height = kHeight - kTop - kBottom;

    double X(double x) const { return kLeft + (x - x0) / (x1 - x0) * width; }
    double Y(double y) const { return kTop + (y1 - y) / (y1 - y0) * height; }
};

// The frame around every finite point, or false when no series has two.
bool MakeFrame(const PlotSpec &spec, Frame &frame)
{
    double xMin = std::numeric_limits<double>::infinity(), xMax = -xMin;
    double yMin = spec.includeZero ? 0.0 : xMin, yMax = spec.includeZero ? 0.0 : -xMin;
    bool any = false;
    for (const PlotSeries &series : spec.series) {
        int finite = 0;
        for (const PlotPoint &point : series.points) {
            if (!std::isfinite(point.x) || !std::isfinite(point.y))
                continue;
            ++finite;
            xMin = std::min(xMin, point.x), xMax = std::max(xMax, point.x);
            yMin = std::min(yMin, point.y), yMax = std::max(yMax, point.y);
        }
        any = any || finite >= 2;
    }
    if (!any)
        return false;
    frame.xTicks = RoundTicks(xMin, xMax, 8, frame.xStep);
    frame.yTicks = RoundTicks(yMin, yMax, 5, frame.yStep);
    frame.x0 = frame.xTicks.front(), frame.x1 = frame.xTicks.back();
    frame.y0 = frame.yTicks.front(), frame.y1 = frame.yTicks.back();
    return true;
}

void Line(MarkupWriter &w, double x1, double y1, double x2, double y2)
{
    w.empty("line", {{"x1", Coordinate(x1)}, {"y1", Coordinate(y1)}, {"x2", Coordinate(x2)}, {"y2", Coordinate(y2)}});
}

// Grid, frame and the tick values on both axes (negative ones with U+2212).
void WriteAxes(MarkupWriter &w, const Frame &f)
{
    w.open("g", {{"class", "grid"}, {"stroke", "#d0d0d0"}, {"stroke-width", "0.6"}});
    for (double t : f.xTicks)
        Line(w, f.X(t), kTop, f.X(t), kTop + f.height);
    for (double t : f.yTicks)
        Line(w, kLeft, f.Y(t), kLeft + f.width, f.Y(t));
    w.close();
    w.empty("rect",
            {{"x", Coordinate(kLeft)},
             {"y", Coordinate(kTop)},
             {"width", Coordinate(f.width)},
             {"height", Coordinate(f.height)},
             {"fill", "none"},
             {"stroke", "#000"},
             {"stroke-width", "0.8"}});
    const int xDecimals = DecimalsFor(f.xStep), yDecimals = DecimalsFor(f.yStep);
    w.open("g", {{"class", "ticks"}, {"font-size", "11"}, {"fill", "#000"}});
    for (double t : f.xTicks)
        w.element("text", WithMinusSign(Fixed(t, xDecimals)),
                  {{"x", Coordinate(f.X(t))}, {"y", Coordinate(kTop + f.height + 14)}, {"text-anchor", "middle"}});
    for (double t : f.yTicks)
        w.element("text", WithMinusSign(Fixed(t, yDecimals)),
                  {{"x", Coordinate(kLeft - 5)}, {"y", Coordinate(f.Y(t) + 4)}, {"text-anchor", "end"}});
    w.close();
}

// Joints between the parts of the pier, and the parts' names.
void WriteMarks(MarkupWriter &w, const PlotSpec &spec, const Frame &f)
{
    std::vector<double> edges = {f.x0};
    for (const PlotMark &mark : spec.marks) {
        if (!(mark.x > f.x0 && mark.x < f.x1))
            continue;
        edges.push_back(mark.x);
        w.empty("line",
                {{"x1", Coordinate(f.X(mark.x))},
                 {"y1", Coordinate(kTop)},
                 {"x2", Coordinate(f.X(mark.x))},
                 {"y2", Coordinate(kTop + f.height)},
                 {"stroke", "#777"},
                 {"stroke-width", "0.8"},
                 {"stroke-dasharray", "4 3"}});
    }
    edges.push_back(f.x1);
    if (spec.bandLabels.size() + 1 != edges.size())
        return;
    for (std::size_t k = 0; k < spec.bandLabels.size(); ++k) {
        if (f.X(edges[k + 1]) - f.X(edges[k]) < 24)
            continue;
        w.element("text", spec.bandLabels[k],
                  {{"x", Coordinate((f.X(edges[k]) + f.X(edges[k + 1])) / 2)},
                   {"y", Coordinate(kTop - 6)},
                   {"font-size", "11"},
                   {"text-anchor", "middle"},
                   {"fill", "#444"}});
    }
}

void WriteAxisTitles(MarkupWriter &w, const PlotSpec &spec, const Frame &f)
{
    w.element("text", spec.xTitle,
              {{"x", Coordinate(kLeft + f.width / 2)},
               {"y", Coordinate(kHeight - 8)},
               {"font-size", "12"},
               {"text-anchor", "middle"}});
    const std::string rotate = "rotate(-90 16 " + Coordinate(kTop + f.height / 2) + ")";
    w.element("text", spec.yTitle,
              {{"x", "16"},
               {"y", Coordinate(kTop + f.height / 2)},
               {"font-size", "12"},
               {"text-anchor", "middle"},
               {"transform", rotate}});
}

void WriteCurves(MarkupWriter &w, const PlotSpec &spec, const Frame &f)
{
    std::string points;
    for (const PlotSeries &series : spec.series) {
        points.clear();
        for (const PlotPoint &point : series.points) {
            if (!std::isfinite(point.x) || !std::isfinite(point.y))
                continue;
            if (!points.empty())
                points += ' ';
            points += Coordinate(f.X(point.x));
            points += ',';
            points += Coordinate(f.Y(point.y));
        }
        w.empty("polyline",
                {{"class", series.name},
                 {"points", points},
                 {"fill", "none"},
                 {"stroke", "#000"},
                 {"stroke-width", "1.4"},
                 {"stroke-linejoin", "round"},
                 {"stroke-dasharray", series.dashed ? "6 3" : "none"}});
    }
}

// The legend in the upper left corner.
void WriteLegend(MarkupWriter &w, const PlotSpec &spec)
{
    double legendY = kTop + 14;
    for (const PlotSeries &series : spec.series) {
        const double lx = kLeft + 10;
        w.empty("line",
                {{"x1", Coordinate(lx)},
                 {"y1", Coordinate(legendY - 4)},
                 {"x2", Coordinate(lx + 26)},
                 {"y2", Coordinate(legendY - 4)},
                 {"stroke", "#000"},
                 {"stroke-width", "1.4"},
                 {"stroke-dasharray", series.dashed ? "6 3" : "none"}});
        w.open("text", {{"x", Coordinate(lx + 32)}, {"y", Coordinate(legendY)}, {"font-size", "11"}});
        w.raw(series.legend);
        w.close();
        legendY += 15;
    }
}

} // namespace

void WritePlot(MarkupWriter &w, const PlotSpec &spec)
{
    Frame frame;
    if (!MakeFrame(spec, frame))
        return;
    const std::string viewBox = "0 0 " + Coordinate(kWidth) + " " + Coordinate(kHeight);
    w.open("svg",
           {{"xmlns", "http://www.w3.org/2000/svg"},
            {"id", spec.id},
            {"class", "plot"},
            {"viewBox", viewBox},
            {"role", "img"}});
    WriteAxes(w, frame);
    WriteMarks(w, spec, frame);
    WriteAxisTitles(w, spec, frame);
    WriteCurves(w, spec, frame);
    WriteLegend(w, spec);
    w.close(); // svg
}

} // namespace pierqty::sheet
