// The Win32 window driven as a user would, in its own process: keys through
// the input queue, clicks and reads through messages, the desktop through
// its fake. What the form and its controller decide is tested with them;
// this test checks that the view builds the window from the form, wires the
// controls to the controller and shows what it says. Runs under Wine with an X server; prints one line
// per failed check and exits 1 if any failed.
//
//   window_win32_test.exe [--dpi N]    N: the system dpi it must find
#include "platform/desktop_fake.h"
#include "ui/form/form.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/hdun_win32.h"
#include "ui/win32/resources.h"
#include "ui/win32/title_dialog_win32.h"

#include <commctrl.h>
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace pierqty;
using form::ControlRef;

int g_checks = 0;
int g_failures = 0;
const char *g_group = "";

void Check(bool ok, const std::string &what)
{
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("FAIL [%s] %s\n", g_group, what.c_str());
        std::fflush(stdout);
    }
}

std::string Show(const RECT &r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
        std::to_string(r.bottom - r.top) + ")";
}

std::string Name(ControlRef ref)
{
    std::string name(form::NameText(ref.name));
    return ref.index >= 0 ? name + "(" + std::to_string(ref.index) + ")" : name;
}

// Handles everything that is queued, as the program's loop would, until the
// queue stays empty (paints and posted selects included).
void Settle(HWND window)
{
    MSG message;
    for (int idle = 0; idle < 3; ++idle) { // three waits in a row that find nothing
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            idle = 0;
            win32::DispatchWindowMessage(window, message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
    }
}

// Keys through the system's input queue, as typed: a burst of presses, each
// released before the next, with no pumping in between; modifier (Shift or
// Ctrl) held around them. Then what they caused is handled.
void Type(HWND window, const std::vector<WORD> &keys, WORD modifier = 0)
{
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki = {vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags, 0, 0};
        inputs.push_back(input);
    };
    if (modifier)
        key(modifier, 0);
    for (WORD vk : keys) {
        key(vk, 0);
        key(vk, KEYEVENTF_KEYUP);
    }
    if (modifier)
        key(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle(window);
}

RECT ClientBox(HWND child)
{
    RECT box;
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT *>(&box), 2);
    return box;
}

bool WholeTextSelected(HWND field)
{
    const auto selection = static_cast<DWORD>(SendMessageW(field, EM_GETSEL, 0, 0));
    return LOWORD(selection) == 0 && HIWORD(selection) == GetWindowTextLengthW(field);
}

