// The Win32 window driven as a user would, in its own process: keys through
// the input queue (SendInput), clicks and reads through messages, the error
// box and the browser through the desktop fake. Runs under Wine with an X
// server; prints one line per failed check and exits 1 if any failed.
//
//   window_win32_test.exe            checks at the system's dpi
//   window_win32_test.exe --dpi N    also asserts that the system dpi is N
#include "platform/desktop_fake.h"
#include "platform/desktop_win32.h"
#include "sheet/actions.h"
#include "ui/form/form.h"
#include "ui/win32/hdun_win32.h"
#include "ui/win32/resources.h"

#include <commctrl.h>
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

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

std::string Show(const std::wstring &text)
{
    return "\"" + Narrow(text) + "\"";
}

std::string Show(const std::string &text)
{
    return "\"" + text + "\"";
}

template<class T>
std::string Show(const T &value)
{
    return std::to_string(value);
}

std::string Show(const RECT &r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
        std::to_string(r.bottom - r.top) + ")";
}

template<class A, class B>
void CheckEqual(const A &actual, const B &expected, const std::string &what)
{
    const bool ok = actual == expected;
    Check(ok, what + ": got " + Show(actual) + ", expected " + Show(expected));
}

// Handles everything that is queued, as the program's loop would, until the
// queue stays empty (paints and posted selects included).
void Settle(HWND window)
{
    for (int idle = 0; idle < 3;) {
        MSG message;
        bool any = false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            win32::DispatchWindowMessage(window, message);
        }
        idle = any ? 0 : idle + 1;
        if (!any)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
    }
}

