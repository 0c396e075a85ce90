#include "ui/form/bridge.h"

#include "calc/exact.h"
#include "calc/numbers.h"
#include "sheet/files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace pierqty::bridge {

namespace {

constexpr std::array<Column, kColumnCount> kColumns = [] {
    std::array<Column, kColumnCount> columns{};
    columns[kIdColumn] = {ColumnKind::Id, "墩号", "id", 0};
    for (int k = 0; k < kParameterCount; ++k) {
        const auto name = kParameters[static_cast<std::size_t>(k)].name;
        columns[static_cast<std::size_t>(kFirstInputColumn + k)] = {ColumnKind::Input, name, name, k};
    }
    constexpr std::array<std::string_view, kFigureCount> kFigureCaptions = {
        "混凝土 V（m³）", "曲面模板（m²）", "直面模板（m²）", "模板合计（m²）", "分层 S（m²）", "分层 V（m³）"};
    for (int k = 0; k < kFigureCount; ++k)
        columns[static_cast<std::size_t>(kFirstFigureColumn + k)] = {
            ColumnKind::Figure, kFigureCaptions[static_cast<std::size_t>(k)], "", k};
    columns[kStateColumn] = {ColumnKind::State, "状态", "", 0};
    return columns;
}();

constexpr std::array<CommandInfo, 17> kCommands = {{
    {Command::New, "文件", "新建", "Ctrl+N"},
    {Command::Open, "文件", "打开…", "Ctrl+O"},
    {Command::Save, "文件", "保存", "Ctrl+S"},
    {Command::SaveAs, "文件", "另存为…", ""},
    {Command::Undo, "编辑", "撤销", "Ctrl+Z"},
    {Command::Redo, "编辑", "重做", "Ctrl+Y"},
    {Command::InsertRow, "编辑", "插入行", "Ctrl+Insert"},
    {Command::DuplicateRow, "编辑", "复制本行", "Ctrl+Shift+D"},
    {Command::DeleteRows, "编辑", "删除行", "Ctrl+Delete"},
    {Command::FillDown, "编辑", "向下填充", "Ctrl+D"},
    {Command::ClearCells, "编辑", "清除内容", "Delete"},
    {Command::Copy, "编辑", "复制", "Ctrl+C"},
    {Command::Paste, "编辑", "粘贴", "Ctrl+V"},
    {Command::SelectAll, "编辑", "全选", "Ctrl+A"},
    {Command::ExportWorkbook, "导出", "导出 Excel…", ""},
    {Command::ExportSummarySheet, "导出", "导出计算书…", ""},
    {Command::ExportSheets, "导出", "导出各墩计算书…", ""},
}};

std::string Trim(std::string_view text)
{
    return std::string(TrimText(text));
}

void Join(std::string &list, const std::string &item)
{
    list += list.empty() ? "" : "；";
    list += item;
}

// Why a pier whose texts are numbers is not billed, in Chinese: the reasons
// it cannot be built name the parameters, so they go before a fault of the
// calculation they cause.
std::string WhyNotBilled(const bill::PierRecord &record)
{
    const auto parameters = parsePierParameters(record.texts);
    if (!parameters)
        return record.fault;
    if (const auto unbuildable = UnbuildableFault(parameters.value()))
        return unbuildable->messageZh();
    const ExactOutcome exact = CalculateExact(parameters.value());
    if (const auto *notApplicable = std::get_if<NotApplicable>(&exact))
        return "精确工程量不适用：" + notApplicable->reasonZh;
    return record.fault;
}

} // namespace

std::span<const Column> Columns()
{
    return kColumns;
}

std::span<const CommandInfo> Commands()
{
    return kCommands;
}

