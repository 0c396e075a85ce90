#include "ui/form/actions.h"

#include "calc/numbers.h"
#include "calc/quantity_catalogue.h"

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
    // A figure's line: its name, with the method after it where the
    // quantity has a layered and an exact figure.
    void line(const Quantity &quantity, Method method, double value)
    {
        m_text += quantity.zh;
        if (method == Method::Exact) {
            m_text += "（";
            m_text += quantity.zhExact;
            m_text += "）";
        } else if (quantity.exact.member) {
            m_text += "（分层法）";
        }
        m_text += '\t';
        m_text += formatQuantity(value);
        m_text += '\t';
        m_text += UnitSymbol(quantity.unit);
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
    for (const SummaryLine &line : SummaryLines()) {
        if (const std::optional<double> figure = Figure(*line.quantity, line.method, q, e))
            out.line(*line.quantity, line.method, *figure);
        else if (line.whyNot)
            out.note("精确法不适用", std::get<NotApplicable>(exact).reasonZh);
    }
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
