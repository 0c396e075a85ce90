#include "ui/win32/bridge_win32.h"

#include "ui/form/form.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/hdun_win32.h"
#include "ui/win32/resources.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

namespace pierqty::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"PierqtyBridge";
constexpr int kListId = 100;
constexpr int kSummaryId = 101;
// Widths fitted from the first rows only: measuring 1,000 rows for every
// file would cost more than showing them.
constexpr int kRowsMeasured = 100;
constexpr int kStateWidth = 360; // at 96 dpi; the state column's reasons are long

// "Ctrl+Shift+D", "Ctrl+Insert", "Delete": the key and its modifiers, or
// nothing for a key this table does not know.
std::optional<ACCEL> ParseShortcut(std::string_view shortcut, WORD command)
{
    ACCEL accel{FVIRTKEY, 0, command};
    while (true) {
        const std::size_t plus = shortcut.find('+');
        if (plus == std::string_view::npos || plus + 1 == shortcut.size())
            break;
        const std::string_view modifier = shortcut.substr(0, plus);
        accel.fVirt = static_cast<BYTE>(accel.fVirt |
                                        (modifier == "Ctrl"        ? FCONTROL
                                             : modifier == "Shift" ? FSHIFT
                                             : modifier == "Alt"   ? FALT
                                                                   : 0));
        shortcut.remove_prefix(plus + 1);
    }
    static const std::map<std::string_view, WORD> kNamed = {
        {"Insert", VK_INSERT}, {"Delete", VK_DELETE}, {"Home", VK_HOME}, {"End", VK_END}, {"F2", VK_F2}};
    if (shortcut.size() == 1 &&
        ((shortcut[0] >= 'A' && shortcut[0] <= 'Z') || (shortcut[0] >= '0' && shortcut[0] <= '9')))
        accel.key = static_cast<WORD>(shortcut[0]);
    else if (const auto named = kNamed.find(shortcut); named != kNamed.end())
        accel.key = named->second;
    else
        return std::nullopt;
    return accel;
}

// Keys that belong to an EDIT (a cell's while it is edited, the summary's):
// its own undo, copy, paste, select-all and deletion.
bool EditorKey(const MSG &message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (message.wParam) {
    case VK_DELETE:
    case VK_INSERT:
    case VK_HOME:
    case VK_END:
        return true;
    case 'A':
    case 'C':
    case 'V':
    case 'X':
    case 'Z':
    case 'Y':
        return ctrl;
    default:
        return false;
    }
}

std::wstring MenuText(std::string_view caption, std::string_view shortcut)
{
    std::wstring text = Widen(caption);
    if (!shortcut.empty())
        text += L"\t" + Widen(shortcut);
    return text;
}

} // namespace

BridgeWindow::BridgeWindow(DesktopServices &services) : m_services(services)
{
    m_model.setListener(this);
}

BridgeWindow::~BridgeWindow()
{
    m_model.setListener(nullptr);
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    if (m_accelerators)
        DestroyAcceleratorTable(m_accelerators);
    for (HFONT font : {m_font, m_boldFont})
        if (font)
            DeleteObject(font);
}

