// The bridge window 桥梁工程量汇总 on Windows: a virtual ListView in report
// mode over the bridge model (ui/form/bridge.h), the totals as its last row,
// the summary lines under it and the model's commands as a menu bar with
// their keys. The ListView knows rows only: the current cell and the
// rectangular selection are this view's, drawn with NM_CUSTOMDRAW, and a
// cell is edited in an EDIT control placed over it. Everything shown and
// done comes from the model and its controller; this is wiring only.
#pragma once

#include "platform/desktop.h"
#include "ui/form/bridge.h"
#include "ui/form/bridge_controller.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pierqty::win32 {

// The menu's command identifiers: the first plus the command's place in
// bridge::Commands().
inline constexpr int kFirstBridgeCommandId = 4000;
// The ListView's first column is the row's number (合计 on the totals row);
// model column c is ListView column c + 1.
inline constexpr int kBridgeNumberColumn = 0;
// Posted when the cell's EDIT lost the focus: the edit is committed then.
inline constexpr UINT kCommitEdit = WM_APP + 1;

class BridgeWindow final : public bridge::BridgeView, private bridge::Listener
{
public:
    using UnsavedAnswer = bridge::UnsavedAnswer;

    // services: error boxes, dialogs and the clipboard; must outlive the
    // window.
    explicit BridgeWindow(DesktopServices &services);
    ~BridgeWindow() override;
    BridgeWindow(const BridgeWindow &) = delete;
    BridgeWindow &operator=(const BridgeWindow &) = delete;

    // Creates the window (hidden until show()); false if it could not be.
    bool create();
    // Shows the window, brings it to the front and gives the table the focus.
    void show(int showCommand = SW_SHOW);

    HWND hwnd() const { return m_hwnd; }
    HWND list() const { return m_list; }
    HWND summary() const { return m_summary; }
    HWND editor() const { return m_editor; } // the cell's EDIT while editing
    HMENU menu() const { return m_menu; }
    bridge::BridgeModel &model() { return m_model; }
    bridge::BridgeController &controller() { return m_controller; }
    bool openFile(const std::string &path) { return m_controller.openFile(path); }

    // The window's keys (the menu's shortcuts) for a message of the queue;
    // true when it was one and has been handled. While a cell is edited (or
    // the summary has the focus) the editing keys stay the EDIT's.
    bool translateAccelerator(MSG &message);

    // Asked when the window closes with unsaved changes (a 保存 / 不保存 /
    // 取消 box unless replaced, e.g. by a test).
    std::function<UnsavedAnswer()> askUnsavedHook;
    // Called when the window has been closed (hidden: the model stays).
    std::function<void()> onClosed;

    // BridgeView
    std::optional<std::pair<int, int>> currentCell() const override;
    std::vector<bridge::CellRange> selection() const override;
    void select(const bridge::CellRange &range) override;
    void selectAll() override;
    UnsavedAnswer askUnsaved(const std::string &question) override;
    DesktopServices &desktop() override { return m_services; }
    // The shell opens a saved file by its path.
    std::string launchTarget(const std::string &path) const override { return path; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    static LRESULT CALLBACK EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onNotify(const NMHDR &header);
    void onClose();

    // bridge_win32.cpp: the window, its menu, the summary and the title.
    void createChildren();
    void createColumns();
    void buildMenu();
    void layout();
    void fitColumns();
    void updateSummary();
    void updateTitle();
    void updateItemCount();

    // bridge_table_win32.cpp: the cells, the keys, the mouse and the editor.
    void getDisplayText(NMLVDISPINFOW &info);
    LRESULT customDraw(NMLVCUSTOMDRAW &draw);
    void drawCurrentFrame(HDC dc, int row);
    bool onListKey(WPARAM key);
    void onListChar(wchar_t character);
    void onListClick(LPARAM at, bool doubleClick);
    std::optional<std::pair<int, int>> cellAt(LPARAM at) const; // model (row, column); column -1: the number
    void moveTo(int row, int column, bool extend);
    void ensureVisible(int row, int column);
    RECT cellBox(int row, int column) const;
    bool inSelection(int row, int column) const;
    void beginEdit(const std::optional<std::wstring> &replacement);
    void endEdit(bool commit);
    bool onEditorKey(WPARAM key);

    // Listener
    void rowsInserted(int first, int count) override;
    void rowsRemoved(int first, int count) override;
    void rowsChanged(int first, int last) override;
    void reset() override;
    void totalsChanged() override;
    void titleChanged() override { updateTitle(); }
    void undoChanged() override { updateTitle(); }

    int totalsRow() const { return m_model.rowCount(); }

    DesktopServices &m_services;
    bridge::BridgeModel m_model;
    bridge::BridgeController m_controller{m_model, *this};
    HWND m_hwnd = nullptr;
    HWND m_list = nullptr;
    HWND m_summary = nullptr;
    HWND m_editor = nullptr;
    HMENU m_menu = nullptr;
    HACCEL m_accelerators = nullptr;
    HFONT m_font = nullptr;
    HFONT m_boldFont = nullptr;
    int m_dpi = 96;
    int m_lineHeight = 16;
    int m_summaryLines = 1;
    // The current cell and the selection's other corner, in model rows
    // (totalsRow() is the totals) and model columns.
    int m_row = 0;
    int m_column = 0;
    int m_anchorRow = 0;
    int m_anchorColumn = 0;
    std::wstring m_displayText; // what LVN_GETDISPINFO handed over last
};

// One message of the program's queue: the bridge window's keys, the
// calculator's (through its dialog manager), or plainly dispatched.
void DispatchProgramMessage(MSG &message, BridgeWindow *bridge, HWND calculator);

} // namespace pierqty::win32