// A blank cell takes the default and a cell that is not wholly a number is
// a fault, as in pierqty-cli --batch: the saved file must give the same
// figures there.
ComputedRow ComputeRow(const RowInput &input)
{
    static const ParameterTexts kDefaults = DefaultParameterTexts();
    ParameterTexts texts = input.texts;
    std::string notANumber, notes;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const std::string name(kParameterNames[k]);
        if (Trim(texts[k]).empty()) {
            texts[k] = kDefaults[k];
            Join(notes, name + " 空白，取默认值 " + kDefaults[k]);
            continue;
        }
        if (!ReadParameter(texts[k]).isNumber())
            Join(notANumber, name + " = " + Quoted(texts[k]) + " 不是数字");
    }
    ComputedRow row{bill::MakePierRecord(input.id, texts, input.grade, notANumber), {}};
    if (!row.record.billed() && notANumber.empty())
        row.record.fault = WhyNotBilled(row.record);
    row.state = row.record.fault;
    if (!notes.empty())
        Join(row.state, notes);
    return row;
}

double FigureOf(const bill::PierRecord &record, Figure figure)
{
    if (!record.billed())
        return 0.0;
    switch (figure) {
    case Figure::Concrete:
        return record.adopted.Concrete;
    case Figure::CurvedFormwork:
        return record.adopted.CurvedFormwork;
    case Figure::StraightFormwork:
        return record.adopted.StraightFormwork;
    case Figure::Formwork:
        return record.adopted.Formwork;
    case Figure::LayeredS:
        return record.layered.S;
    case Figure::LayeredV:
        return record.layered.V;
    }
    return 0.0;
}

std::string NextId(std::string_view id, std::string_view fallback)
{
    const auto last = id.find_last_of("0123456789");
    if (last == std::string_view::npos)
        return std::string(fallback);
    std::string next(id);
    for (auto k = last + 1; k-- > 0;) {
        if (next[k] < '0' || next[k] > '9') {
            // 9 became 0 all the way: one more digit
            return next.substr(0, k + 1) + "1" + next.substr(k + 1);
        }
        if (next[k] != '9') {
            ++next[k];
            return next;
        }
        next[k] = '0';
    }
    return "1" + next;
}

BridgeModel::BridgeModel(const BridgeFileFormat &format) : m_format(format) { }

std::string BridgeModel::cellText(int row, int column) const
{
    const Column &info = kColumns[static_cast<std::size_t>(column)];
    switch (info.kind) {
    case ColumnKind::Id:
        return input(row).id;
    case ColumnKind::Input:
        return input(row).texts[static_cast<std::size_t>(info.index)];
    case ColumnKind::Figure:
        return counted(row) ? formatQuantity(FigureOf(record(row), static_cast<Figure>(info.index))) : "";
    case ColumnKind::State:
        return state(row);
    }
    return "";
}

std::string BridgeModel::totalsText(int column) const
{
    const Column &info = kColumns[static_cast<std::size_t>(column)];
    if (info.kind == ColumnKind::Id)
        return std::string(kTotalsLabel);
    if (info.kind == ColumnKind::Figure)
        return formatQuantity(m_totals.figure(static_cast<Figure>(info.index)));
    if (info.kind == ColumnKind::State)
        return leftOutLine();
    return "";
}

std::string BridgeModel::leftOutLine() const
{
    if (m_totals.leftOut == 0)
        return "";
    return "合计不含 " + std::to_string(m_totals.leftOut) + " 个墩";
}

std::vector<bill::BillLine> BridgeModel::billLines() const
{
    return bill::BillLines(m_records, m_billOptions);
}

bool BridgeModel::setCell(int row, int column, std::string text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumnCount ||
        !kColumns[static_cast<std::size_t>(column)].editable())
        return false;
    RowInput after = input(row);
    std::string &cell =
        column == kIdColumn ? after.id : after.texts[static_cast<std::size_t>(column - kFirstInputColumn)];
    if (cell == text)
        return false;
    cell = std::move(text);
    push({"编辑 " + std::string(kColumns[static_cast<std::size_t>(column)].caption), {{row, {input(row)}, {after}}}});
    return true;
}

