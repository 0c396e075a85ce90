// The bridge table to and from the clipboard, as Excel writes and reads it.
#include "ui/form/bridge.h"

#include "calc/numbers.h"

#include <algorithm>

namespace pierqty::bridge {

namespace {

std::string Trim(std::string_view text)
{
    return std::string(TrimText(text));
}

// A quoted cell from text[at] (the opening quote) to its closing quote, ""
// read as one quote; false when no quote closes it (then the opening quote
// is a character of the cell, as Excel reads it).
bool ReadQuoted(std::string_view text, std::size_t at, std::string &cell, std::size_t &end)
{
    for (std::size_t k = at + 1; k < text.size(); ++k) {
        if (text[k] != '"') {
            cell += text[k];
        } else if (k + 1 < text.size() && text[k + 1] == '"') {
            cell += '"';
            ++k;
        } else {
            end = k + 1;
            return true;
        }
    }
    cell.clear();
    return false;
}

// The model column a pasted header cell names (墩号 or id, a parameter, a
// computed column's caption), -1 for a name the model does not edit, -2 for
// an unknown one.
int ColumnNamed(const std::string &name)
{
    const auto columns = Columns();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (name == columns[k].caption || (!columns[k].fileName.empty() && name == columns[k].fileName))
            return columns[k].editable() ? static_cast<int>(k) : -1;
    }
    return -2;
}

// The model column of each cell of a header line, or nothing when the line
// is not a header: it names some editable column and holds no number.
std::vector<int> HeaderColumns(const std::vector<std::string> &cells)
{
    std::vector<int> targets;
    bool namesOne = false;
    for (const std::string &cell : cells) {
        const std::string name = Trim(cell);
        if (ReadParameter(name).isNumber())
            return {};
        const int column = name.empty() ? -1 : ColumnNamed(name);
        namesOne = namesOne || column >= 0;
        targets.push_back(std::max(column, -1));
    }
    return namesOne ? targets : std::vector<int>{};
}

// A cell for Excel: a text that is not a number and would start a formula
// gets an apostrophe (as the batch's CSV does); a cell holding a tab, a line
// break or starting with a quote is quoted, quotes doubled.
void AppendCell(std::string &out, std::string_view cell)
{
    std::string text(cell);
    const NumberStatus status = ParseNumber(text).status;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos &&
        status != NumberStatus::Whole)
        text = "'" + text;
    if (text.find_first_of("\t\r\n") == std::string::npos && !text.starts_with('"')) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void AppendLine(std::string &out, const std::vector<std::string> &cells)
{
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (k > 0)
            out += '\t';
        AppendCell(out, cells[k]);
    }
    out += "\r\n";
}

} // namespace

std::vector<std::vector<std::string>> ParseClipboard(std::string_view text)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool start = true; // at the start of a cell
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        std::size_t end = 0;
        if (start && c == '"' && ReadQuoted(text, at, cell, end)) {
            at = end;
            start = false;
            continue;
        }
        start = false;
        if (c == '\t' || c == '\r' || c == '\n') {
            row.push_back(std::move(cell));
            cell.clear();
            start = true;
            at += c == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
            if (c != '\t') {
                rows.push_back(std::move(row));
                row.clear();
            }
            continue;
        }
        cell += c;
        ++at;
    }
    if (!start || !row.empty()) {
        row.push_back(std::move(cell));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<CellRange> BridgeModel::paste(int row, int column, std::string_view text)
{
    auto lines = ParseClipboard(text);
    row = std::clamp(row, 0, rowCount());
    std::vector<int> targets = lines.empty() ? std::vector<int>{} : HeaderColumns(lines.front());
    if (!targets.empty()) {
        lines.erase(lines.begin());
        // A table copied from this window ends with its totals.
        const auto totals = std::find_if(lines.begin(), lines.end(), [](const auto &cells) {
            return !cells.empty() && Trim(cells.front()) == kTotalsLabel;
        });
        lines.erase(totals, lines.end());
    } else {
        const std::size_t width =
            lines.empty() ? 0 : std::max_element(lines.begin(), lines.end(), [](auto &a, auto &b) {
                                    return a.size() < b.size();
                                })->size();
        for (std::size_t k = 0; k < width; ++k) {
            const int target = column + static_cast<int>(k);
            targets.push_back(target < kFirstFigureColumn ? target : -1);
        }
    }
    const auto written = std::minmax_element(targets.begin(), targets.end());
    if (lines.empty() || targets.empty() || *written.second < 0)
        return std::nullopt;
    std::vector<RowInput> after;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int at = row + static_cast<int>(k);
        RowInput input = at < rowCount() ? this->input(at) : after.empty() ? newRowAfter(at - 1) : after.back();
        if (at >= rowCount() && !after.empty())
            input.id = NextId(input.id, std::to_string(at + 1));
        for (std::size_t j = 0; j < lines[k].size() && j < targets.size(); ++j) {
            if (targets[j] >= 0)
                (targets[j] == kIdColumn ? input.id
                                         : input.texts[static_cast<std::size_t>(targets[j] - kFirstInputColumn)]) =
                    lines[k][j];
        }
        after.push_back(std::move(input));
    }
    std::vector<RowInput> before = inputs(row, std::min(static_cast<int>(after.size()), rowCount() - row));
    const int firstColumn = *std::min_element(targets.begin(), targets.end(), [](int a, int b) {
        return (a < 0 ? kColumnCount : a) < (b < 0 ? kColumnCount : b);
    });
    const CellRange range{row, static_cast<int>(after.size()), firstColumn, *written.second - firstColumn + 1};
    if (before != after)
        push({"粘贴", {{row, std::move(before), std::move(after)}}});
    return range;
}

std::string BridgeModel::copyText(int firstRow, int lastRow, bool withTotals) const
{
    std::string out;
    std::vector<std::string> cells;
    for (const Column &column : Columns())
        cells.emplace_back(column.caption);
    AppendLine(out, cells);
    for (int row = std::max(firstRow, 0); row <= lastRow && row < rowCount(); ++row) {
        for (int column = 0; column < kColumnCount; ++column) {
            const Column &info = Columns()[static_cast<std::size_t>(column)];
            const bool figure = info.kind == ColumnKind::Figure;
            cells[static_cast<std::size_t>(column)] = !figure ? cellText(row, column)
                : !counted(row)                               ? ""
                                : ShortestText(FigureOf(record(row), static_cast<Figure>(info.index)));
        }
        AppendLine(out, cells);
    }
    if (!withTotals)
        return out;
    for (int column = 0; column < kColumnCount; ++column) {
        const Column &info = Columns()[static_cast<std::size_t>(column)];
        cells[static_cast<std::size_t>(column)] = info.kind == ColumnKind::Figure
            ? ShortestText(m_totals.figure(static_cast<Figure>(info.index)))
            : totalsText(column);
    }
    AppendLine(out, cells);
    return out;
}

std::string BridgeModel::copyTable() const
{
    return copyText(0, rowCount() - 1, true);
}

std::string BridgeModel::copyRows(int firstRow, int lastRow) const
{
    return copyText(firstRow, lastRow, false);
}

} // namespace pierqty::bridge