// Keys through the system's input queue, as typed: a burst of presses, each
// released before the next, with no pumping in between.
void Type(HWND window, const std::vector<WORD> &keys, bool shift = false)
{
    std::vector<INPUT> inputs;
    auto key = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (shift)
        key(VK_SHIFT, false);
    for (WORD vk : keys) {
        key(vk, false);
        key(vk, true);
    }
    if (shift)
        key(VK_SHIFT, true);
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

RECT Expected(ControlRef ref, int dpi)
{
    const form::Rect r = form::ToPixels(form::Find(ref).twips, dpi);
    return {r.left, r.top, r.right(), r.bottom()};
}

bool Same(const RECT &a, const RECT &b)
{
    return EqualRect(&a, &b) != FALSE;
}

std::pair<int, int> Selection(HWND field)
{
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

bool WholeTextSelected(HWND field)
{
    const auto [start, end] = Selection(field);
    return start == 0 && end == GetWindowTextLengthW(field);
}

std::string Name(ControlRef ref)
{
    std::string name(form::NameText(ref.name));
    if (ref.index >= 0)
        name += "(" + std::to_string(ref.index) + ")";
    return name;
}

void SetText(HWND field, const std::wstring &text)
{
    SetWindowTextW(field, text.c_str());
}

struct Fixture {
    FakeDesktopServices services;
    win32::HdunWindow window{services};
    HWND hwnd = nullptr;
    HWND cs(int i) const { return window.control(form::CS(i)); }
    HWND of(ControlRef ref) const { return window.control(ref); }
    std::wstring text(ControlRef ref) const { return window.text(ref); }
};

void CheckGeometry(Fixture &f)
{
    g_group = "geometry";
    const int dpi = f.window.dpi();
    RECT client;
    GetClientRect(f.hwnd, &client);
    const form::Rect designed = form::ToPixels({0, 0, form::kClientWidthTwips, form::kClientHeightTwips}, dpi);
    CheckEqual(client.right, designed.width, "client width at " + std::to_string(dpi) + " dpi");
    CheckEqual(client.bottom, designed.height, "client height at " + std::to_string(dpi) + " dpi");
    for (const form::Control &c : form::Controls()) {
        HWND child = f.of(c.ref);
        Check(child != nullptr, Name(c.ref) + " exists");
        if (!child)
            continue;
        const RECT box = ClientBox(child);
        const RECT expected = Expected(c.ref, dpi);
        Check(Same(box, expected), Name(c.ref) + " box " + Show(box) + ", expected " + Show(expected));
    }
    // Centred in the work area.
    RECT frame;
    GetWindowRect(f.hwnd, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(f.hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    Check(std::abs((frame.left + frame.right) - (work.left + work.right)) <= 1 &&
              std::abs((frame.top + frame.bottom) - (work.top + work.bottom)) <= 1,
          "window centred: " + Show(frame) + " in " + Show(work));
    // Common controls 6 (Wine reports 5.81 for the DLL, so ask the edit).
    Check(SendMessageW(f.cs(0), EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"")) == TRUE,
          "common controls 6 are in use");
}

void CheckStart(Fixture &f)
{
    g_group = "start";
    const ParameterTexts defaults = form::DefaultTexts();
    for (int i = 0; i < form::kInputCount; ++i)
        CheckEqual(f.text(form::CS(i)), Widen(defaults[static_cast<std::size_t>(i)]), "default of CS(" + Show(i) + ")");
    CheckEqual(f.text(form::CS(4)), std::wstring(L"3.00"), "H1 stays as written");
    CheckEqual(f.text(form::CS(11)), std::wstring(), "S empty at start");
    CheckEqual(f.text(form::CS(12)), std::wstring(), "V empty at start");
    CheckEqual(f.text(form::kText1), Widen(form::ReportHint()), "Text1 shows the hint");
    Check(GetFocus() == f.cs(0), "focus on CS(0) at start");
    Check(WholeTextSelected(f.cs(0)), "CS(0)'s text selected at start");
    CheckEqual(f.text(form::kLabel2), Widen(form::Find(form::kLabel2).text), "Label2's caption");
    wchar_t title[128] = {};
    GetWindowTextW(f.hwnd, title, 128);
    CheckEqual(std::wstring(title), Widen(form::kWindowTitle), "title");
}

void CheckTabCycle(Fixture &f)
{
    g_group = "tab";
    SetFocus(f.cs(0));
    Settle(f.hwnd);
    const auto order = form::TabOrder();
    for (std::size_t k = 1; k <= order.size(); ++k) {
        Type(f.hwnd, {VK_TAB});
        const ControlRef expected = order[k % order.size()];
        const auto actual = f.window.refOf(GetFocus());
        Check(actual && *actual == expected,
              "Tab " + Show(k) + " reaches " + Name(expected) + ", not " + (actual ? Name(*actual) : "nothing"));
        if (expected.name == form::Name::CS)
            Check(WholeTextSelected(f.of(expected)), Name(expected) + " selected after Tab");
    }
    Type(f.hwnd, {VK_TAB}, true);
    Check(GetFocus() == f.of(order.back()), "Shift+Tab from CS(0) wraps to the last");
    Type(f.hwnd, {VK_TAB}, true);
    Check(GetFocus() == f.of(order[order.size() - 2]), "Shift+Tab goes back");
}

void CheckEnterWalk(Fixture &f)
{
    g_group = "enter";
    SetFocus(f.cs(0));
    Settle(f.hwnd);
    const ParameterTexts defaults = form::DefaultTexts();
    for (int i = 1; i < form::kInputCount; ++i) {
        Type(f.hwnd, {VK_RETURN});
        Check(GetFocus() == f.cs(i), "Enter moves to CS(" + Show(i) + ")");
        Check(WholeTextSelected(f.cs(i)), "CS(" + Show(i) + ") selected after Enter");
    }
    for (int i = 0; i < form::kInputCount; ++i)
        CheckEqual(f.text(form::CS(i)), Widen(defaults[static_cast<std::size_t>(i)]),
                   "Enter leaves CS(" + Show(i) + ") as it was");
    // Enter in the last input calculates and goes back to the first.
    Type(f.hwnd, {VK_RETURN});
    CheckEqual(f.text(form::CS(11)), std::wstring(L"64.190447 m2"), "S of the default pier");
    CheckEqual(f.text(form::CS(12)), std::wstring(L"38.653440 m3"), "V of the default pier");
    Check(GetFocus() == f.cs(0) && WholeTextSelected(f.cs(0)), "after the calculation CS(0) has the focus, selected");
    Check(f.services.errors.empty(), "no error box");
    // Enter in S goes to V, Enter in V changes nothing.
    SetFocus(f.cs(11));
    Settle(f.hwnd);
    Type(f.hwnd, {VK_RETURN});
    Check(GetFocus() == f.cs(12) && WholeTextSelected(f.cs(12)), "Enter in CS(11) selects CS(12)");
    Type(f.hwnd, {VK_RETURN});
    Check(GetFocus() == f.cs(12), "Enter in CS(12) keeps the focus");
    // Enter in the report changes nothing; on the button it calculates.
    const std::wstring report = f.text(form::kText1);
    SetFocus(f.of(form::kText1));
    Settle(f.hwnd);
    Type(f.hwnd, {VK_RETURN, 'X'});
    Check(GetFocus() == f.of(form::kText1), "Enter in Text1 keeps the focus");
    Check(f.text(form::kText1) == report, "Text1 is read-only and Enter adds nothing");
}

// Whether the window's tooltip control has a tip for the control.
bool HasTip(HWND window, HWND control)
{
    const HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    return tooltip && SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CheckCalculateN10(Fixture &f)
{
    g_group = "n=10";
    SetFocus(f.cs(10));
    Settle(f.hwnd);
    Type(f.hwnd, {'1', '0'});
    CheckEqual(f.text(form::CS(10)), std::wstring(L"10"), "typing replaces the selected text");
    Check(f.window.state().resultsStale(), "results stale after an edit");
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(f.hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(f.cs(11)));
    Check(GetTextColor(dc) == win32::kStaleColour, "stale S is grey");
    SendMessageW(f.hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(f.of(form::kText1)));
    Check(GetTextColor(dc) == win32::kStaleColour, "stale report is grey");
    // The button by keyboard: Tab to it from Text1, then Space.
    SetFocus(f.of(form::kText1));
    Settle(f.hwnd);
    Type(f.hwnd, {VK_TAB});
    Check(GetFocus() == f.of(form::kCommand1), "Tab from Text1 to Command1");
    Type(f.hwnd, {VK_SPACE});
    form::FormState model;
    ParameterTexts texts = form::DefaultTexts();
    texts[10] = "10";
    const form::CalculationOutcome expected = model.calculate(texts);
    CheckEqual(f.text(form::CS(11)), std::wstring(L"65.115494 m2"), "S at n = 10");
    CheckEqual(Narrow(f.text(form::CS(12))), expected.writes[1].text, "V at n = 10");
    CheckEqual(Narrow(f.text(form::kText1)), expected.writes[2].text, "report at n = 10");
    Check(!f.window.state().resultsStale(), "results current after the calculation");
    Check(!HasTip(f.hwnd, f.cs(11)), "current results have no tooltip");
    SendMessageW(f.hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(f.cs(11)));
    Check(GetTextColor(dc) != win32::kStaleColour, "current S is not grey");
    DeleteDC(dc);
    // Enter on the button calculates too.
    SetText(f.cs(10), L"20");
    SetFocus(f.of(form::kCommand1));
    Settle(f.hwnd);
    Type(f.hwnd, {VK_RETURN});
    Check(f.text(form::CS(11)) != L"65.115494 m2", "Enter on Command1 calculates");
    Check(GetFocus() == f.of(form::kCommand1), "the button keeps the focus");
}

void CheckTypeAhead(Fixture &f)
{
    g_group = "type-ahead";
    for (int run = 0; run < 5; ++run) {
        SetFocus(f.cs(6));
        Settle(f.hwnd);
        Type(f.hwnd, {VK_TAB, '1', '2', '3'});
        CheckEqual(f.text(form::CS(10)), std::wstring(L"123"), "keys right after Tab, run " + Show(run));
        SetFocus(f.cs(8));
        Settle(f.hwnd);
        Type(f.hwnd, {VK_RETURN, '4', '5'});
        CheckEqual(f.text(form::CS(9)), std::wstring(L"45"), "keys right after Enter, run " + Show(run));
    }
    const ParameterTexts defaults = form::DefaultTexts();
    SetText(f.cs(9), Widen(defaults[9]));
    SetText(f.cs(10), Widen(defaults[10]));
}

void CheckFault(Fixture &f)
{
    g_group = "fault";
    SetText(f.cs(10), L"1000");
    SendMessageW(f.hwnd, WM_COMMAND, MAKEWPARAM(1201, BN_CLICKED), reinterpret_cast<LPARAM>(f.of(form::kCommand1)));
    Settle(f.hwnd);
    const std::wstring s = f.text(form::CS(11));
    const std::wstring v = f.text(form::CS(12));
    const std::wstring report = f.text(form::kText1);
    const std::size_t errorsBefore = f.services.errors.size();
    SetFocus(f.cs(10));
    Settle(f.hwnd);
    Type(f.hwnd, {'0', VK_RETURN});
    CheckEqual(f.services.errors.size(), errorsBefore + 1, "one error box");
    Check(GetFocus() == f.cs(10), "the focus stays in CS(10) after the fault");
    Check(f.text(form::CS(11)) == s && f.text(form::CS(12)) == v && f.text(form::kText1) == report,
          "a fault writes nothing");
    Check(f.window.state().resultsStale(), "old results stay stale after a fault");
    Check(HasTip(f.hwnd, f.cs(11)) && HasTip(f.hwnd, f.of(form::kText1)), "stale results say so in a tooltip");
    SetText(f.cs(10), L"1000");
}

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

void CheckMarks(Fixture &f)
{
    g_group = "marks";
    SetText(f.cs(0), L"2，5");
    SetText(f.cs(3), L"");
    SendMessageW(f.hwnd, WM_COMMAND, MAKEWPARAM(1201, BN_CLICKED), reinterpret_cast<LPARAM>(f.of(form::kCommand1)));
    Settle(f.hwnd);
    Check(f.window.state().marked(0) && f.window.state().marked(3), "L1 and R2 marked");
    Check(!f.window.state().marked(1), "R1 not marked");
    const HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    Check(tooltip != nullptr, "a tooltip window");
    if (tooltip) {
        wchar_t buffer[80] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = f.hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(f.cs(0));
        tool.lpszText = buffer;
        SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        CheckEqual(std::wstring(buffer), std::wstring(L"按 2 计算"), "L1's tooltip");
        Check(HasTip(f.hwnd, f.cs(3)), "R2 has a tooltip");
        Check(!HasTip(f.hwnd, f.cs(1)), "R1 has none");
    }
    CheckEqual(FieldBackground(f.cs(0)), win32::kMarkColour, "L1 in the warning colour");
    Check(FieldBackground(f.cs(1)) != win32::kMarkColour, "R1 not in the warning colour");
    // Editing clears the mark.
    SetFocus(f.cs(0));
    Settle(f.hwnd);
    Type(f.hwnd, {'2'});
    Check(!f.window.state().marked(0), "typing in L1 clears its mark");
    Check(f.window.state().marked(3), "R2 keeps its mark");
    Check(FieldBackground(f.cs(0)) != win32::kMarkColour, "L1 back to its normal colour");
    const ParameterTexts defaults = form::DefaultTexts();
    SetText(f.cs(0), Widen(defaults[0]));
    SetText(f.cs(3), Widen(defaults[3]));
}

void CheckLink(Fixture &f)
{
    g_group = "link";
    const HWND label = f.of(form::kLabel2);
    const std::wstring s = f.text(form::CS(11));
    RECT box;
    GetClientRect(label, &box);
    const LPARAM inside = MAKELPARAM(box.right / 2, box.bottom / 2);
    const LPARAM outside = MAKELPARAM(box.right / 2, box.bottom + 40);
    const std::size_t opened = f.services.openedUrls.size();
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    Check(f.window.linkBold(), "bold while the button is held");
    SendMessageW(label, WM_LBUTTONUP, 0, inside);
    Check(!f.window.linkBold(), "normal again after the release");
    CheckEqual(f.services.openedUrls.size(), opened + 1, "the page opened once");
    if (f.services.openedUrls.size() == opened + 1)
        CheckEqual(f.services.openedUrls.back(), std::string(form::kPromoPageAddress), "the address");
    // Right button acts alike; a release outside withdraws the press.
    SendMessageW(label, WM_RBUTTONDOWN, MK_RBUTTON, inside);
    SendMessageW(label, WM_RBUTTONUP, 0, inside);
    CheckEqual(f.services.openedUrls.size(), opened + 2, "the right button opens it too");
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    SendMessageW(label, WM_LBUTTONUP, 0, outside);
    CheckEqual(f.services.openedUrls.size(), opened + 2, "a release outside opens nothing");
    Check(!f.window.linkBold(), "normal after a release outside");
    // A launcher that cannot start: one error box that names the page.
    f.services.launcherWorks = false;
    const std::size_t errors = f.services.errors.size();
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    SendMessageW(label, WM_LBUTTONUP, 0, inside);
    CheckEqual(f.services.errors.size(), errors + 1, "a failed launch is reported");
    if (f.services.errors.size() == errors + 1)
        Check(f.services.errors.back().find(form::kPromoPageAddress) != std::string::npos, "the report names the page");
    f.services.launcherWorks = true;
    Check(f.text(form::CS(11)) == s, "the link leaves the results alone");
    Check(GetFocus() != label, "Label2 never takes the focus");
    // Its colour: pure red.
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(f.hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    CheckEqual(GetTextColor(dc), RGB(255, 0, 0), "Label2 is red");
    DeleteDC(dc);
}

// The calculation sheet by Ctrl+S through the fake save dialog, and the
// results through the fake clipboard.
void CheckSheet(Fixture &f)
{
    g_group = "sheet";
    const ParameterTexts defaults = form::DefaultTexts();
    for (int i = 0; i < form::kInputCount; ++i)
        SetText(f.cs(i), Widen(defaults[static_cast<std::size_t>(i)]));
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"计算书-窗口测试.html";
    DeleteFileW(path.c_str());
    f.services.savePath = Narrow(path);
    const std::size_t opened = f.services.openedUrls.size();
    const std::size_t errors = f.services.errors.size();
    SetFocus(f.cs(3));
    Settle(f.hwnd);
    std::vector<INPUT> chord(4);
    for (INPUT &input : chord)
        input.type = INPUT_KEYBOARD;
    chord[0].ki.wVk = VK_CONTROL;
    chord[1].ki.wVk = 'S';
    chord[2].ki.wVk = 'S';
    chord[2].ki.dwFlags = KEYEVENTF_KEYUP;
    chord[3].ki.wVk = VK_CONTROL;
    chord[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, chord.data(), sizeof(INPUT));
    Settle(f.hwnd);
    CheckEqual(f.services.saveRequests.size(), std::size_t{1}, "Ctrl+S asks where to save");
    if (!f.services.saveRequests.empty())
        CheckEqual(f.services.saveRequests.back().extension, std::string("html"), "an HTML sheet");
    std::ifstream saved(path.c_str(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    Check(content.find("<html") != std::string::npos && content.find("64.190447") != std::string::npos,
          "the sheet is written with the default pier's S");
    CheckEqual(f.services.openedUrls.size(), opened + 1, "the saved sheet is opened");
    if (f.services.openedUrls.size() == opened + 1)
        CheckEqual(f.services.openedUrls.back(), Narrow(path), "the saved sheet's path");
    CheckEqual(f.services.errors.size(), errors, "no error box");
    CheckEqual(f.text(form::CS(3)), Widen(defaults[3]), "the field keeps its text");
    saved.close();
    DeleteFileW(path.c_str());
    // Cancelled: nothing written, nothing opened.
    f.services.savePath.reset();
    SendMessageW(f.hwnd, WM_COMMAND, win32::kSaveSheetCommand, 0);
    Check(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES, "a cancelled save writes nothing");
    CheckEqual(f.services.openedUrls.size(), opened + 1, "a cancelled save opens nothing");
    // The results on the clipboard, as the sheet library words them.
    SendMessageW(f.hwnd, WM_COMMAND, win32::kCopyResultsCommand, 0);
    Check(!f.services.clipboardTexts.empty() &&
              f.services.clipboardTexts.back() == sheet::ResultSummaryFromTexts(defaults).value(),
          "the results go to the clipboard");
}

// Picture1's drawing against the PNG it was made from, pixel for pixel.
void CheckPicture(Fixture &f)
{
    g_group = "picture";
    const int dpi = f.window.dpi();
    const int id = dpi == 144 ? PIERQTY_IDR_PIER_150 : dpi == 192 ? PIERQTY_IDR_PIER_200 : PIERQTY_IDR_PIER_100;
    if (dpi != 96 && dpi != 144 && dpi != 192) {
        std::printf("note: no drawing at %d dpi to compare with\n", dpi);
        return;
    }
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    Check(found != nullptr, "the drawing is embedded");
    if (!found)
        return;
    IStream *stream = SHCreateMemStream(static_cast<const BYTE *>(LockResource(LoadResource(module, found))),
                                        static_cast<UINT>(SizeofResource(module, found)));
    Gdiplus::Bitmap *png = Gdiplus::Bitmap::FromStream(stream);
    stream->Release();
    const int width = static_cast<int>(png->GetWidth());
    const int height = static_cast<int>(png->GetHeight());

    const HWND picture = f.of(form::kPicture1);
    RedrawWindow(picture, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const int border = form::TwipsToPixels(form::kPictureBorderTwips, dpi);
    RECT client;
    GetClientRect(f.hwnd, &client);
    const RECT box = ClientBox(picture);
    // What the client area shows of the drawing: its right edge is the
    // client's, and its bottom lines lie below the client area.
    const int shownWidth = width;
    const int shownHeight = client.bottom - (box.top + border);
    HDC screen = GetDC(picture);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP grab = CreateCompatibleBitmap(screen, shownWidth, shownHeight);
    HGDIOBJ old = SelectObject(memory, grab);
    BitBlt(memory, 0, 0, shownWidth, shownHeight, screen, border, border, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shownWidth;
    info.bmiHeader.biHeight = -shownHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<std::size_t>(shownWidth) * static_cast<std::size_t>(shownHeight));
    GetDIBits(memory, grab, 0, static_cast<UINT>(shownHeight), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(grab);
    DeleteDC(memory);
    ReleaseDC(picture, screen);

    Check(box.left + border + width == client.right, "the drawing ends at the client's right edge");
    int differing = 0;
    for (int y = 0; y < shownHeight && y < height; ++y) {
        for (int x = 0; x < shownWidth; ++x) {
            Gdiplus::Color colour;
            png->GetPixel(x, y, &colour);
            const DWORD expected =
                (static_cast<DWORD>(colour.GetR()) << 16) | (static_cast<DWORD>(colour.GetG()) << 8) | colour.GetB();
            if ((pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(shownWidth) +
                        static_cast<std::size_t>(x)] &
                 0xFFFFFF) != expected)
                ++differing;
        }
    }
    CheckEqual(differing, 0, "pixels differing from the PNG");
    delete png;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    int requiredDpi = 0;
    for (int k = 1; k + 1 < argc; ++k)
        if (std::wcscmp(argv[k], L"--dpi") == 0)
            requiredDpi = static_cast<int>(std::wcstol(argv[k + 1], nullptr, 10));

    win32::GdiplusSession gdiplus;
    Fixture f;
    if (!f.window.create(SW_SHOW)) {
        std::printf("FAIL the window could not be created\n");
        return 1;
    }
    f.hwnd = f.window.hwnd();
    SetForegroundWindow(f.hwnd);
    // The first focus comes with the first activation.
    for (int wait = 0; wait < 200 && GetFocus() != f.cs(0); ++wait) {
        Settle(f.hwnd);
    }
    Settle(f.hwnd);

    if (requiredDpi)
        CheckEqual(f.window.dpi(), requiredDpi, "the system dpi");
    CheckGeometry(f);
    CheckStart(f);
    CheckPicture(f);
    CheckTabCycle(f);
    CheckEnterWalk(f);
    CheckCalculateN10(f);
    CheckTypeAhead(f);
    CheckFault(f);
    CheckMarks(f);
    CheckLink(f);
    CheckSheet(f);

    std::printf("%d checks at %d dpi, %d failed\n", g_checks, f.window.dpi(), g_failures);
    DestroyWindow(f.hwnd);
    return g_failures == 0 ? 0 : 1;
}