bool BridgeWindow::create()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    RegisterWindowClass(kWindowClass, WindowProc);
    buildMenu();
    m_hwnd = CreateWindowExW(0, kWindowClass, Widen(m_model.title()).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, m_menu, GetModuleHandleW(nullptr), this);
    if (!m_hwnd)
        return false;
    m_dpi = static_cast<int>(GetDpiForWindow(m_hwnd));
    if (m_dpi <= 0)
        m_dpi = 96;
    m_font = SongFont(form::kWindowFont, m_dpi);
    m_boldFont = SongFont(form::kWindowFont, m_dpi, true);
    createChildren();
    updateItemCount();
    fitColumns();
    updateSummary();
    updateTitle();
    const int width = MulDiv(1200, m_dpi, 96);
    const int height = MulDiv(640, m_dpi, 96);
    SetWindowPos(m_hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void BridgeWindow::show(int showCommand)
{
    ShowWindow(m_hwnd, showCommand);
    if (IsIconic(m_hwnd))
        ShowWindow(m_hwnd, SW_RESTORE);
    SetForegroundWindow(m_hwnd);
    SetFocus(m_list);
}

void BridgeWindow::createChildren()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    m_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL, 0, 0, 1,
                             1, m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
    SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    SendMessageW(m_list, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    SetWindowSubclass(m_list, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    m_summary = CreateWindowExW(0, WC_EDITW, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 1, 1,
                                m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSummaryId)), instance, nullptr);
    SendMessageW(m_summary, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    HDC dc = GetDC(m_hwnd);
    HGDIOBJ old = SelectObject(dc, m_font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(m_hwnd, dc);
    m_lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    createColumns();
}

void BridgeWindow::createColumns()
{
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_RIGHT;
    column.cx = MulDiv(44, m_dpi, 96);
    column.pszText = const_cast<wchar_t *>(L"");
    SendMessageW(m_list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int k = 0; k < bridge::kColumnCount; ++k) {
        const bridge::Column &info = bridge::Columns()[static_cast<std::size_t>(k)];
        std::wstring caption = Widen(info.caption);
        column.pszText = caption.data();
        column.fmt = info.kind == bridge::ColumnKind::Figure ? LVCFMT_RIGHT : LVCFMT_LEFT;
        SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(k + 1), reinterpret_cast<LPARAM>(&column));
    }
}

// 文件, 编辑 and 导出 from the model's commands, and their keys as the
// window's accelerator table.
void BridgeWindow::buildMenu()
{
    m_menu = CreateMenu();
    std::vector<std::pair<std::string_view, HMENU>> menus;
    std::vector<ACCEL> accelerators;
    const auto commands = bridge::Commands();
    for (std::size_t k = 0; k < commands.size(); ++k) {
        const bridge::CommandInfo &info = commands[k];
        auto found =
            std::find_if(menus.begin(), menus.end(), [&](const auto &menu) { return menu.first == info.menu; });
        if (found == menus.end()) {
            menus.emplace_back(info.menu, CreatePopupMenu());
            AppendMenuW(m_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(menus.back().second), Widen(info.menu).c_str());
            found = std::prev(menus.end());
        }
        const auto id = static_cast<WORD>(kFirstBridgeCommandId + static_cast<int>(k));
        AppendMenuW(found->second, MF_STRING, id, MenuText(info.caption, info.shortcut).c_str());
        if (const auto accel = ParseShortcut(info.shortcut, id))
            accelerators.push_back(*accel);
    }
    m_accelerators = CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size()));
}

