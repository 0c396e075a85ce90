// The bridge window's table: the cells the ListView asks for, the current
// cell and the selection drawn over its rows, the keys and clicks of a
// spreadsheet, and the EDIT placed over a cell to edit it.
#include "ui/win32/desktop_win32.h"
#include "ui/win32/bridge_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace pierqty::win32 {

namespace {

constexpr COLORREF kComputedBackground = RGB(243, 243, 243); // read-only cells
constexpr COLORREF kTotalsBackground = RGB(232, 238, 247);
constexpr COLORREF kSelectedBackground = RGB(204, 224, 255);
constexpr COLORREF kLeftOutText = RGB(160, 0, 0); // as the Qt view
constexpr COLORREF kCurrentFrame = RGB(0, 90, 200);

const bridge::Column &ColumnAt(int column)
{
    return bridge::Columns()[static_cast<std::size_t>(column)];
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(0, copied)));
    return text;
}

} // namespace

void BridgeWindow::getDisplayText(NMLVDISPINFOW &info)
{
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0)
        return;
    const int row = info.item.iItem;
    const int column = info.item.iSubItem - 1;
    if (row < 0 || row > totalsRow() || column >= bridge::kColumnCount) {
        info.item.pszText[0] = L'\0';
        return;
    }
    if (column < 0)
        m_displayText = row == totalsRow() ? Widen(bridge::kTotalsLabel) : std::to_wstring(row + 1);
    else
        m_displayText = Widen(row == totalsRow() ? m_model.totalsText(column) : m_model.cellText(row, column));
    lstrcpynW(info.item.pszText, m_displayText.c_str(), info.item.cchTextMax);
}

// The ListView's own row selection is never drawn: the view's cells are.
LRESULT BridgeWindow::customDraw(NMLVCUSTOMDRAW &draw)
{
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        return CDRF_NOTIFYSUBITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        const int column = draw.iSubItem - 1;
        const bool totals = row == totalsRow();
        draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
        draw.clrTextBk = GetSysColor(COLOR_WINDOW);
        const bool block = m_row != m_anchorRow || m_column != m_anchorColumn;
        if (column >= 0 && block && inSelection(row, column))
            draw.clrTextBk = kSelectedBackground;
        else if (totals)
            draw.clrTextBk = kTotalsBackground;
        else if (column < 0 || !ColumnAt(column).editable())
            draw.clrTextBk = kComputedBackground;
        if (!totals && column == bridge::kStateColumn && !m_model.counted(row))
            draw.clrText = kLeftOutText;
        SelectObject(draw.nmcd.hdc, totals ? m_boldFont : m_font);
        return CDRF_NEWFONT;
    }
    case CDDS_ITEMPOSTPAINT:
        if (row == m_row)
            drawCurrentFrame(draw.nmcd.hdc, row);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

void BridgeWindow::drawCurrentFrame(HDC dc, int row)
{
    RECT box = cellBox(row, m_column);
    HBRUSH brush = CreateSolidBrush(kCurrentFrame);
    for (int k = 0; k < 2; ++k) {
        FrameRect(dc, &box, brush);
        InflateRect(&box, -1, -1);
    }
    DeleteObject(brush);
}

// The cell's box in the ListView's client area (model column).
RECT BridgeWindow::cellBox(int row, int column) const
{
    RECT box{};
    box.top = column + 1;
    box.left = LVIR_BOUNDS;
    SendMessageW(m_list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&box));
    return box;
}

bool BridgeWindow::inSelection(int row, int column) const
{
    return row >= std::min(m_row, m_anchorRow) && row <= std::max(m_row, m_anchorRow) &&
        column >= std::min(m_column, m_anchorColumn) && column <= std::max(m_column, m_anchorColumn);
}

void BridgeWindow::moveTo(int row, int column, bool extend)
{
    m_row = std::clamp(row, 0, totalsRow());
    m_column = std::clamp(column, 0, bridge::kColumnCount - 1);
    if (!extend) {
        m_anchorRow = m_row;
        m_anchorColumn = m_column;
    }
    ensureVisible(m_row, m_column);
    InvalidateRect(m_list, nullptr, FALSE);
}

void BridgeWindow::ensureVisible(int row, int column)
{
    SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    const RECT box = cellBox(row, column);
    RECT client;
    GetClientRect(m_list, &client);
    LONG dx = box.right > client.right ? box.right - client.right : 0;
    const auto numberWidth = static_cast<LONG>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, kBridgeNumberColumn, 0));
    if (column == 0)
        dx = box.left - numberWidth; // the first column brings the row numbers back
    else if (box.left - dx < 0)
        dx = box.left; // a cell wider than the view shows its start
    if (dx != 0)
        SendMessageW(m_list, LVM_SCROLL, static_cast<WPARAM>(dx), 0);
}