// The colour painted inside a field, near its right end (past the text).
COLORREF FieldBackground(HWND field)
{
    RedrawWindow(field, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    HDC dc = GetDC(field);
    RECT inside;
    GetClientRect(field, &inside);
    const COLORREF colour = GetPixel(dc, inside.right - 2, inside.bottom / 2);
    ReleaseDC(field, dc);
    return colour;
}

// What the title block's dialog showed, and how it is answered.
struct TitleDialogVisit {
    bool seen = false;
    bool captionsFromTable = true;
    bool basisMultiLine = false;
};
TitleDialogVisit g_titleVisit;

// Once the title block's dialog is up: reads its captions, types a project
// name and presses OK.
void CALLBACK AnswerTitleDialog(HWND owner, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowW(L"#32770", Widen(form::kTitleDialogTitle).c_str());
    if (!dialog || !IsWindowVisible(dialog))
        return; // not up yet: the next tick looks again
    KillTimer(owner, timer);
    g_titleVisit.seen = true;
    const auto fields = form::TitleFields();
    for (std::size_t k = 0; k < fields.size(); ++k) {
        wchar_t caption[64] = {};
        GetDlgItemTextW(dialog, win32::kTitleCaptionId + static_cast<int>(k), caption, 64);
        g_titleVisit.captionsFromTable &= Narrow(caption) == std::string(fields[k].caption) + "：" &&
            GetDlgItem(dialog, win32::kTitleEditId + static_cast<int>(k)) != nullptr;
    }
    const LONG_PTR style =
        GetWindowLongPtrW(GetDlgItem(dialog, win32::kTitleEditId + int(fields.size()) - 1), GWL_STYLE);
    g_titleVisit.basisMultiLine = (style & ES_MULTILINE) != 0;
    SetDlgItemTextW(dialog, win32::kTitleEditId, L"某某大桥");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// Menu captions seen in the report's popup menu, which is then answered
// with keys: Up three times and Enter choose the item above 复制结果 (the
// last, 加入桥梁汇总, comes after a separator).
std::vector<std::string> g_menuItems;

void CALLBACK ReadMenuThenExport(HWND owner, UINT, UINT_PTR timer, DWORD)
{
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup)
        return;
    KillTimer(owner, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int k = 0; menu && k < GetMenuItemCount(menu); ++k) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(k), text, 128, MF_BYPOSITION);
        g_menuItems.push_back(Narrow(text));
    }
    std::vector<INPUT> inputs;
    for (const WORD vk : {WORD{VK_UP}, WORD{VK_UP}, WORD{VK_UP}, WORD{VK_RETURN}}) {
        for (const DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki = {vk, static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags, 0, 0};
            inputs.push_back(input);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// IDOK commands that reach the window (the dialog manager's Enter).
int g_idokCount = 0;

LRESULT CALLBACK CountIdOk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK)
        ++g_idokCount;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

struct Fixture {
    FakeDesktopServices services;
    win32::HdunWindow window{services};
    HWND hwnd = nullptr;
    HWND cs(int i) const { return window.control(form::CS(i)); }
    HWND of(ControlRef ref) const { return window.control(ref); }
    std::wstring text(ControlRef ref) const { return window.text(ref); }
    void reset(int i) const
    {
        SetWindowTextW(cs(i), Widen(DefaultParameterTexts()[static_cast<std::size_t>(i)]).c_str());
    }
    void focus(HWND control) const
    {
        SetFocus(control);
        Settle(hwnd);
    }
    // Whether the window's tooltip control has a tip for the control.
    bool tipped(HWND control) const
    {
        const HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.hwnd = hwnd;
        info.uId = reinterpret_cast<UINT_PTR>(control);
        return tooltip && SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
    }
    // Whether the window gives a read-only control the stale results' grey.
    bool grey(HWND control) const
    {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        const bool stale = GetTextColor(dc) == win32::kStaleColour;
        DeleteDC(dc);
        return stale;
    }
    // Whether S, V and the report show what the model writes for the texts.
    bool showsResultsOf(const ParameterTexts &texts) const
    {
        form::FormState model;
        const form::CalculationOutcome outcome = model.calculate(texts);
        for (const form::TextWrite &write : outcome.writes)
            if (Narrow(text(write.target)) != write.text)
                return false;
        return outcome.succeeded;
    }
};

void CheckGeometry(Fixture &f)
{
    g_group = "geometry";
    const int dpi = f.window.dpi();
    RECT client;
    GetClientRect(f.hwnd, &client);
    const form::Rect designed = form::ToPixels({0, 0, form::kClientWidthTwips, form::kClientHeightTwips}, dpi);
    Check(client.right == designed.width && client.bottom == designed.height,
          "client " + Show(client) + " at " + std::to_string(dpi) + " dpi");
    for (const form::Control &c : form::Controls()) {
        const form::Rect r = form::ToPixels(c.twips, dpi);
        const RECT expected{r.left, r.top, r.right(), r.bottom()};
        const HWND child = f.of(c.ref);
        const RECT box = child ? ClientBox(child) : RECT{};
        Check(child && EqualRect(&box, &expected), Name(c.ref) + " box " + Show(box) + ", expected " + Show(expected));
    }
    RECT frame;
    RECT work;
    GetWindowRect(f.hwnd, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    Check(std::abs((frame.left + frame.right) - (work.left + work.right)) <= 1 &&
              std::abs((frame.top + frame.bottom) - (work.top + work.bottom)) <= 1,
          "window centred: " + Show(frame) + " in " + Show(work));
    // Common controls 6 (Wine reports 5.81 for the DLL, so ask the edit).
    Check(SendMessageW(f.cs(0), EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"")) == TRUE,
          "common controls 6 are in use");
    Check(GetFocus() == f.cs(0) && WholeTextSelected(f.cs(0)), "at start CS(0) has the focus, its text selected");
}

// Picture1 against the PNG for the dpi, pixel for pixel, inside its border
// and as far down as the client area shows it.
void CheckPicture(Fixture &f)
{
    g_group = "picture";
    const int dpi = f.window.dpi();
    const int id = dpi == 96 ? PIERQTY_IDR_PIER_100 : dpi == 144 ? PIERQTY_IDR_PIER_150 : PIERQTY_IDR_PIER_200;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    if (dpi % 48 != 0 || dpi > 192 || !found)
        return Check(found != nullptr, "a drawing for " + std::to_string(dpi) + " dpi");
    IStream *stream = SHCreateMemStream(static_cast<const BYTE *>(LockResource(LoadResource(module, found))),
                                        static_cast<UINT>(SizeofResource(module, found)));
    Gdiplus::Bitmap *png = Gdiplus::Bitmap::FromStream(stream);
    stream->Release();
    const HWND picture = f.of(form::kPicture1);
    RedrawWindow(picture, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const int border = form::TwipsToPixels(form::kPictureBorderTwips, dpi);
    RECT client;
    GetClientRect(f.hwnd, &client);
    const int height =
        std::min(static_cast<int>(png->GetHeight()), static_cast<int>(client.bottom - ClientBox(picture).top) - border);
    HDC dc = GetDC(picture);
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < static_cast<int>(png->GetWidth()); ++x) {
            Gdiplus::Color colour;
            png->GetPixel(x, y, &colour);
            differing += GetPixel(dc, border + x, border + y) != RGB(colour.GetR(), colour.GetG(), colour.GetB());
        }
    }
    ReleaseDC(picture, dc);
    delete png;
    Check(differing == 0, std::to_string(differing) + " pixels differ from the PNG");
}

