#include "ui/form/bridge_controller.h"

#include "calc/numbers.h"

#include <algorithm>
#include <set>

namespace pierqty::bridge {

void BridgeController::run(Command command)
{
    const form::LaunchTarget target = [this](const std::string &path) { return m_view.launchTarget(path); };
    switch (command) {
    case Command::New:
        if (confirmDiscard())
            m_model.clear();
        break;
    case Command::Open:
        if (confirmDiscard()) {
            if (const auto path = m_view.desktop().chooseOpenFile({"打开", "", "批量计算 CSV", "csv"}))
                openFile(*path);
        }
        break;
    case Command::Save:
    case Command::SaveAs:
        save(command == Command::SaveAs);
        break;
    case Command::Undo:
        m_model.undo();
        break;
    case Command::Redo:
        m_model.redo();
        break;
    case Command::InsertRow:
        m_model.insertRows(currentRow() + 1);
        break;
    case Command::DuplicateRow:
        m_model.duplicateRow(currentRow());
        break;
    case Command::DeleteRows:
        m_model.removeRows(selectedRows());
        break;
    case Command::FillDown:
        fillDown();
        break;
    case Command::ClearCells:
        for (const CellRange &range : m_view.selection())
            m_model.clearCells(range);
        break;
    case Command::Copy:
        copy();
        break;
    case Command::Paste:
        paste();
        break;
    case Command::SelectAll:
        m_view.selectAll();
        break;
    case Command::ExportWorkbook:
        form::ExportBridgeWorkbook(m_view.desktop(), m_model.records(), target);
        break;
    case Command::ExportSummarySheet:
        form::ExportBridgeSummary(m_view.desktop(), m_model.records(), target);
        break;
    case Command::ExportSheets:
        form::ExportBridgeSheets(m_view.desktop(), m_model.records(), target);
        break;
    }
}

bool BridgeController::openFile(const std::string &path)
{
    if (const auto error = m_model.open(path)) {
        m_view.desktop().reportError(*error);
        return false;
    }
    return true;
}

bool BridgeController::save(bool choosePath)
{
    std::string path = m_model.path();
    if (choosePath || path.empty()) {
        const std::string suggested = path.empty() ? "桥梁.csv" : m_model.fileName();
        const auto chosen = m_view.desktop().chooseSaveFile({"另存为", suggested, "批量计算 CSV", "csv"});
        if (!chosen)
            return false;
        path = *chosen;
    }
    if (const auto error = m_model.saveAs(path)) {
        m_view.desktop().reportError(*error);
        return false;
    }
    return true;
}

bool BridgeController::confirmDiscard()
{
    if (!m_model.modified())
        return true;
    switch (m_view.askUnsaved("“" + m_model.fileName() + "”有未保存的修改。")) {
    case UnsavedAnswer::Save:
        return save(false);
    case UnsavedAnswer::Discard:
        return true;
    case UnsavedAnswer::Cancel:
        break;
    }
    return false;
}

void BridgeController::activateRow(int row)
{
    if (row < 0 || row >= m_model.rowCount() || !loadIntoCalculator)
        return;
    // The record holds the defaults where a cell is blank: what the row's
    // figures were computed from.
    loadIntoCalculator(m_model.record(row).texts);
}

std::vector<std::string> BridgeController::summaryLines() const
{
    std::vector<std::string> lines;
    if (std::string leftOut = m_model.leftOutLine(); !leftOut.empty())
        lines.push_back(std::move(leftOut));
    std::string bill = "工程量清单：";
    bool first = true;
    for (const bill::BillLine &line : m_model.billLines()) {
        bill += (first ? "" : "；") + line.code + " " + line.name + "：" + line.quantityText + " " + line.unit;
        first = false;
    }
    lines.push_back(std::move(bill));
    return lines;
}

int BridgeController::currentRow() const
{
    const auto current = m_view.currentCell();
    const int last = m_model.rowCount() - 1;
    return current ? std::min(current->first, last) : last;
}

std::vector<int> BridgeController::selectedRows() const
{
    std::set<int> rows;
    for (const CellRange &range : m_view.selection())
        for (int row = range.firstRow; row < range.firstRow + range.rowCount; ++row)
            if (row >= 0 && row < m_model.rowCount())
                rows.insert(row);
    return {rows.begin(), rows.end()};
}

void BridgeController::copy()
{
    const std::vector<int> rows = selectedRows();
    const bool all = rows.empty() || static_cast<int>(rows.size()) == m_model.rowCount();
    const std::string text = all ? m_model.copyTable() : m_model.copyRows(rows.front(), rows.back());
    if (!m_view.desktop().setClipboardText(text))
        m_view.desktop().reportError("无法把表格放到剪贴板上。");
}

void BridgeController::paste()
{
    const auto current = m_view.currentCell();
    const int row = current ? current->first : m_model.rowCount();
    const int column = current ? current->second : 0;
    if (const auto range = m_model.paste(row, column, m_view.desktop().clipboardText()))
        m_view.select(*range);
}

void BridgeController::fillDown()
{
    const std::vector<int> rows = selectedRows();
    const auto current = m_view.currentCell();
    if (rows.size() > 1 && current)
        m_model.fillDown(current->second, rows.front(), rows.back());
}

bool AddPier(BridgeModel &model, const ParameterTexts &texts,
             const std::function<std::optional<std::string>(const std::string &suggested)> &askId)
{
    const std::string suggested = model.nextId();
    const std::optional<std::string> id = askId(suggested);
    if (!id)
        return false;
    const std::string_view typed = TrimText(*id);
    model.appendRow({typed.empty() ? suggested : std::string(typed), {}, texts});
    return true;
}

StartRequest ParseStartArguments(const std::vector<std::string> &arguments)
{
    StartRequest request;
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string &argument = arguments[k];
        if (argument == "--bridge" && !request.bridge) {
            request.bridge = true;
        } else if (request.bridge && request.file.empty() && !argument.starts_with("-")) {
            request.file = argument;
        } else {
            request.error = "无法识别的参数" + Quoted(argument) + "。用法：pierqty [--bridge [文件.csv]]";
            return request;
        }
    }
    return request;
}

} // namespace pierqty::bridge
