#include "ui/win32/hdun_win32.h"

#include "ui/win32/desktop_win32.h"
#include "ui/win32/resources.h"
#include "ui/win32/title_dialog_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <stdexcept>

namespace pierqty::win32 {

namespace {

using form::ControlRef;
using form::Name;

constexpr wchar_t kWindowClass[] = L"PierqtyHdun";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;

// Control identifiers, the first plus the control's place in the form's
// table; IDOK and IDCANCEL stay free for the dialog manager.
constexpr int kFirstControlId = 1000;

int IdOf(ControlRef ref)
{
    return kFirstControlId + static_cast<int>(form::Slot(ref));
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return text;
}

} // namespace

HdunWindow::HdunWindow(DesktopServices &services) : m_services(services), m_controls(form::Controls().size()) { }

HdunWindow::~HdunWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    destroyFonts();
    for (HBRUSH brush : {m_markBrush, m_roseBrush})
        if (brush)
            DeleteObject(brush);
}

bool HdunWindow::create(int showCommand)
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    RegisterWindowClass(kWindowClass, WindowProc);
    m_markBrush = CreateSolidBrush(kMarkColour);
    m_roseBrush = CreateSolidBrush(ToColorRef(form::kUnbuildableBackground));
    m_picture = std::make_unique<PierPicture>();
    m_hwnd = CreateWindowExW(kWindowExStyle, kWindowClass, Widen(form::kWindowTitle).c_str(), kWindowStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!m_hwnd)
        return false;
    m_dpi = static_cast<int>(GetDpiForWindow(m_hwnd));
    if (m_dpi <= 0)
        m_dpi = 96;
    createFonts();
    createControls();
    layout();
    m_controller.Form_Load();
    placeCentred();
    ShowWindow(m_hwnd, showCommand);
    UpdateWindow(m_hwnd);
    SetFocus(control(form::CS(0)));
    return true;
}

// The client area exactly as designed, centred in the work area.
void HdunWindow::placeCentred()
{
    const form::Rect client = form::ToPixels({0, 0, form::kClientWidthTwips, form::kClientHeightTwips}, m_dpi);
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, kWindowExStyle, static_cast<UINT>(m_dpi));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT work = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(m_hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HdunWindow::createFonts()
{
    destroyFonts();
    m_windowFont = SongFont(form::kWindowFont, m_dpi);
    m_buttonFont = SongFont(form::Find(form::kCommand1).font, m_dpi);
    m_linkFont = SongFont(form::Find(form::kLabel2).font, m_dpi);
    m_linkBoldFont = SongFont(form::Find(form::kLabel2).font, m_dpi, true);
}

void HdunWindow::destroyFonts()
{
    for (HFONT *font : {&m_windowFont, &m_buttonFont, &m_linkFont, &m_linkBoldFont}) {
        if (*font)
            DeleteObject(*font);
        *font = nullptr;
    }
}

HWND HdunWindow::make(const form::Control &c, const wchar_t *windowClass, DWORD style, DWORD exStyle)
{
    void *const parameter = c.ref == form::kPicture1 ? m_picture.get() : nullptr;
    HWND child = CreateWindowExW(
        exStyle, windowClass, Widen(c.text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 1, 1,
        m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(c.ref))), GetModuleHandleW(nullptr), parameter);
    if (!child)
        throw std::runtime_error("cannot create a control");
    m_controls[form::Slot(c.ref)] = child;
    return child;
}

void HdunWindow::createControls()
{
    // Creation order is the Z-order and the dialog manager's tab order: the
    // focusable controls first, in the order of the Tab key, so that each
    // field also lies above the part of its caption that reaches under it.
    for (const ControlRef ref : form::TabOrder())
        createFocusable(form::Find(ref));
    for (const form::Control &c : form::Controls())
        if (!c.takesFocus)
            createStatic(c);
    m_tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
}