void CheckTabCycle(Fixture &f)
{
    g_group = "tab";
    f.focus(f.cs(0));
    const auto order = form::TabOrder();
    for (std::size_t k = 1; k <= order.size(); ++k) {
        Type(f.hwnd, {VK_TAB});
        const ControlRef expected = order[k % order.size()];
        const auto actual = f.window.refOf(GetFocus());
        const bool selected = expected.name != form::Name::CS || WholeTextSelected(f.of(expected));
        Check(actual && *actual == expected && selected,
              "Tab " + std::to_string(k) + " went to " + (actual ? Name(*actual) : "?") + ", not " + Name(expected));
    }
    Type(f.hwnd, {VK_TAB}, VK_SHIFT);
    Check(GetFocus() == f.of(order.back()), "Shift+Tab from CS(0) wraps to the last");
}

// Enter in a field is the field's: it takes the model's step and never
// reaches the dialog manager.
void CheckEnter(Fixture &f)
{
    g_group = "enter";
    SetWindowSubclass(f.hwnd, CountIdOk, 1, 0);
    f.focus(f.cs(0));
    Type(f.hwnd, {VK_RETURN});
    const int next = *form::EnterIn(0).focusField;
    Check(GetFocus() == f.cs(next) && WholeTextSelected(f.cs(next)),
          "Enter in CS(0) selects CS(" + std::to_string(next) + ")");
    f.focus(f.cs(form::kInputCount - 1));
    Type(f.hwnd, {VK_RETURN});
    Check(GetFocus() == f.cs(0) && f.showsResultsOf(DefaultParameterTexts()), "Enter in the last input calculates");
    Check(g_idokCount == 0, "Enter in the fields sent IDOK " + std::to_string(g_idokCount) + " times");
}

// The button by Space and by Enter; an edit greys S and the report and tips
// them, a calculation makes them current again; a fault.
void CheckCalculate(Fixture &f)
{
    g_group = "calculate";
    const HWND s = f.cs(form::kAreaField);
    const HWND report = f.of(form::kText1);
    f.focus(f.cs(10));
    Type(f.hwnd, {'1', '0'});
    ParameterTexts texts = DefaultParameterTexts();
    texts[10] = "10";
    Check(f.grey(s) && f.grey(report) && f.tipped(s) && f.tipped(report), "an edit greys and tips S and the report");
    // Enter in the read-only report neither calculates nor types.
    const std::wstring before = f.text(form::kText1);
    f.focus(report);
    Type(f.hwnd, {VK_RETURN, 'X'});
    Check(GetFocus() == report && f.text(form::kText1) == before && f.window.state().resultsStale(),
          "Enter and X in Text1 change nothing");
    Type(f.hwnd, {VK_TAB, VK_SPACE});
    Check(GetFocus() == f.of(form::kCommand1) && f.showsResultsOf(texts), "Tab to Command1 and Space calculate");
    Check(!f.grey(s) && !f.grey(report) && !f.tipped(s) && !f.tipped(report),
          "current results are neither grey nor tipped");
    SetWindowTextW(f.cs(10), L"20");
    texts[10] = "20";
    Type(f.hwnd, {VK_RETURN});
    Check(GetFocus() == f.of(form::kCommand1) && f.showsResultsOf(texts), "Enter on Command1 calculates");
    // Ctrl+A over a part of the text: Wine's edit reports a change with the
    // same text.
    f.focus(f.cs(10));
    SendMessageW(f.cs(10), EM_SETSEL, 1, 2);
    Type(f.hwnd, {'A'}, VK_CONTROL);
    Check(WholeTextSelected(f.cs(10)) && !f.grey(s) && !f.tipped(s), "Ctrl+A in a field leaves the results current");
    f.reset(10);
}

