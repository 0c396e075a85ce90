// The bridge window 桥梁工程量汇总 with no toolkit: one row per pier (its
// 墩号 and eleven input texts, editable), the figures each pier adopts
// (computed, read-only), its state, the totals over the piers that can be
// billed and the bill's quantities as they will print; editing as in a
// spreadsheet (cells, rows, fill down, paste from and copy to Excel), undo
// and redo, and the file (the batch CSV). The Qt and Win32 views show this
// model's columns and forward their user's commands here; a Listener tells
// them what changed.
//
// Each pier goes through bill::MakePierRecord and the bill's quantities
// through bill::BillLines, as the workbook and pierqty-cli --batch do, so
// the window, the workbook and the command line cannot disagree. The totals
// are summed afresh in row order after every change (a running sum that
// subtracts the old figure would drift from the batch's sum in the last
// bits), which takes microseconds for 1,000 piers.
#pragma once

#include "bill/workbook.h"
#include "ui/form/bridge_file.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::bridge {

inline constexpr std::string_view kWindowTitle = "桥梁工程量汇总";
inline constexpr std::string_view kUntitled = "未命名";
inline constexpr std::string_view kTotalsLabel = "合计";

// The computed figures of a row, in column order.
enum class Figure { Concrete, CurvedFormwork, StraightFormwork, Formwork, LayeredS, LayeredV };
inline constexpr int kFigureCount = 6;

enum class ColumnKind { Id, Input, Figure, State };

struct Column {
    ColumnKind kind = ColumnKind::Input;
    std::string_view caption; // the header the views and the copied table show
    std::string_view fileName; // the batch file's name for it; empty for computed columns
    int index = 0; // Input: the parameter index; Figure: the Figure; else 0
    bool editable() const { return kind == ColumnKind::Id || kind == ColumnKind::Input; }
};

// 墩号, L1 … n, the six figures, 状态.
inline constexpr int kIdColumn = 0;
inline constexpr int kFirstInputColumn = 1;
inline constexpr int kFirstFigureColumn = kFirstInputColumn + kParameterCount;
inline constexpr int kStateColumn = kFirstFigureColumn + kFigureCount;
inline constexpr int kColumnCount = kStateColumn + 1;
std::span<const Column> Columns();

// The commands both views offer, with their captions and keys.
enum class Command {
    New,
    Open,
    Save,
    SaveAs,
    Undo,
    Redo,
    InsertRow,
    DuplicateRow,
    DeleteRows,
    FillDown,
    ClearCells,
    Copy,
    Paste,
    SelectAll,
    ExportWorkbook,
    ExportSummarySheet,
    ExportSheets
};
struct CommandInfo {
    Command command;
    std::string_view menu; // 文件, 编辑 or 导出
    std::string_view caption; // "撤销"
    std::string_view shortcut; // "Ctrl+Z", or empty
};
std::span<const CommandInfo> Commands();

// One pier computed from its typed texts.
struct ComputedRow {
    bill::PierRecord record; // the pier as the bill takes it (blank cells over the defaults)
    // Why the pier is out of the totals (a cell that is no number, a fault,
    // a pier that cannot be built), or a note on a blank cell that took its
    // default; empty when there is nothing to say. Chinese.
    std::string state;
};
ComputedRow ComputeRow(const RowInput &input);

// A figure of a computed pier (0 for one out of the totals).
double FigureOf(const bill::PierRecord &record, Figure figure);

// Sums over the counted piers in row order, at full precision.
struct Totals {
    std::array<double, kFigureCount> figures{};
    int counted = 0;
    int leftOut = 0;
    double figure(Figure figure) const { return figures[static_cast<std::size_t>(figure)]; }
};

// What a view must do after a change. Rows are numbered from 0.
class Listener
{
public:
    virtual ~Listener() = default;
    virtual void rowsAboutToBeInserted(int /*first*/, int /*count*/) { }
    virtual void rowsInserted(int /*first*/, int /*count*/) { }
    virtual void rowsAboutToBeRemoved(int /*first*/, int /*count*/) { }
    virtual void rowsRemoved(int /*first*/, int /*count*/) { }
    virtual void rowsChanged(int /*first*/, int /*last*/) { }
    virtual void aboutToReset() { }
    virtual void reset() { }
    virtual void totalsChanged() { }
    virtual void titleChanged() { }
    virtual void undoChanged() { } // canUndo, canRedo or their texts
};

// The block a paste wrote, for the view to select.
struct CellRange {
    int firstRow = 0;
    int rowCount = 0;
    int firstColumn = 0;
    int columnCount = 0;
};

class BridgeModel
{
public:
    explicit BridgeModel(const BridgeFileFormat &format = BatchCsvFormat());
    BridgeModel(const BridgeModel &) = delete;
    BridgeModel &operator=(const BridgeModel &) = delete;

    void setListener(Listener *listener) { m_listener = listener; }