RowInput BridgeModel::newRowAfter(int above) const
{
    const std::string number = std::to_string(above + 2);
    if (above < 0)
        return {number, "", DefaultParameterTexts()};
    RowInput row = input(above);
    row.id = NextId(row.id, number);
    return row;
}

void BridgeModel::insertRows(int at, int count)
{
    at = std::clamp(at, 0, rowCount());
    if (count <= 0)
        return;
    std::vector<RowInput> rows;
    RowInput previous = newRowAfter(at - 1);
    for (int k = 0; k < count; ++k) {
        rows.push_back(previous);
        previous.id = NextId(previous.id, std::to_string(at + k + 2));
    }
    push({count == 1 ? "插入行" : "插入 " + std::to_string(count) + " 行", {{at, {}, std::move(rows)}}});
}

void BridgeModel::duplicateRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    push({"复制本行", {{row + 1, {}, {newRowAfter(row)}}}});
}

void BridgeModel::appendRow(RowInput row)
{
    push({"加入 " + Quoted(row.id), {{rowCount(), {}, {std::move(row)}}}});
}

std::string BridgeModel::nextId() const
{
    return m_inputs.empty() ? "1" : NextId(m_inputs.back().id, std::to_string(rowCount() + 1));
}

void BridgeModel::removeRows(std::vector<int> rows)
{
    std::erase_if(rows, [&](int row) { return row < 0 || row >= rowCount(); });
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    // Runs of adjacent rows from the bottom up, so that each run's row
    // number still holds when it is removed.
    Step step{"删除 " + std::to_string(rows.size()) + " 行", {}};
    for (std::size_t k = 0; k < rows.size();) {
        std::size_t end = k + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] - 1)
            ++end;
        const int first = rows[end - 1];
        step.splices.push_back({first, inputs(first, static_cast<int>(end - k)), {}});
        k = end;
    }
    push(std::move(step));
}

bool BridgeModel::fillDown(int column, int firstRow, int lastRow)
{
    if (column < 0 || column >= kColumnCount || !kColumns[static_cast<std::size_t>(column)].editable() ||
        firstRow < 0 || lastRow >= rowCount() || lastRow <= firstRow)
        return false;
    const std::string text = cellText(firstRow, column);
    std::vector<RowInput> before = inputs(firstRow + 1, lastRow - firstRow);
    std::vector<RowInput> after = before;
    for (RowInput &row : after)
        (column == kIdColumn ? row.id : row.texts[static_cast<std::size_t>(column - kFirstInputColumn)]) = text;
    if (after == before)
        return false;
    push({"向下填充 " + std::string(kColumns[static_cast<std::size_t>(column)].caption),
          {{firstRow + 1, std::move(before), std::move(after)}}});
    return true;
}

bool BridgeModel::clearCells(const CellRange &range)
{
    const int first = std::max(range.firstRow, 0);
    const int last = std::min(range.firstRow + range.rowCount, rowCount()) - 1;
    if (last < first)
        return false;
    std::vector<RowInput> before = inputs(first, last - first + 1);
    std::vector<RowInput> after = before;
    for (int column = std::max(range.firstColumn, 0);
         column < std::min(range.firstColumn + range.columnCount, kFirstFigureColumn); ++column) {
        for (RowInput &row : after)
            (column == kIdColumn ? row.id : row.texts[static_cast<std::size_t>(column - kFirstInputColumn)]).clear();
    }
    if (after == before)
        return false;
    push({"清除内容", {{first, std::move(before), std::move(after)}}});
    return true;
}

std::vector<RowInput> BridgeModel::inputs(int first, int count) const
{
    const auto begin = m_inputs.begin() + first;
    return {begin, begin + count};
}

std::string BridgeModel::undoText() const
{
    return canUndo() ? m_history[m_done - 1].text : "";
}

std::string BridgeModel::redoText() const
{
    return canRedo() ? m_history[m_done].text : "";
}