// The real box, titled as the window, dismissed as soon as it is up.
void CheckErrorBox(Fixture &f)
{
    g_group = "error box";
    Win32DesktopServices real{std::string(form::kErrorBoxTitle), f.hwnd};
    static wchar_t title[64] = {};
    SetTimer(f.hwnd, 1, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND box = FindWindowW(L"#32770", nullptr); box && GetWindowTextW(box, title, 64) >= 0)
            PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    real.reportError("测试");
    KillTimer(f.hwnd, 1);
    Check(title == Widen(form::kWindowTitle), "the error box is titled " + Narrow(title));

    // The user's settings in the registry (of the throw-away prefix).
    const std::string basis = "甲\r\n乙 “丙”";
    real.storeSetting("titleBlock/basis", basis);
    Check(real.setting("titleBlock/basis").value_or("") == basis && !real.setting("titleBlock/none"),
          "a setting goes to the registry and comes back");
    Check(!real.programFolder().empty(), "the program's folder is known");
}

// Keys typed right after Tab or Enter land in the field they reach.
void CheckTypeAhead(Fixture &f)
{
    g_group = "type-ahead";
    const ControlRef afterTab = form::TabOrder()[1];
    const ControlRef afterEnter = form::CS(*form::EnterIn(0).focusField);
    for (int run = 0; run < 5; ++run) {
        f.focus(f.cs(0));
        Type(f.hwnd, {VK_TAB, '1', '2', '3'});
        Check(f.text(afterTab) == L"123", "keys right after Tab, run " + std::to_string(run));
        f.focus(f.cs(0));
        Type(f.hwnd, {VK_RETURN, '4', '5'});
        Check(f.text(afterEnter) == L"45", "keys right after Enter, run " + std::to_string(run));
    }
    f.reset(afterTab.index);
    f.reset(afterEnter.index);
}

void CheckMarks(Fixture &f)
{
    g_group = "marks";
    SetWindowTextW(f.cs(0), L"2，5");
    SetWindowTextW(f.cs(4), L"");
    SendMessageW(f.of(form::kCommand1), BM_CLICK, 0, 0);
    Settle(f.hwnd);
    const auto marked = [&](int i) { return FieldBackground(f.cs(i)) == win32::kMarkColour && f.tipped(f.cs(i)); };
    Check(marked(0) && marked(4) && FieldBackground(f.cs(1)) != win32::kMarkColour && !f.tipped(f.cs(1)),
          "the marked inputs, and only they, in the warning colour and with a tooltip");
    f.reset(0);
    f.reset(4);

    // A pier that cannot be built: the field rose with its reason, S and V
    // dark red on rose with theirs; a good calculation clears them.
    const COLORREF rose = win32::ToColorRef(form::kUnbuildableBackground);
    SetWindowTextW(f.cs(0), L"-1");
    SendMessageW(f.of(form::kCommand1), BM_CLICK, 0, 0);
    Settle(f.hwnd);
    const HWND s = f.cs(form::kAreaField);
    Check(FieldBackground(f.cs(0)) == rose && f.tipped(f.cs(0)), "an impossible pier's field is rose and tipped");
    Check(FieldBackground(s) == rose && f.tipped(s) && !f.tipped(f.of(form::kText1)) && !f.grey(s),
          "S of an impossible pier is rose and tipped, the report not");
    f.reset(0);
    SendMessageW(f.of(form::kCommand1), BM_CLICK, 0, 0);
    Settle(f.hwnd);
    Check(FieldBackground(f.cs(0)) != rose && FieldBackground(s) != rose && !f.tipped(s) && !f.tipped(f.cs(0)),
          "a buildable pier clears the marks and the figures' colour");
}

