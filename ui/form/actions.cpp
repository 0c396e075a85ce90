#include "ui/form/actions.h"

#include "calc/numbers.h"

#include <variant>

namespace pierqty::form {

std::string SheetFileName(const std::tm &local)
{
    char stamp[32];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M", &local);
    return "计算书-" + std::string(stamp, length) + ".html";
}

namespace {

class Summary
{
public:
    void line(const char *name, double value, const char *unit)
    {
        m_text += name;
        m_text += '\t';
        m_text += formatQuantity(value);
        m_text += '\t';
        m_text += unit;
        m_text += "\r\n";
    }

    void note(const char *name, const std::string &text)
    {
        m_text += name;
        m_text += '\t';
        // A tab or a line break would split the note across cells or rows.
        for (const char c : text)
            m_text += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
        m_text += "\t\r\n";
    }

    std::string take() { return std::move(m_text); }

private:
    std::string m_text = "项目\t数值\t单位\r\n";
};

} // namespace

std::string ResultSummary(const PierQuantities &q, const ExactOutcome &exact)
{
    const auto *e = std::get_if<ExactQuantities>(&exact);
    Summary out;
    out.line("模板面积 S（分层法）", q.S, "m²");
    if (e) {
        out.line("模板面积 S（真实）", e->S, "m²");
        out.line("模板面积 S（精确，投影）", e->ProjectedS, "m²");
    }
    out.line("混凝土方量 V（分层法）", q.V, "m³");
    if (e)
        out.line("混凝土方量 V（精确）", e->V, "m³");
    else
        out.note("精确法不适用", std::get<NotApplicable>(exact).reasonZh);

    out.line("墩身体积", q.ShaftVolume, "m³");
    out.line("花瓶段体积（分层法）", q.FlareVolume, "m³");
    if (e)
        out.line("花瓶段体积（精确）", e->FlareVolume, "m³");
    out.line("墩帽体积", q.CapVolume, "m³");

    out.line("墩身模板", q.ShaftFormwork, "m²");
    out.line("花瓶段模板（分层法）", q.FlareFormwork, "m²");
    if (e) {
        out.line("花瓶段模板（精确，投影）", e->ProjectedFlareFormwork, "m²");
        out.line("花瓶段模板（真实）", e->TrueFlareFormwork, "m²");
        // Curved and straight formwork are priced apart.
        out.line("花瓶段端面（2 面，真实）", e->EndFaces, "m²");
        out.line("花瓶段带槽面（2 面，含槽底，真实）", e->GroovedFaces, "m²");
        out.line("花瓶段槽侧面（4 面，真实）", e->GrooveWalls, "m²");
        out.line("花瓶段倒角面（4 面，真实）", e->Chamfers, "m²");
    }
    out.line("墩帽模板", q.CapFormwork, "m²");

    out.line("底截面积 S0", q.S0, "m²");
    out.line("单层高", q.LayerHeight, "m");
    return out.take();
}

Outcome<std::string> ResultSummaryFromTexts(const ParameterTexts &texts)
{
    const auto pier = CalculatePier(texts);
    if (!pier)
        return pier.fault();
    return ResultSummary(pier.value().quantities, CalculateExact(pier.value().parameters));
}

} // namespace pierqty::form