void HdunWindow::createFocusable(const form::Control &c)
{
    const auto self = reinterpret_cast<DWORD_PTR>(this);
    switch (c.ref.name) {
    case Name::CS: {
        const DWORD readOnly = c.readOnly ? ES_READONLY : 0;
        HWND field = make(c, WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT | readOnly, WS_EX_CLIENTEDGE);
        SendMessageW(field, EM_SETLIMITTEXT, 0, 0); // no practical limit
        SetWindowSubclass(field, FieldProc, static_cast<UINT_PTR>(c.ref.index), self);
        break;
    }
    case Name::Text1: {
        // The hint's line breaks are CR LF already.
        HWND report =
            make(c, WC_EDITW, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, WS_EX_CLIENTEDGE);
        SendMessageW(report, EM_SETLIMITTEXT, 0, 0);
        SetWindowTextW(report, Widen(c.text).c_str());
        SetWindowSubclass(report, ReportProc, 0, self);
        break;
    }
    case Name::Command1:
        make(c, WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0);
        break;
    default: // Picture1
        make(c, PierPicture::windowClass(), WS_TABSTOP, 0);
        break;
    }
}

void HdunWindow::createStatic(const form::Control &c)
{
    if (c.ref.name == Name::Label1) {
        make(c, WC_STATICW, SS_LEFT | SS_CENTERIMAGE, 0);
    } else if (c.ref == form::kLabel2) {
        SetWindowSubclass(make(c, WC_STATICW, SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY, 0), LinkProc, 0,
                          reinterpret_cast<DWORD_PTR>(this));
    } else { // Line1
        make(c, WC_STATICW, SS_OWNERDRAW, 0);
    }
}

