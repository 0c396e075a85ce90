// The Win32 bridge window driven as a user would, in its own process under
// Wine and an X server: keys through the input queue, reads through the
// ListView's messages, the desktop through its fake. The model's own logic
// is tested in tests/bridge_test.cpp; this checks the wiring only: the
// cells shown, the keys and the editor, the menu bar and its keys, the
// state column, the unsaved mark, the copy, and 加入桥梁汇总 from the
// calculator. Prints one line per failed check; exits 1 if any failed.
//
//   bridge_win32_test.exe [--dpi N]    N: the system dpi it must find
#include "platform/desktop_fake.h"
#include "ui/win32/desktop_win32.h"
#include "ui/form/form.h"
#include "ui/win32/bridge_win32.h"
#include "ui/win32/hdun_win32.h"

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace pierqty;

int g_checks = 0;
int g_failures = 0;

void Check(bool ok, const std::string &what)
{
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("FAIL %s\n", what.c_str());
        std::fflush(stdout);
    }
}

struct Fixture {
    FakeDesktopServices bridgeServices;
    FakeDesktopServices calculatorServices;
    win32::BridgeWindow bridge{bridgeServices};
    win32::HdunWindow calculator{calculatorServices};
    bridge::BridgeModel &model() { return bridge.model(); }
    HWND list() const { return bridge.list(); }