    int rowCount() const { return static_cast<int>(m_inputs.size()); }
    const RowInput &input(int row) const { return m_inputs[Index(row)]; }
    const bill::PierRecord &record(int row) const { return m_records[Index(row)]; }
    const std::string &state(int row) const { return m_states[Index(row)]; } // see ComputedRow
    bool counted(int row) const { return record(row).billed(); } // in the totals and the bill
    // A cell as the view shows it: the text as typed, a figure to 6
    // decimals (empty for a pier out of the totals), the state.
    std::string cellText(int row, int column) const;
    // The totals row's cell: 合计 under 墩号, the sums to 6 decimals, and
    // the left-out line under 状态.
    std::string totalsText(int column) const;
    const Totals &totals() const { return m_totals; }
    // "合计不含 2 个墩", or empty when every pier is counted.
    std::string leftOutLine() const;
    // The bill: concrete per grade, then formwork, each rounded half up to
    // 2 decimals after summing (quantityText is what prints).
    std::vector<bill::BillLine> billLines() const;
    void setBillOptions(bill::WorkbookOptions options) { m_billOptions = std::move(options); }
    const std::vector<bill::PierRecord> &records() const { return m_records; }

    // Editing; each is one step of undo. setCell returns false for a column
    // that is not editable, a row out of range, or an unchanged text.
    bool setCell(int row, int column, std::string text);
    // New rows at `at` (0 … rowCount), their texts from the row above (the
    // defaults for a first row) and their ids counting on from its id.
    void insertRows(int at, int count = 1);
    void duplicateRow(int row);
    // A pier added at the end as given (加入桥梁汇总); one step of undo.
    void appendRow(RowInput row);
    // The id a row added at the end gets: the last row's id counted on, or 1.
    std::string nextId() const;
    // Removes the given rows (any order, any gaps).
    void removeRows(std::vector<int> rows);
    // Copies the cell of firstRow down to lastRow in an editable column.
    bool fillDown(int column, int firstRow, int lastRow);
    // Empties the editable cells of a block (the Delete key); a blank input
    // then takes its default, as in a batch. False when nothing changed.
    bool clearCells(const CellRange &range);
    // Pastes tab-separated text (Excel's clipboard) at a cell; a first line
    // naming the columns (墩号/id, L1 …) places each pasted column by name
    // from the given row instead. Rows are added as needed; read-only
    // columns are skipped. Returns what was written, nothing for no cells.
    std::optional<CellRange> paste(int row, int column, std::string_view text);
    // The whole table, header and totals, tab-separated with CR LF as Excel
    // copies; figures as pierqty-cli --batch prints them (shortest round trip).
    std::string copyTable() const;
    // The given rows alone, with the header (for a copy of a selection).
    std::string copyRows(int firstRow, int lastRow) const;

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_history.size(); }
    std::string undoText() const; // what undo undoes: "编辑 H1", or empty
    std::string redoText() const;
    void undo();
    void redo();

    bool modified() const { return m_clean != m_done; }
    const std::string &path() const { return m_path; } // UTF-8; empty for a new bridge
    std::string fileName() const; // the path's last part, or 未命名
    std::string title() const; // "桥梁工程量汇总 - piers.csv*"

    // An empty bridge with no file.
    void clear();
    // Reads a file; on failure the model is unchanged and the message names
    // the line and reason. Returns the message, or nothing.
    std::optional<std::string> open(const std::string &path);
    // Loads bytes as if read from path (for a file a view has read itself).
    std::optional<std::string> load(std::string_view bytes, const std::string &path);
    // Writes atomically; on failure the model stays modified.
    std::optional<std::string> save();
    std::optional<std::string> saveAs(const std::string &path);

private:
    // Rows [row, row + before.size()) become after.
    struct Splice {
        int row = 0;
        std::vector<RowInput> before;
        std::vector<RowInput> after;
    };
    struct Step {
        std::string text;
        std::vector<Splice> splices;
    };

    void push(Step step);
    void apply(int row, std::size_t removeCount, const std::vector<RowInput> &inserted);
    void afterChange();
    void resum();
    RowInput newRowAfter(int above) const;
    std::string copyText(int firstRow, int lastRow, bool withTotals) const;
    std::vector<RowInput> inputs(int first, int count) const;

    const BridgeFileFormat &m_format;
    Listener *m_listener = nullptr;
    static std::size_t Index(int row) { return static_cast<std::size_t>(row); }

    std::vector<RowInput> m_inputs; // as typed
    std::vector<bill::PierRecord> m_records; // as computed, one per input
    std::vector<std::string> m_states;
    Totals m_totals;
    bill::WorkbookOptions m_billOptions;
    std::vector<Step> m_history;
    std::size_t m_done = 0; // steps of m_history in effect
    std::optional<std::size_t> m_clean = 0; // m_done when last saved or opened
    std::string m_path;
};

// The id after a given one: its trailing number plus one ("P9" → "P10"), or
// the fallback when it ends in no digit.
std::string NextId(std::string_view id, std::string_view fallback);

// Excel's clipboard text to rows of cells: tab-separated, CR LF or LF line
// ends, a cell quoted when it holds a tab, a line break or a quote; the line
// break after the last row makes no empty row.
std::vector<std::vector<std::string>> ParseClipboard(std::string_view text);

} // namespace pierqty::bridge
