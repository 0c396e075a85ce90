// The report as a terminal shows it.
#include "cli/writers.h"

#include "calc/numbers.h"
#include "calc/quantity_catalogue.h"
#include "calc/texts.h"
#include "cli/output.h"

#include <algorithm>

namespace pierqty::cli {

namespace {

// For a terminal or a pipe.
constexpr std::string_view kLineBreak = "\n";

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
    // The label in 28 columns, the exact figure right-aligned in the next 14;
    // a face of the flared part indented under the true flare formwork.
    for (const Quantity *quantity : ExactResults()) {
        const std::size_t start = out.size();
        out += quantity->face() ? "    " : "  ";
        out += quantity->en;
        out.resize(start + 28, ' ');
        const double exact = e.*quantity->exact.member;
        const std::string value = formatQuantity(exact);
        out.append(value.size() < 14 ? 14 - value.size() : 0, ' ');
        out += value;
        out += ' ';
        out += AsciiUnit(quantity->unit);
        if (const std::optional<double> layered = LayeredFigure(*quantity, q)) {
            out += "   layered ";
            AppendFixed6(out, *layered);
            out += ' ';
            out += AsciiUnit(quantity->unit);
            out += "   ";
            if (const auto difference = PercentDifferenceText(*layered, exact, 6, ZeroSign::PlusUnlessNegative))
                out += *difference + " %";
        }
        out += '\n';
    }
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