void BridgeModel::undo()
{
    if (!canUndo())
        return;
    const Step &step = m_history[--m_done];
    for (auto splice = step.splices.rbegin(); splice != step.splices.rend(); ++splice)
        apply(splice->row, splice->after.size(), splice->before);
    afterChange();
}

void BridgeModel::redo()
{
    if (!canRedo())
        return;
    const Step &step = m_history[m_done++];
    for (const Splice &splice : step.splices)
        apply(splice.row, splice.before.size(), splice.after);
    afterChange();
}

void BridgeModel::push(Step step)
{
    m_history.resize(m_done);
    if (m_clean && *m_clean > m_done)
        m_clean.reset(); // the saved state can no longer be reached
    m_history.push_back(std::move(step));
    redo();
}

// The rows are computed before any is replaced, and the listener told the
// changes as a table view wants them: rows changed in place, then rows
// inserted or removed after them.
void BridgeModel::apply(int row, std::size_t removeCount, const std::vector<RowInput> &inserted)
{
    std::vector<ComputedRow> computed;
    computed.reserve(inserted.size());
    for (const RowInput &input : inserted)
        computed.push_back(ComputeRow(input));
    const std::size_t common = std::min(removeCount, inserted.size());
    const auto at = Index(row);
    for (std::size_t k = 0; k < common; ++k) {
        m_inputs[at + k] = inserted[k];
        m_records[at + k] = std::move(computed[k].record);
        m_states[at + k] = std::move(computed[k].state);
    }
    if (m_listener && common > 0)
        m_listener->rowsChanged(row, row + static_cast<int>(common) - 1);
    const int first = row + static_cast<int>(common);
    const auto offset = static_cast<std::ptrdiff_t>(at + common);
    if (inserted.size() > removeCount) {
        const int count = static_cast<int>(inserted.size() - removeCount);
        if (m_listener)
            m_listener->rowsAboutToBeInserted(first, count);
        m_inputs.insert(m_inputs.begin() + offset, inserted.begin() + static_cast<std::ptrdiff_t>(common),
                        inserted.end());
        for (std::size_t k = common; k < computed.size(); ++k) {
            m_records.insert(m_records.begin() + static_cast<std::ptrdiff_t>(at + k), std::move(computed[k].record));
            m_states.insert(m_states.begin() + static_cast<std::ptrdiff_t>(at + k), std::move(computed[k].state));
        }
        if (m_listener)
            m_listener->rowsInserted(first, count);
    } else if (removeCount > inserted.size()) {
        const auto count = static_cast<std::ptrdiff_t>(removeCount - inserted.size());
        if (m_listener)
            m_listener->rowsAboutToBeRemoved(first, static_cast<int>(count));
        m_inputs.erase(m_inputs.begin() + offset, m_inputs.begin() + offset + count);
        m_records.erase(m_records.begin() + offset, m_records.begin() + offset + count);
        m_states.erase(m_states.begin() + offset, m_states.begin() + offset + count);
        if (m_listener)
            m_listener->rowsRemoved(first, static_cast<int>(count));
    }
}

void BridgeModel::resum()
{
    m_totals = {};
    for (const bill::PierRecord &record : m_records) {
        if (!record.billed()) {
            ++m_totals.leftOut;
            continue;
        }
        ++m_totals.counted;
        for (int k = 0; k < kFigureCount; ++k)
            m_totals.figures[static_cast<std::size_t>(k)] += FigureOf(record, static_cast<Figure>(k));
    }
}

void BridgeModel::afterChange()
{
    resum();
    if (!m_listener)
        return;
    m_listener->totalsChanged();
    m_listener->titleChanged();
    m_listener->undoChanged();
}

std::string BridgeModel::fileName() const
{
    if (m_path.empty())
        return std::string(kUntitled);
    return sheet::Utf8FromPath(sheet::PathFromUtf8(m_path).filename());
}

std::string BridgeModel::title() const
{
    return std::string(kWindowTitle) + " - " + fileName() + (modified() ? "*" : "");
}

} // namespace pierqty::bridge