// What goes to the desktop: the link's page, the sheet and the results.
void CheckDesktop(Fixture &f)
{
    g_group = "desktop";
    // The link: a click, a release outside (opens nothing), the right button.
    const HWND label = f.of(form::kLabel2);
    const struct {
        UINT down, up;
        int upY;
    } clicks[] = {
        {WM_LBUTTONDOWN, WM_LBUTTONUP, 4}, {WM_LBUTTONDOWN, WM_LBUTTONUP, 400}, {WM_RBUTTONDOWN, WM_RBUTTONUP, 4}};
    for (const auto &click : clicks) {
        SendMessageW(label, click.down, 0, MAKELPARAM(4, 4));
        Check(f.window.linkBold(), "bold while held");
        SendMessageW(label, click.up, 0, MAKELPARAM(4, click.upY));
        Check(!f.window.linkBold(), "plain once released");
    }
    Check(f.services.openedUrls == std::vector<std::string>(2, std::string(form::PromoPageAddress)),
          "the two releases on the link open its page");

    // Ctrl+S and the report's menu reach the shared commands; what these
    // write is tested with them.
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"计算书-窗口测试.html";
    DeleteFileW(path.c_str());
    f.services.savePath = Narrow(path);
    SetTimer(f.hwnd, 2, 50, AnswerTitleDialog);
    f.focus(f.cs(3));
    Type(f.hwnd, {'S'}, VK_CONTROL);
    Check(g_titleVisit.seen && g_titleVisit.captionsFromTable && g_titleVisit.basisMultiLine,
          "the title block's dialog shows the table's fields");
    Check(f.services.saveRequests.size() == 1 && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES,
          "Ctrl+S in a field saves the sheet");
    std::ifstream sheet(path.c_str(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(sheet)), std::istreambuf_iterator<char>());
    Check(content.find("某某大桥") != std::string::npos && f.services.settings["titleBlock/project"] == "某某大桥",
          "the dialog's project name reaches the sheet and is remembered");
    sheet.close();
    DeleteFileW(path.c_str());

    // The menu by keyboard, from the Menu key in the report: the item before
    // the last (加入桥梁汇总) copies; 导出 Excel… writes the workbook.
    f.focus(f.of(form::kText1));
    Type(f.hwnd, {VK_APPS, VK_UP, VK_UP, VK_RETURN});
    Check(f.services.clipboardTexts.size() == 1, "the report's menu copies the results");
    const std::wstring workbook = std::wstring(folder) + L"清单-窗口测试.xlsx";
    f.services.savePath = Narrow(workbook);
    SetTimer(f.hwnd, 3, 50, ReadMenuThenExport);
    Type(f.hwnd, {VK_APPS});
    Check(std::find(g_menuItems.begin(), g_menuItems.end(), std::string(form::kExportWorkbookCaption)) !=
              g_menuItems.end(),
          "the report's menu offers " + std::string(form::kExportWorkbookCaption));
    Check(!g_menuItems.empty() &&
              g_menuItems.back() ==
                  std::string(form::kAddToBridgeCaption) + "\t" + std::string(form::kAddToBridgeShortcut),
          "the report's menu ends with " + std::string(form::kAddToBridgeCaption));
    Check(GetFileAttributesW(workbook.c_str()) != INVALID_FILE_ATTRIBUTES,
          "the menu's 导出 Excel… writes the workbook");
    DeleteFileW(workbook.c_str());
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const bool dpiGiven = argc == 3 && std::wcscmp(argv[1], L"--dpi") == 0;
    const int requiredDpi = dpiGiven ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 0;

    win32::GdiplusSession gdiplus;
    Fixture f;
    if (!f.window.create(SW_SHOW)) {
        std::printf("FAIL the window could not be created\n");
        return 1;
    }
    f.hwnd = f.window.hwnd();
    SetForegroundWindow(f.hwnd);
    // The first focus comes with the first activation.
    for (int wait = 0; wait < 200 && GetFocus() != f.cs(0); ++wait)
        Settle(f.hwnd);
    Settle(f.hwnd);

    if (requiredDpi)
        Check(f.window.dpi() == requiredDpi, "the system dpi is " + std::to_string(f.window.dpi()));
    CheckGeometry(f);
    CheckPicture(f);
    CheckTabCycle(f);
    CheckEnter(f);
    CheckCalculate(f);
    CheckTypeAhead(f);
    CheckMarks(f);
    CheckDesktop(f);
    CheckErrorBox(f);

    std::printf("%d checks at %d dpi, %d failed\n", g_checks, f.window.dpi(), g_failures);
    DestroyWindow(f.hwnd);
    return g_failures == 0 ? 0 : 1;
}