void BridgeWindow::layout()
{
    RECT client;
    GetClientRect(m_hwnd, &client);
    const int margin = MulDiv(4, m_dpi, 96);
    const int summaryHeight = m_summaryLines * m_lineHeight + margin;
    const int listHeight = std::max(0, static_cast<int>(client.bottom) - summaryHeight - 2 * margin);
    SetWindowPos(m_list, nullptr, 0, 0, client.right, listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(m_summary, nullptr, margin, listHeight + margin,
                 std::max(0, static_cast<int>(client.right) - 2 * margin), summaryHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Each typed and computed column as wide as its caption and its widest text
// in the first rows and the totals.
void BridgeWindow::fitColumns()
{
    HDC dc = GetDC(m_list);
    HGDIOBJ old = SelectObject(dc, m_boldFont);
    const int padding = MulDiv(14, m_dpi, 96);
    const int rows = std::min(m_model.rowCount(), kRowsMeasured);
    for (int column = 0; column < bridge::kStateColumn; ++column) {
        const auto width = [&](const std::string &text) {
            const std::wstring wide = Widen(text);
            SIZE size{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
            return static_cast<int>(size.cx);
        };
        int widest = std::max(width(std::string(bridge::Columns()[static_cast<std::size_t>(column)].caption)),
                              width(m_model.totalsText(column)));
        for (int row = 0; row < rows; ++row)
            widest = std::max(widest, width(m_model.cellText(row, column)));
        widest = std::max(widest, width("00.0000"));
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column + 1), MAKELPARAM(widest + padding, 0));
    }
    SendMessageW(m_list, LVM_SETCOLUMNWIDTH, bridge::kStateColumn + 1, MAKELPARAM(MulDiv(kStateWidth, m_dpi, 96), 0));
    SelectObject(dc, old);
    ReleaseDC(m_list, dc);
}

void BridgeWindow::updateSummary()
{
    std::wstring text;
    const std::vector<std::string> lines = m_controller.summaryLines();
    for (const std::string &line : lines)
        text += (text.empty() ? L"" : L"\r\n") + Widen(line);
    SetWindowTextW(m_summary, text.c_str());
    const int count = std::max(1, static_cast<int>(lines.size()));
    if (count != m_summaryLines) {
        m_summaryLines = count;
        layout();
    }
}

// The title with the unsaved mark; 撤销 and 重做 name what they undo and
// redo, and are greyed when there is nothing.
void BridgeWindow::updateTitle()
{
    SetWindowTextW(m_hwnd, Widen(m_model.title()).c_str());
    const auto commands = bridge::Commands();
    for (std::size_t k = 0; k < commands.size(); ++k) {
        const bridge::CommandInfo &info = commands[k];
        const bool undo = info.command == bridge::Command::Undo;
        if (!undo && info.command != bridge::Command::Redo)
            continue;
        const std::string what = undo ? m_model.undoText() : m_model.redoText();
        const std::string caption = what.empty() ? std::string(info.caption) : std::string(info.caption) + " " + what;
        std::wstring text = MenuText(caption, info.shortcut);
        const UINT id = static_cast<UINT>(kFirstBridgeCommandId) + static_cast<UINT>(k);
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_STATE;
        item.dwTypeData = text.data();
        item.fState = (undo ? m_model.canUndo() : m_model.canRedo()) ? MFS_ENABLED : MFS_GRAYED;
        SetMenuItemInfoW(m_menu, id, FALSE, &item);
    }
}

void BridgeWindow::updateItemCount()
{
    SendMessageW(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(totalsRow() + 1), LVSICF_NOSCROLL);
    m_row = std::clamp(m_row, 0, totalsRow());
    m_anchorRow = std::clamp(m_anchorRow, 0, totalsRow());
    InvalidateRect(m_list, nullptr, FALSE);
}

void BridgeWindow::rowsInserted(int, int)
{
    updateItemCount();
}

void BridgeWindow::rowsRemoved(int, int)
{
    updateItemCount();
}

void BridgeWindow::rowsChanged(int first, int last)
{
    SendMessageW(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
}

void BridgeWindow::reset()
{
    endEdit(false);
    m_row = m_column = m_anchorRow = m_anchorColumn = 0;
    updateItemCount();
    fitColumns();
    SendMessageW(m_list, LVM_ENSUREVISIBLE, 0, FALSE);
}

void BridgeWindow::totalsChanged()
{
    SendMessageW(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(totalsRow()), static_cast<LPARAM>(totalsRow()));
    updateSummary();
}

std::optional<std::pair<int, int>> BridgeWindow::currentCell() const
{
    return std::pair{m_row, m_column};
}

std::vector<bridge::CellRange> BridgeWindow::selection() const
{
    const int top = std::min(m_row, m_anchorRow);
    const int left = std::min(m_column, m_anchorColumn);
    return {{top, std::max(m_row, m_anchorRow) - top + 1, left, std::max(m_column, m_anchorColumn) - left + 1}};
}

void BridgeWindow::select(const bridge::CellRange &range)
{
    endEdit(true);
    m_row = std::clamp(range.firstRow, 0, totalsRow());
    m_column = std::clamp(range.firstColumn, 0, bridge::kColumnCount - 1);
    m_anchorRow = std::clamp(range.firstRow + range.rowCount - 1, 0, totalsRow());
    m_anchorColumn = std::clamp(range.firstColumn + range.columnCount - 1, 0, bridge::kColumnCount - 1);
    ensureVisible(m_row, m_column);
    InvalidateRect(m_list, nullptr, FALSE);
}

void BridgeWindow::selectAll()
{
    select({0, totalsRow() + 1, 0, bridge::kColumnCount});
}

BridgeWindow::UnsavedAnswer BridgeWindow::askUnsaved(const std::string &question)
{
    if (askUnsavedHook)
        return askUnsavedHook();
    const std::wstring title = Widen(m_model.title());
    const std::wstring text = Widen(question);
    const TASKDIALOG_BUTTON buttons[] = {{IDYES, L"保存"}, {IDNO, L"不保存"}, {IDCANCEL, L"取消"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = m_hwnd;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszContent = text.c_str();
    config.cButtons = static_cast<UINT>(std::size(buttons));
    config.pButtons = buttons;
    config.nDefaultButton = IDYES;
    int chosen = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &chosen, nullptr, nullptr)))
        return UnsavedAnswer::Cancel;
    return chosen == IDYES ? UnsavedAnswer::Save : chosen == IDNO ? UnsavedAnswer::Discard : UnsavedAnswer::Cancel;
}

bool BridgeWindow::translateAccelerator(MSG &message)
{
    if (!m_hwnd || !message.hwnd || GetAncestor(message.hwnd, GA_ROOT) != m_hwnd)
        return false;
    // The summary's own copy and select-all, too.
    if ((m_editor || message.hwnd == m_summary) && EditorKey(message))
        return false;
    return TranslateAcceleratorW(m_hwnd, m_accelerators, &message) != 0;
}

// Closing hides the window and keeps the bridge, as long as nothing unsaved
// is dropped against the user's will.
void BridgeWindow::onClose()
{
    endEdit(true);
    if (!m_controller.confirmDiscard())
        return;
    ShowWindow(m_hwnd, SW_HIDE);
    if (onClosed)
        onClosed();
}

LRESULT CALLBACK BridgeWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<BridgeWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<BridgeWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT BridgeWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstBridgeCommandId;
        if (index >= 0 && index < static_cast<int>(bridge::Commands().size())) {
            endEdit(true);
            m_controller.run(bridge::Commands()[static_cast<std::size_t>(index)].command);
            return 0;
        }
        break;
    }
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<const NMHDR *>(lParam));
    case WM_SIZE:
        if (m_list)
            layout();
        return 0;
    case WM_SETFOCUS:
        SetFocus(m_editor ? m_editor : m_list);
        return 0;
    case kCommitEdit:
        if (m_editor && GetFocus() != m_editor)
            endEdit(true);
        return 0;
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_NCDESTROY:
        m_hwnd = nullptr;
        m_list = m_summary = m_editor = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

LRESULT BridgeWindow::onNotify(const NMHDR &header)
{
    if (header.hwndFrom != m_list)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        getDisplayText(*reinterpret_cast<NMLVDISPINFOW *>(const_cast<NMHDR *>(&header)));
        return 0;
    case NM_CUSTOMDRAW:
        return customDraw(*reinterpret_cast<NMLVCUSTOMDRAW *>(const_cast<NMHDR *>(&header)));
    default:
        return 0;
    }
}

void DispatchProgramMessage(MSG &message, BridgeWindow *bridge, HWND calculator)
{
    if (bridge && bridge->translateAccelerator(message))
        return;
    if (calculator && message.hwnd && GetAncestor(message.hwnd, GA_ROOT) == calculator) {
        DispatchWindowMessage(calculator, message);
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

} // namespace pierqty::win32