void HdunWindow::layout()
{
    m_picture->setDpi(m_dpi);
    for (const form::Control &c : form::Controls()) {
        HWND child = control(c.ref);
        if (!child)
            continue;
        const form::Rect box = form::ToPixels(c.twips, m_dpi);
        SetWindowPos(child, nullptr, box.left, box.top, box.width, box.height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        HFONT font = m_windowFont;
        if (c.ref == form::kCommand1)
            font = m_buttonFont;
        else if (c.ref == form::kLabel2)
            font = m_linkBold ? m_linkBoldFont : m_linkFont;
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (m_tooltip)
        SendMessageW(m_tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(m_windowFont), FALSE);
    InvalidateRect(m_hwnd, nullptr, TRUE);
}

HWND HdunWindow::control(ControlRef ref) const
{
    try {
        return m_controls[form::Slot(ref)];
    } catch (const std::out_of_range &) {
        return nullptr;
    }
}

std::optional<ControlRef> HdunWindow::refOf(HWND child) const
{
    for (std::size_t k = 0; k < m_controls.size(); ++k)
        if (child && m_controls[k] == child)
            return form::Controls()[k].ref;
    return std::nullopt;
}

std::wstring HdunWindow::text(ControlRef ref) const
{
    HWND child = control(ref);
    return child ? WindowText(child) : std::wstring();
}

void HdunWindow::setControlText(ControlRef ref, const std::string &text)
{
    if (!SetWindowTextW(control(ref), Widen(text).c_str()))
        throw std::runtime_error("cannot set the text of " + std::string(form::NameText(ref.name)));
}

void HdunWindow::showReportMenu(POINT at)
{
    // The edit's own commands for its text, then the window's.
    constexpr UINT kCopy = 1;
    constexpr UINT kSelectAll = 2;
    HWND report = control(form::kText1);
    HMENU menu = CreatePopupMenu();
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(report, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    AppendMenuW(menu, MF_STRING | (start == end ? MF_GRAYED : 0), kCopy, L"复制(&C)");
    AppendMenuW(menu, MF_STRING, kSelectAll, L"全选(&A)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::wstring save = Widen(form::kSaveSheetCaption) + L"\t" + Widen(form::kSaveSheetShortcut);
    AppendMenuW(menu, MF_STRING, kSaveSheetCommand, save.c_str());
    AppendMenuW(menu, MF_STRING, kExportWorkbookCommand, Widen(form::kExportWorkbookCaption).c_str());
    AppendMenuW(menu, MF_STRING, kCopyResultsCommand, Widen(form::kCopyResultsCaption).c_str());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::wstring add = Widen(form::kAddToBridgeCaption) + L"\t" + Widen(form::kAddToBridgeShortcut);
    AppendMenuW(menu, MF_STRING, kAddToBridgeCommand, add.c_str());
    if (at.x == -1 && at.y == -1) { // from the keyboard: at the report's corner
        RECT box;
        GetWindowRect(report, &box);
        at = {box.left + 8, box.top + 8};
    }
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, m_hwnd, nullptr));
    DestroyMenu(menu);
    if (chosen == kCopy)
        SendMessageW(report, WM_COPY, 0, 0);
    else if (chosen == kSelectAll)
        SendMessageW(report, EM_SETSEL, 0, -1);
    else if (chosen != 0)
        SendMessageW(m_hwnd, WM_COMMAND, chosen, 0);
}

// Adds, updates (shown) or removes (text null) the tooltip of a control.
void HdunWindow::setTip(HWND control, const std::wstring *text, bool shown)
{
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text ? const_cast<wchar_t *>(text->c_str()) : nullptr;
    const UINT message = !text ? TTM_DELTOOLW : shown ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW;
    SendMessageW(m_tooltip, message, 0, reinterpret_cast<LPARAM>(&tool));
}

void HdunWindow::CS_GotFocus(int index)
{
    m_controller.run([&] {
        HWND field = control(form::CS(index));
        SendMessageW(field, EM_SETSEL, 0, -1);
        // A click that gave the focus places the caret after this handler
        // and would undo the selection: select again once the click is
        // handled, but only if nothing was typed in between. Keys typed
        // right after Tab or Enter never meet this second select.
        const bool byMouse = (GetKeyState(VK_LBUTTON) | GetKeyState(VK_RBUTTON) | GetKeyState(VK_MBUTTON)) < 0;
        if (byMouse) {
            m_pending[static_cast<std::size_t>(index)] = WindowText(field);
            PostMessageW(m_hwnd, kSelectAfterClick, static_cast<WPARAM>(index), 0);
        }
    });
}

void HdunWindow::setLinkBold(bool bold)
{
    m_linkBold = bold;
    SendMessageW(control(form::kLabel2), WM_SETFONT, reinterpret_cast<WPARAM>(bold ? m_linkBoldFont : m_linkFont),
                 TRUE);
}

LRESULT CALLBACK HdunWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<HdunWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<HdunWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT HdunWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case kSelectAfterClick:
        onSelectAfterClick(static_cast<int>(wParam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (const LRESULT brush =
                onControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return brush;
        break;
    case WM_DRAWITEM: {
        const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (static_cast<int>(item->CtlID) != IdOf(form::kLine1))
            break;
        FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOWTEXT));
        return TRUE;
    }
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        m_hwnd = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

void HdunWindow::onCommand(int id, int code)
{
    if (id == IdOf(form::kCommand1) && code == BN_CLICKED)
        m_controller.calculate();
    else if (id == kSaveSheetCommand)
        m_controller.saveSheet();
    else if (id == kCopyResultsCommand)
        m_controller.copyResults();
    else if (id == kExportWorkbookCommand)
        m_controller.exportWorkbook();
    else if (id == kAddToBridgeCommand)
        m_controller.addToBridge();
    else if (id == IDOK && GetFocus() == control(form::kCommand1))
        // Enter outside the fields: the dialog manager's default action.
        // Only the button acts on it; Enter in Text1 changes nothing.
        m_controller.calculate();
    const auto slot = static_cast<std::size_t>(id - kFirstControlId);
    if (id < kFirstControlId || slot >= m_controls.size() || form::Controls()[slot].ref.name != Name::CS)
        return;
    const int index = form::Controls()[slot].ref.index;
    if (code == EN_SETFOCUS)
        CS_GotFocus(index);
    else if (code == EN_CHANGE)
        m_controller.CS_Change(index);
}

void HdunWindow::onSelectAfterClick(int index)
{
    HWND field = control(form::CS(index));
    if (field && GetFocus() == field && WindowText(field) == m_pending[static_cast<std::size_t>(index)])
        SendMessageW(field, EM_SETSEL, 0, -1);
}

// Keeps the focus where it was across an error box or a switch to another
// program; the first activation puts it on CS(0).
void HdunWindow::onActivate(bool active)
{
    if (!active) {
        m_lastFocus = GetFocus();
        return;
    }
    HWND target = m_lastFocus && IsChild(m_hwnd, m_lastFocus) ? m_lastFocus : control(form::CS(0));
    if (target)
        SetFocus(target);
}

void HdunWindow::onDpiChanged(int dpi, const RECT &suggested)
{
    m_dpi = dpi;
    createFonts();
    layout();
    SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK HdunWindow::FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data)
{
    auto *self = reinterpret_cast<HdunWindow *>(data);
    const int index = static_cast<int>(id);
    switch (message) {
    case WM_GETDLGCODE:
        // Enter belongs to the field, not to the dialog manager (which would
        // send IDOK): KeyPress sees it.
        if (wParam == VK_RETURN)
            return DefSubclassProc(hwnd, message, wParam, lParam) | DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            int keyAscii = 13;
            self->m_controller.CS_KeyPress(index, keyAscii);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r')
            return 0; // acted on at WM_KEYDOWN; the edit would beep
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, FieldProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK HdunWindow::ReportProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data)
{
    if (message == WM_GETDLGCODE) {
        // A multi-line edit wants every key; this one is read-only and lets
        // Tab, Enter and Escape go to the dialog manager.
        const LRESULT code = DefSubclassProc(hwnd, message, wParam, lParam);
        return code & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
    }
    if (message == WM_CONTEXTMENU) {
        reinterpret_cast<HdunWindow *>(data)->showReportMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, ReportProc, id);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK HdunWindow::LinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, LinkProc, id);
    if (const LRESULT handled = reinterpret_cast<HdunWindow *>(data)->onLinkMouse(hwnd, message, lParam))
        return handled - 1;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Label2 takes any button: bold while held, opens the page when released
// over it. Returns 1 + the result for a message it handled, else 0.
LRESULT HdunWindow::onLinkMouse(HWND link, UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(link);
        m_linkPressed = true;
        setLinkBold(true);
        return 1;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        if (!m_linkPressed)
            return 1;
        m_linkPressed = false;
        ReleaseCapture();
        setLinkBold(false);
        RECT box;
        GetClientRect(link, &box);
        // Released elsewhere: the press is withdrawn.
        if (PtInRect(&box, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
            m_controller.Label2_Click();
        return 1;
    }
    case WM_CAPTURECHANGED:
        if (m_linkPressed && reinterpret_cast<HWND>(lParam) != link) {
            m_linkPressed = false;
            setLinkBold(false);
        }
        return 0;
    default:
        return 0;
    }
}

std::optional<std::string> HdunWindow::askPierId(const std::string &suggested)
{
    if (askPierIdHook)
        return askPierIdHook(suggested);
    return AskLine(m_hwnd, form::kAddToBridgeCaption, "墩号：", suggested);
}

void DispatchWindowMessage(HWND window, MSG &message)
{
    // Ctrl+S saves the calculation sheet and Ctrl+B adds the pier to the
    // bridge, from anywhere in the window (the report menu's keys).
    const bool ctrl = message.message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0;
    if (window && ctrl && (message.wParam == 'S' || message.wParam == 'B') &&
        (message.hwnd == window || IsChild(window, message.hwnd))) {
        SendMessageW(window, WM_COMMAND, message.wParam == 'S' ? kSaveSheetCommand : kAddToBridgeCommand, 0);
        return;
    }
    if (window && IsDialogMessageW(window, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

HFONT SongFont(const form::FontSpec &spec, int dpi, bool bold)
{
    return CreateFontW(-MulDiv(spec.pixelsAt96, dpi, 96), 0, 0, 0, bold ? FW_BOLD : spec.weight, FALSE,
                       spec.underline ? TRUE : FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       spec.pixelsAt96 <= 12 ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       Widen(form::kSongFaceLatin).c_str());
}

void RegisterWindowClass(const wchar_t *name, WNDPROC windowProc)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(PIERQTY_IDI_APP));
    if (!wc.hIcon)
        wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

int RunMessageLoop(HWND window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchWindowMessage(window, message);
    return static_cast<int>(message.wParam);
}

} // namespace pierqty::win32