    // Handles what is queued, as the program's loop does, until it stays empty.
    void settle()
    {
        MSG message;
        for (int idle = 0; idle < 3; ++idle) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                idle = 0;
                win32::DispatchProgramMessage(message, &bridge, calculator.hwnd());
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
        }
    }
    // Keys through the system's input queue, the modifiers held around them.
    void type(const std::vector<WORD> &keys, WORD modifier = 0, WORD second = 0)
    {
        std::vector<INPUT> inputs;
        const auto key = [&](WORD vk, DWORD flags) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki = {vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags, 0, 0};
            inputs.push_back(input);
        };
        for (const WORD held : {modifier, second})
            if (held)
                key(held, 0);
        for (const WORD vk : keys) {
            key(vk, 0);
            key(vk, KEYEVENTF_KEYUP);
        }
        for (const WORD held : {second, modifier})
            if (held)
                key(held, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        settle();
    }
    // What the ListView shows at a row and a model column (-1: the number).
    std::string shown(int row, int column) const
    {
        wchar_t text[512] = {};
        LVITEMW item{};
        item.iSubItem = column + 1;
        item.pszText = text;
        item.cchTextMax = 512;
        SendMessageW(list(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return Narrow(text);
    }
    static std::string TextOf(HWND window)
    {
        wchar_t text[1024] = {};
        GetWindowTextW(window, text, 1024);
        return Narrow(text);
    }
    std::string title() const { return TextOf(bridge.hwnd()); }
    std::string summary() const { return TextOf(bridge.summary()); }
    bool at(int row, int column) const { return bridge.currentCell() == std::pair{row, column}; }
    // The colour painted near a cell's lower right corner (past its text).
    COLORREF background(int row, int column) const
    {
        RECT box{};
        box.top = column + 1;
        box.left = LVIR_BOUNDS;
        SendMessageW(list(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&box));
        RedrawWindow(list(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetDC(list());
        const COLORREF colour = GetPixel(dc, box.right - 4, box.bottom - 3);
        ReleaseDC(list(), dc);
        return colour;
    }
};

std::string PierFile()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::string path = Narrow(folder) + "桥梁窗口测试.csv";
    std::ofstream file(Widen(path).c_str(), std::ios::binary);
    file << "id,L1,R1,L2,R2,H1,h,n\n";
    for (int k = 1; k <= 30; ++k)
        file << "P" << k << ",2." << k % 5 << "," << 1 + k % 7 << ".5,1.6," << 4 + k % 11 << ",3." << k % 4 << ",1."
             << k % 9 << ",200\n";
    return path;
}

void CheckTable(Fixture &f)
{
    bool captions = true, cells = true;
    for (int k = 0; k < bridge::kColumnCount; ++k) {
        wchar_t text[128] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 128;
        SendMessageW(f.list(), LVM_GETCOLUMNW, static_cast<WPARAM>(k + 1), reinterpret_cast<LPARAM>(&column));
        captions &= Narrow(text) == bridge::Columns()[static_cast<std::size_t>(k)].caption;
        for (const int row : {0, 17, 29})
            cells &= f.shown(row, k) == f.model().cellText(row, k);
        cells &= f.shown(30, k) == f.model().totalsText(k);
    }
    Check(captions, "the columns are the model's");
    Check(cells && f.shown(29, -1) == "30", "the cells and the totals row are the model's");
    Check(SendMessageW(f.list(), LVM_GETITEMCOUNT, 0, 0) == 31, "30 piers and the totals");
    Check(f.title() == "桥梁工程量汇总 - 桥梁窗口测试.csv", "the title names the file: " + f.title());
}

// Arrows and typing + Enter edit H1; F2 keeps the text, Esc cancels; Tab.
void CheckKeys(Fixture &f)
{
    const int h1 = bridge::kFirstInputColumn + kFieldH1;
    SetFocus(f.list());
    f.type({VK_DOWN, VK_RIGHT});
    Check(f.at(1, 1), "Down and Right move the current cell");
    f.bridge.select({0, 1, h1, 1});
    const std::string totals = f.model().totalsText(bridge::kFirstFigureColumn);
    const std::string summary = f.summary();
    f.type({'4', VK_OEM_PERIOD, '5', VK_RETURN});
    Check(f.model().cellText(0, h1) == "4.5" && f.at(1, h1), "typing and Enter edit H1 and move down");
    Check(f.shown(30, bridge::kFirstFigureColumn) != totals && f.summary() != summary,
          "the totals row and the summary follow the edit");
    Check(f.title().back() == '*', "an edit marks the title unsaved");
    const std::string before = f.model().cellText(1, h1);
    f.type({VK_F2});
    const HWND editor = f.bridge.editor();
    wchar_t text[64] = {};
    GetWindowTextW(editor, text, 64);
    RECT cell{LVIR_BOUNDS, h1 + 1, 0, 0};
    SendMessageW(f.list(), LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
    RECT placed{};
    GetWindowRect(editor, &placed);
    MapWindowPoints(nullptr, f.list(), reinterpret_cast<POINT *>(&placed), 2);
    Check(editor && GetFocus() == editor && Narrow(text) == before && EqualRect(&cell, &placed),
          "F2 edits the cell's text over the cell");
    f.type({'9', VK_ESCAPE});
    Check(!f.bridge.editor() && f.model().cellText(1, h1) == before && f.at(1, h1), "Esc cancels the edit");
    f.type({VK_F2, '1', VK_TAB});
    Check(f.model().cellText(1, h1) == before + "1" && f.at(1, h1 + 1), "Tab commits and moves right");
    f.type({'Z'}, VK_CONTROL);
    Check(f.model().cellText(1, h1) == before, "Ctrl+Z undoes");
    f.type({VK_LEFT, VK_LEFT}, VK_SHIFT);
    const bridge::CellRange range = f.bridge.selection().front();
    Check(range.firstColumn == h1 - 1 && range.columnCount == 3 && range.rowCount == 1, "Shift+Left extends");
    Check(f.background(1, h1 - 1) != f.background(1, h1 + 2) && f.background(1, h1 - 1) == f.background(1, h1 + 1),
          "the selected cells, and only they, are drawn selected");
    f.type({VK_TAB});
    Check(f.at(1, h1) && f.bridge.selection().front().columnCount == 1, "Tab moves right and ends the block");
    f.type({VK_TAB}, VK_SHIFT);
    Check(f.at(1, h1 - 1), "Shift+Tab moves left");
    // A menu command while a cell is edited takes the edit first.
    f.type({VK_F2, '7'});
    SendMessageW(f.bridge.hwnd(), WM_COMMAND, win32::kFirstBridgeCommandId + 11, 0); // 复制
    Check(!f.bridge.editor() && f.model().cellText(1, h1 - 1).back() == '7', "a menu command commits the edit");
    f.type({'Z'}, VK_CONTROL);
}

void CheckMenus(Fixture &f)
{
    const HMENU bar = f.bridge.menu();
    std::string names;
    for (int k = 0; k < GetMenuItemCount(bar); ++k) {
        wchar_t text[32] = {};
        GetMenuStringW(bar, static_cast<UINT>(k), text, 32, MF_BYPOSITION);
        names += Narrow(text) + " ";
    }
    Check(names == "文件 编辑 导出 ", "the menu bar: " + names);
    wchar_t undo[64] = {};
    GetMenuStringW(bar, win32::kFirstBridgeCommandId + 4, undo, 64, MF_BYCOMMAND);
    Check(Narrow(undo) == "撤销 " + f.model().undoText() + "\tCtrl+Z", "撤销 names its step: " + Narrow(undo));
    // A pier that cannot be built: the state column says why, the summary
    // that it is left out.
    f.bridge.select({2, 1, 1, 1});
    f.type({VK_OEM_MINUS, '1', VK_RETURN});
    Check(!f.model().counted(2) && !f.shown(2, bridge::kStateColumn).empty() &&
              f.shown(2, bridge::kStateColumn) == f.model().state(2),
          "the state column says why: " + f.shown(2, bridge::kStateColumn));
    Check(f.summary().find(f.model().leftOutLine()) == 0, "the summary starts with " + f.model().leftOutLine());
    f.type({'A', 'C'}, VK_CONTROL);
    f.bridge.select({5, 1, 0, 1});
    f.type({'D'}, VK_CONTROL, VK_SHIFT);
    Check(f.model().rowCount() == 31 && f.model().cellText(6, 1) == f.model().cellText(5, 1),
          "Ctrl+Shift+D duplicates the row");
    f.type({'Z'}, VK_CONTROL);
    Check(!f.bridgeServices.clipboardTexts.empty() && f.bridgeServices.clipboardTexts.back() == f.model().copyTable(),
          "Ctrl+A Ctrl+C copies the whole table");
}

// Ctrl+B in the calculator adds its pier under the 墩号 answered; a
// double-click on a row's number loads that row into the calculator.
void CheckCalculator(Fixture &f)
{
    std::string offered;
    f.calculator.askPierIdHook = [&](const std::string &suggested) {
        offered = suggested;
        return std::optional<std::string>("桥台");
    };
    SetForegroundWindow(f.calculator.hwnd());
    SetFocus(f.calculator.control(form::CS(0)));
    f.settle();
    f.type({'B'}, VK_CONTROL);
    const int last = f.model().rowCount() - 1;
    Check(last == 30 && offered == "P31" && f.shown(last, 0) == "桥台", "Ctrl+B adds the pier as 桥台");
    std::optional<ParameterTexts> loaded;
    f.bridge.controller().loadIntoCalculator = [&](const ParameterTexts &texts) { loaded = texts; };
    RECT number{};
    number.top = 0;
    number.left = LVIR_LABEL;
    SendMessageW(f.list(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&number));
    SendMessageW(f.list(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(number.left + 4, number.top + 4));
    Check(loaded && *loaded == f.model().record(0).texts, "a double-click on the first row's number loads it");
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const bool dpiGiven = argc == 3 && std::wcscmp(argv[1], L"--dpi") == 0;
    win32::GdiplusSession gdiplus;
    Fixture f;
    f.calculator.controller().openBridge = [&]() -> bridge::BridgeModel & { return f.model(); };
    if (!f.bridge.create() || !f.calculator.create(SW_SHOW)) {
        std::printf("FAIL the windows could not be created\n");
        return 1;
    }
    const std::string path = PierFile();
    Check(f.bridge.openFile(path), "the 30-pier file opens");
    f.bridge.show();
    f.settle();
    if (dpiGiven)
        Check(static_cast<int>(GetDpiForWindow(f.bridge.hwnd())) == std::wcstol(argv[2], nullptr, 10), "the dpi");
    CheckTable(f);
    CheckKeys(f);
    CheckMenus(f);
    CheckCalculator(f);
    std::printf("%d checks, %d failed\n", g_checks, g_failures);
    DeleteFileW(Widen(path).c_str());
    return g_failures == 0 ? 0 : 1;
}
