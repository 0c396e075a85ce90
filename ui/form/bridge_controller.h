// The bridge window's commands, once for both front-ends: the file (new,
// open, save, the question before unsaved changes are dropped), editing on
// the selection (rows, fill down, clear, copy, paste), the exports (the
// bridge's workbook, its summary sheet, one sheet per pier into a folder),
// and the links to the calculator window. A window implements BridgeView
// and forwards its menu commands and double-clicks here; the model tells it
// what changed through its Listener.
#pragma once

#include "platform/desktop.h"
#include "ui/form/bridge.h"
#include "ui/form/report_actions.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pierqty::bridge {

enum class UnsavedAnswer { Save, Discard, Cancel };

// What the commands need of the bridge window.
class BridgeView
{
public:
    virtual ~BridgeView() = default;
    // The current cell: row rowCount() is the totals row; nothing when no
    // cell is current.
    virtual std::optional<std::pair<int, int>> currentCell() const = 0;
    // The selected blocks, the current cell alone when nothing else is.
    virtual std::vector<CellRange> selection() const = 0;
    // Makes a block the selection, its first cell current.
    virtual void select(const CellRange &range) = 0;
    // The whole table, totals row included.
    virtual void selectAll() = 0;
    // 保存 / 不保存 / 取消 for the given question.
    virtual UnsavedAnswer askUnsaved(const std::string &question) = 0;
    virtual DesktopServices &desktop() = 0;
    // What the URL handler opens for a saved file (a file:// URL, or the path).
    virtual std::string launchTarget(const std::string &path) const = 0;
};

class BridgeController
{
public:
    BridgeController(BridgeModel &model, BridgeView &view) : m_model(model), m_view(view) { }

    // Runs a menu command; each reports its own failures through the view's
    // desktop and changes nothing then.
    void run(Command command);
    // Reads a file into the model, reporting an error; whether it was read.
    bool openFile(const std::string &path);
    // Before the window closes (or the bridge is replaced): true when there
    // is nothing unsaved, or the user saved it or chose to drop it.
    bool confirmDiscard();
    // A double-click on a row: its texts (blank cells as the defaults they
    // take) go to the calculator, which calculates them. Nothing for the
    // totals row or when no calculator is linked.
    void activateRow(int row);
    // What the calculator does with a pier's texts (set by the program).
    std::function<void(const ParameterTexts &texts)> loadIntoCalculator;

    // The lines under the table: the left-out line when some pier is, then
    // the bill's quantities as they will print.
    std::vector<std::string> summaryLines() const;

private:
    bool save(bool choosePath);
    void copy();
    void paste();
    void fillDown();
    std::vector<int> selectedRows() const;
    int currentRow() const;
    void exportWorkbook();
    void exportSummarySheet();
    void exportSheets();

    BridgeModel &m_model;
    BridgeView &m_view;
};

// 加入桥梁汇总: the calculator's eleven texts as a new last row of the
// bridge, under the 墩号 the user gives (askId is offered the next free
// one, taken when the answer is blank, and returns nothing on Cancel).
// Whether a row was added.
bool AddPier(BridgeModel &model, const ParameterTexts &texts,
             const std::function<std::optional<std::string>(const std::string &suggested)> &askId);

// What the window program was started for: `pierqty --bridge [FILE]` opens
// the bridge window (with a file), no argument the calculator.
struct StartRequest {
    bool bridge = false;
    std::string file; // UTF-8; empty for a new bridge
    std::string error; // Chinese, for the error box; the program then stops
};
StartRequest ParseStartArguments(const std::vector<std::string> &arguments);

} // namespace pierqty::bridge
