// The report as a terminal shows it.
#include "cli/writers.h"

#include "calc/numbers.h"
#include "calc/texts.h"
#include "cli/output.h"

#include <algorithm>

namespace pierqty::cli {

namespace {

// For a terminal or a pipe.
constexpr std::string_view kLineBreak = "\n";

// (layered - exact) / exact, in percent, signed; nothing when exact is 0.
void AppendPercentDifference(std::string &out, double layered, double exact)
{
    if (exact == 0.0)
        return;
    const double percent = (layered - exact) / exact * 100.0;
    if (percent >= 0)
        out += '+';
    AppendFixed6(out, percent);
    out += " %";
}

void AppendExactText(std::string &out, const PierQuantities &q, const ExactOutcome &outcome)
{
    if (const auto *na = std::get_if<NotApplicable>(&outcome)) {
        out += "Exact quantities: not applicable: ";
        out += na->reason;
        out += '\n';
        return;
    }
    const ExactQuantities &e = std::get<ExactQuantities>(outcome);
    out += "Exact quantities (layered figure beside; difference = layered - exact, in percent of exact):\n";
    // The label in 28 columns, the exact figure right-aligned in the next 14.
    const auto row = [&out](std::string_view label, double exact, std::string_view unit, const double *layered) {
        const std::size_t start = out.size();
        out += "  ";
        out += label;
        out.resize(start + 28, ' ');
        const std::string value = formatQuantity(exact);
        out.append(value.size() < 14 ? 14 - value.size() : 0, ' ');
        out += value;
        out += ' ';
        out += unit;
        if (layered) {
            out += "   layered ";
            AppendFixed6(out, *layered);
            out += ' ';
            out += unit;
            out += "   ";
            AppendPercentDifference(out, *layered, exact);
        }
        out += '\n';
    };
    row("flare volume", e.FlareVolume, "m3", &q.FlareVolume);
    row("V", e.V, "m3", &q.V);
    row("projected flare formwork", e.ProjectedFlareFormwork, "m2", &q.FlareFormwork);
    row("true flare formwork", e.TrueFlareFormwork, "m2", &q.FlareFormwork);
    row("  end faces", e.EndFaces, "m2", nullptr);
    row("  grooved faces", e.GroovedFaces, "m2", nullptr);
    row("  groove walls", e.GrooveWalls, "m2", nullptr);
    row("  chamfers", e.Chamfers, "m2", nullptr);
    row("projected S", e.ProjectedS, "m2", &q.S);
    row("true S", e.S, "m2", &q.S);
}

} // namespace

TextReport::TextReport(int layerCount)
{
    m_layers.reserve(ReportLayersSize(static_cast<std::size_t>(std::max(layerCount, 0)), kLineBreak));
}

void TextReport::operator()(const LayerSection &layer)
{
    AppendReportLayer(m_layers, layer, kLineBreak);
}

int TextReport::write(const PierQuantities &q, const ExactOutcome *exact) const
{
    std::string head = "S= " + AreaText(q.S) + "\nV= " + VolumeText(q.V) + "\n";
    AppendReportHead(head, q, kLineBreak);
    std::string tail = "\n";
    if (exact)
        AppendExactText(tail, q, *exact);
    return Write({head, m_layers, tail});
}

} // namespace pierqty::cli