// Arrows, Tab and Enter move (Shift extends the selection with the arrows);
// F2 edits. Whether the key was the table's.
bool BridgeWindow::onListKey(WPARAM key)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const int page = std::max(1, static_cast<int>(SendMessageW(m_list, LVM_GETCOUNTPERPAGE, 0, 0)) - 1);
    switch (key) {
    case VK_UP:
        moveTo(ctrl ? 0 : m_row - 1, m_column, shift);
        return true;
    case VK_DOWN:
        moveTo(ctrl ? totalsRow() : m_row + 1, m_column, shift);
        return true;
    case VK_LEFT:
        moveTo(m_row, ctrl ? 0 : m_column - 1, shift);
        return true;
    case VK_RIGHT:
        moveTo(m_row, ctrl ? bridge::kColumnCount - 1 : m_column + 1, shift);
        return true;
    case VK_PRIOR:
    case VK_NEXT:
        moveTo(m_row + (key == VK_PRIOR ? -page : page), m_column, shift);
        return true;
    case VK_HOME:
    case VK_END:
        moveTo(ctrl ? (key == VK_HOME ? 0 : totalsRow()) : m_row, key == VK_HOME ? 0 : bridge::kColumnCount - 1, shift);
        return true;
    case VK_TAB:
        moveTo(m_row, m_column + (shift ? -1 : 1), false);
        return true;
    case VK_RETURN:
        moveTo(m_row + 1, m_column, false);
        return true;
    case VK_F2:
        beginEdit(std::nullopt);
        return true;
    default:
        return false;
    }
}

// A character typed on a cell starts its edit with that character.
void BridgeWindow::onListChar(wchar_t character)
{
    if (character < L' ' || character == 0x7f)
        return; // Tab, Enter, Escape and the Ctrl letters are keys here
    beginEdit(std::wstring(1, character));
}

std::optional<std::pair<int, int>> BridgeWindow::cellAt(LPARAM at) const
{
    LVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (SendMessageW(m_list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0)
        return std::nullopt;
    return std::pair{hit.iItem, hit.iSubItem - 1};
}

// A click makes a cell current (Shift: extends the selection; on the
// number: the row); a double-click edits a typed cell, or shows the row in
// the calculator from its number or a computed cell, as the Qt view does.
void BridgeWindow::onListClick(LPARAM at, bool doubleClick)
{
    endEdit(true);
    SetFocus(m_list);
    const auto cell = cellAt(at);
    if (!cell)
        return;
    const auto [row, column] = *cell;
    if (doubleClick) {
        if (column >= 0 && ColumnAt(column).editable() && row < totalsRow()) {
            moveTo(row, column, false);
            beginEdit(std::nullopt);
        } else {
            m_controller.activateRow(row);
        }
        return;
    }
    if (column < 0) { // the whole row, scrolled as it is
        m_row = m_anchorRow = row;
        m_column = 0;
        m_anchorColumn = bridge::kColumnCount - 1;
        InvalidateRect(m_list, nullptr, FALSE);
        return;
    }
    moveTo(row, column, GetKeyState(VK_SHIFT) < 0);
}

// F2 (replacement empty: the cell's text, caret at its end) or a typed
// character (that replaces the text); nothing on a read-only cell.
void BridgeWindow::beginEdit(const std::optional<std::wstring> &replacement)
{
    if (m_editor || m_row >= totalsRow() || !ColumnAt(m_column).editable()) {
        MessageBeep(MB_OK);
        return;
    }
    moveTo(m_row, m_column, false);
    const RECT box = cellBox(m_row, m_column);
    const std::wstring text = replacement ? *replacement : Widen(m_model.cellText(m_row, m_column));
    m_editor = CreateWindowExW(0, WC_EDITW, text.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, box.left,
                               box.top, box.right - box.left, box.bottom - box.top, m_list, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!m_editor)
        return;
    SendMessageW(m_editor, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    SetWindowSubclass(m_editor, EditorProc, 0, reinterpret_cast<DWORD_PTR>(this));
    SetFocus(m_editor);
    SendMessageW(m_editor, EM_SETSEL, static_cast<WPARAM>(text.size()), static_cast<LPARAM>(text.size()));
}

// Commits the edit to the model (one step of undo) or drops it.
void BridgeWindow::endEdit(bool commit)
{
    if (!m_editor)
        return;
    HWND editor = m_editor;
    m_editor = nullptr; // its loss of focus below commits nothing more
    const std::string text = Narrow(WindowText(editor));
    if (GetFocus() == editor)
        SetFocus(m_list);
    DestroyWindow(editor);
    if (commit && m_row < totalsRow())
        m_model.setCell(m_row, m_column, text);
}

// Enter commits and moves down, Tab right (Shift: left), Escape cancels.
bool BridgeWindow::onEditorKey(WPARAM key)
{
    switch (key) {
    case VK_RETURN:
        endEdit(true);
        moveTo(m_row + 1, m_column, false);
        return true;
    case VK_TAB:
        endEdit(true);
        moveTo(m_row, m_column + (GetKeyState(VK_SHIFT) < 0 ? -1 : 1), false);
        return true;
    case VK_ESCAPE:
        endEdit(false);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK BridgeWindow::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data)
{
    auto *self = reinterpret_cast<BridgeWindow *>(data);
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (self->onListKey(wParam))
            return 0;
        break;
    case WM_CHAR:
        self->onListChar(static_cast<wchar_t>(wParam));
        return 0; // no incremental search in a table of numbers
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        self->onListClick(lParam, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        SetFocus(hwnd);
        return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        self->endEdit(true); // the EDIT would not follow its cell
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, ListProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK BridgeWindow::EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data)
{
    auto *self = reinterpret_cast<BridgeWindow *>(data);
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, message, wParam, lParam);
    case WM_KEYDOWN:
        if (self->onEditorKey(wParam))
            return 0;
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\t' || wParam == 0x1b)
            return 0; // acted on at WM_KEYDOWN; the edit would beep
        break;
    case WM_KILLFOCUS:
        if (self->m_editor == hwnd)
            PostMessageW(self->m_hwnd, kCommitEdit, 0, 0);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, EditorProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace pierqty::win32
