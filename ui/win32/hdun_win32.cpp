#include "ui/win32/hdun_win32.h"

#include "platform/desktop_win32.h"
#include "ui/form/report_actions.h"
#include "ui/win32/resources.h"

#include <commctrl.h>
#include <objidl.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <gdiplus.h>

#include <stdexcept>
#include <utility>

namespace pierqty::win32 {

namespace {

using form::ControlRef;
using form::Name;

constexpr wchar_t kWindowClass[] = L"PierqtyHdun";
constexpr wchar_t kPictureClass[] = L"PierqtyPicture";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;

// Control identifiers; IDOK and IDCANCEL stay free for the dialog manager.
constexpr int kFieldId = 1000; // + index
constexpr int kLabelId = 1100; // + index
constexpr int kLine1Id = 1200;
constexpr int kCommand1Id = 1201;
constexpr int kText1Id = 1202;
constexpr int kLabel2Id = 1203;
constexpr int kPicture1Id = 1204;

int IdOf(ControlRef ref)
{
    switch (ref.name) {
    case Name::CS:
        return kFieldId + ref.index;
    case Name::Label1:
        return kLabelId + ref.index;
    case Name::Line1:
        return kLine1Id;
    case Name::Command1:
        return kCommand1Id;
    case Name::Text1:
        return kText1Id;
    case Name::Label2:
        return kLabel2Id;
    case Name::Picture1:
        return kPicture1Id;
    }
    return 0;
}

std::wstring WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return text;
}

HFONT SongFont(const form::FontSpec &spec, int dpi, bool bold = false)
{
    return CreateFontW(-MulDiv(spec.pixelsAt96, dpi, 96), 0, 0, 0, bold ? FW_BOLD : spec.weight, FALSE,
                       spec.underline ? TRUE : FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       spec.pixelsAt96 <= 12 ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       Widen(form::kSongFaceLatin).c_str());
}

} // namespace

// The pier drawing at its three resolutions. Each is decoded the first time
// it is drawn: at start only the one the dpi needs (decoding is most of the
// time to the first paint).
struct HdunWindow::Drawing {
    struct Image {
        int resource = 0;
        int width = 0; // the size rsvg-convert gives at the zoom of this image
        int height = 0;
        bool tried = false;
        Gdiplus::Bitmap *bitmap = nullptr;
        HBITMAP gdi = nullptr;
    };
    std::array<Image, 3> images{};

    Drawing()
    {
        // 462 x 528 at 96 dpi: 100 %, 150 % and 200 %.
        const form::Rect base = form::ToPixels({0, 0, 6930, 7920}, 96);
        const int ids[3] = {PIERQTY_IDR_PIER_100, PIERQTY_IDR_PIER_150, PIERQTY_IDR_PIER_200};
        for (std::size_t k = 0; k < images.size(); ++k) {
            images[k].resource = ids[k];
            images[k].width = base.width * static_cast<int>(k + 2) / 2;
            images[k].height = base.height * static_cast<int>(k + 2) / 2;
        }
    }
    ~Drawing()
    {
        for (Image &image : images) {
            if (image.gdi)
                DeleteObject(image.gdi);
            delete image.bitmap;
        }
    }
    Drawing(const Drawing &) = delete;
    Drawing &operator=(const Drawing &) = delete;

    static void decode(Image &image)
    {
        image.tried = true;
        HMODULE module = GetModuleHandleW(nullptr);
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(image.resource), MAKEINTRESOURCEW(10)); // RT_RCDATA
        if (!found)
            return;
        const auto *bytes = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
        IStream *stream = SHCreateMemStream(bytes, static_cast<UINT>(SizeofResource(module, found)));
        if (!stream)
            return;
        Gdiplus::Bitmap *bitmap = Gdiplus::Bitmap::FromStream(stream);
        stream->Release();
        if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) {
            delete bitmap;
            return;
        }
        image.bitmap = bitmap;
        image.width = static_cast<int>(bitmap->GetWidth());
        image.height = static_cast<int>(bitmap->GetHeight());
        bitmap->GetHBITMAP(Gdiplus::Color(0, 0, 0), &image.gdi);
    }

    // The image that fits a destination: the exact size if there is one,
    // else the smallest that is larger, else the largest; decoded.
    const Image *fit(int width, int height)
    {
        Image *best = nullptr;
        for (Image &image : images) {
            if (image.width == width && image.height == height) {
                best = &image;
                break;
            }
            if (image.width >= width && image.height >= height && (!best || image.width < best->width))
                best = &image;
        }
        if (!best)
            best = &images.back();
        if (!best->tried)
            decode(*best);
        return best->bitmap ? best : nullptr;
    }
};

GdiplusSession::GdiplusSession()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
}

GdiplusSession::~GdiplusSession()
{
    if (m_token)
        Gdiplus::GdiplusShutdown(m_token);
}

HdunWindow::HdunWindow(DesktopServices &services) : m_services(services) { }

HdunWindow::~HdunWindow()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    destroyFonts();
    if (m_markBrush)
        DeleteObject(m_markBrush);
}

template<class Body>
bool HdunWindow::runHandler(Body &&body)
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception &error) {
        m_services.reportError(std::string(form::kRuntimeErrorPrefix) + error.what());
        return false;
    }
}

bool HdunWindow::create(int showCommand)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(PIERQTY_IDI_APP));
    if (!wc.hIcon)
        wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);

    WNDCLASSEXW pc{};
    pc.cbSize = sizeof pc;
    pc.lpfnWndProc = PictureProc;
    pc.hInstance = instance;
    pc.hCursor = wc.hCursor;
    pc.lpszClassName = kPictureClass;
    RegisterClassExW(&pc);

    m_markBrush = CreateSolidBrush(kMarkColour);
    m_drawing = std::make_unique<Drawing>();

    m_hwnd = CreateWindowExW(kWindowExStyle, kWindowClass, Widen(form::kWindowTitle).c_str(), kWindowStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
    if (!m_hwnd)
        return false;
    m_dpi = static_cast<int>(GetDpiForWindow(m_hwnd));
    if (m_dpi <= 0)
        m_dpi = 96;
    createFonts();
    createControls();
    layout();
    Form_Load();

    // Client area exactly as designed, centred in the work area.
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

    ShowWindow(m_hwnd, showCommand);
    UpdateWindow(m_hwnd);
    SetFocus(m_cs[0]);
    return true;
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

void HdunWindow::createControls()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto make = [&](const form::Control &c, const wchar_t *cls, DWORD style, DWORD exStyle) {
        HWND child =
            CreateWindowExW(exStyle, cls, Widen(c.text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0,
                            1, 1, m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(c.ref))), instance, this);
        if (!child)
            throw std::runtime_error("cannot create a control");
        return child;
    };
    // Creation order is the Z-order and the dialog manager's tab order: the
    // focusable controls first, in the order of the Tab key, so that each
    // field also lies above the part of its caption that reaches under it.
    for (const ControlRef ref : form::TabOrder()) {
        const form::Control &c = form::Find(ref);
        switch (ref.name) {
        case Name::CS: {
            const DWORD readOnly = c.readOnly ? ES_READONLY : 0;
            HWND field = make(c, WC_EDITW, WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT | readOnly, WS_EX_CLIENTEDGE);
            SendMessageW(field, EM_SETLIMITTEXT, 0, 0); // no practical limit
            SetWindowSubclass(field, FieldProc, static_cast<UINT_PTR>(ref.index), reinterpret_cast<DWORD_PTR>(this));
            m_cs[static_cast<std::size_t>(ref.index)] = field;
            break;
        }
        case Name::Text1:
            m_text1 = make(c, WC_EDITW, WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                           WS_EX_CLIENTEDGE);
            SendMessageW(m_text1, EM_SETLIMITTEXT, 0, 0);
            {
                // Line breaks of the hint are CR LF already.
                SetWindowTextW(m_text1, Widen(c.text).c_str());
            }
            SetWindowSubclass(m_text1, ReportProc, 0, reinterpret_cast<DWORD_PTR>(this));
            break;
        case Name::Command1:
            m_command1 = make(c, WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0);
            break;
        case Name::Picture1:
            m_picture1 = make(c, kPictureClass, WS_TABSTOP, 0);
            break;
        default:
            break;
        }
    }
    for (const form::Control &c : form::Controls()) {
        switch (c.ref.name) {
        case Name::Label1:
            m_label1[static_cast<std::size_t>(c.ref.index)] = make(c, WC_STATICW, SS_LEFT | SS_CENTERIMAGE, 0);
            break;
        case Name::Label2:
            m_label2 = make(c, WC_STATICW, SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY, 0);
            SetWindowSubclass(m_label2, LinkProc, 0, reinterpret_cast<DWORD_PTR>(this));
            break;
        case Name::Line1:
            m_line1 = make(c, WC_STATICW, SS_OWNERDRAW, 0);
            break;
        default:
            break;
        }
    }

    m_tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, instance, nullptr);
}

void HdunWindow::layout()
{
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
    const auto element = [&](const std::array<HWND, form::kFieldCount> &array) -> HWND {
        if (ref.index < 0 || ref.index >= form::kFieldCount)
            return nullptr;
        return array[static_cast<std::size_t>(ref.index)];
    };
    switch (ref.name) {
    case Name::CS:
        return element(m_cs);
    case Name::Label1:
        return element(m_label1);
    case Name::Line1:
        return m_line1;
    case Name::Command1:
        return m_command1;
    case Name::Text1:
        return m_text1;
    case Name::Label2:
        return m_label2;
    case Name::Picture1:
        return m_picture1;
    }
    return nullptr;
}

std::optional<ControlRef> HdunWindow::refOf(HWND child) const
{
    for (const form::Control &c : form::Controls())
        if (child && control(c.ref) == child)
            return c.ref;
    return std::nullopt;
}

std::wstring HdunWindow::text(ControlRef ref) const
{
    HWND child = control(ref);
    return child ? WindowText(child) : std::wstring();
}

void HdunWindow::Form_Load()
{
    runHandler([this] {
        const ParameterTexts texts = form::DefaultTexts();
        for (int i = 0; i < form::kInputCount; ++i)
            if (!SetWindowTextW(control(form::CS(i)), Widen(texts.at(static_cast<std::size_t>(i))).c_str()))
                throw std::runtime_error("cannot set the text of CS(" + std::to_string(i) + ")");
    });
}

ParameterTexts HdunWindow::inputTexts() const
{
    ParameterTexts texts;
    for (int i = 0; i < form::kInputCount; ++i)
        texts[static_cast<std::size_t>(i)] = Narrow(WindowText(control(form::CS(i))));
    return texts;
}

bool HdunWindow::saveSheetCommand()
{
    // The sheet shows what the screen shows: the same texts, calculated anew.
    if (!calculateCommand())
        return false;
    bool saved = false;
    runHandler([&] {
        saved = form::SaveSheet(m_services, inputTexts(), [](const std::string &path) {
            return path; // the shell opens a saved file with the program that shows HTML
        });
    });
    return saved;
}

bool HdunWindow::copyResultsCommand()
{
    // The figures copied are those now on the screen.
    if (!calculateCommand())
        return false;
    bool copied = false;
    runHandler([&] { copied = form::CopyResults(m_services, inputTexts()); });
    return copied;
}

void HdunWindow::showReportMenu(POINT at)
{
    // The edit's own commands for its text, then the window's.
    constexpr UINT kCopy = 1;
    constexpr UINT kSelectAll = 2;
    HMENU menu = CreatePopupMenu();
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(m_text1, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    AppendMenuW(menu, MF_STRING | (start == end ? MF_GRAYED : 0), kCopy, L"复制(&C)");
    AppendMenuW(menu, MF_STRING, kSelectAll, L"全选(&A)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kSaveSheetCommand, L"保存计算书…\tCtrl+S");
    AppendMenuW(menu, MF_STRING, kCopyResultsCommand, L"复制结果");
    if (at.x == -1 && at.y == -1) { // from the keyboard: at the report's corner
        RECT box;
        GetWindowRect(m_text1, &box);
        at = {box.left + 8, box.top + 8};
    }
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, m_hwnd, nullptr));
    DestroyMenu(menu);
    if (chosen == kCopy)
        SendMessageW(m_text1, WM_COPY, 0, 0);
    else if (chosen == kSelectAll)
        SendMessageW(m_text1, EM_SETSEL, 0, -1);
    else if (chosen != 0)
        SendMessageW(m_hwnd, WM_COMMAND, chosen, 0);
}

bool HdunWindow::calculateCommand()
{
    bool succeeded = false;
    runHandler([&] {
        const ParameterTexts texts = inputTexts();
        const form::CalculationOutcome outcome = m_state.calculate(texts);
        showMarks();
        showStale();
        if (!outcome.succeeded) {
            m_services.reportError(outcome.errorMessage);
            return;
        }
        for (const form::TextWrite &write : outcome.writes)
            SetWindowTextW(control(write.target), Widen(write.text).c_str());
        succeeded = true;
    });
    return succeeded;
}

void HdunWindow::fieldEdited(int index)
{
    const bool wasMarked = m_state.marked(index);
    const bool wasStale = m_state.resultsStale();
    m_state.fieldEdited(index);
    if (wasMarked != m_state.marked(index))
        showMarks();
    if (wasStale != m_state.resultsStale())
        showStale();
}

void HdunWindow::showMarks()
{
    for (int i = 0; i < form::kInputCount; ++i) {
        HWND field = m_cs[static_cast<std::size_t>(i)];
        const auto &mark = m_state.mark(i);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(field);
        bool &shown = m_tipShown[static_cast<std::size_t>(i)];
        if (mark) {
            std::wstring tip = Widen(*mark);
            tool.lpszText = tip.data();
            SendMessageW(m_tooltip, shown ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            shown = true;
        } else if (shown) {
            SendMessageW(m_tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            shown = false;
        }
        InvalidateRect(field, nullptr, TRUE);
    }
}

void HdunWindow::showStale()
{
    const bool stale = m_state.resultsStale();
    std::wstring tip = Widen(form::kStaleToolTip);
    for (HWND result : {m_cs[form::kAreaField], m_cs[form::kVolumeField], m_text1}) {
        if (stale != m_staleTips) {
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = m_hwnd;
            tool.uId = reinterpret_cast<UINT_PTR>(result);
            tool.lpszText = tip.data();
            SendMessageW(m_tooltip, stale ? TTM_ADDTOOLW : TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        InvalidateRect(result, nullptr, TRUE);
    }
    m_staleTips = stale;
}

void HdunWindow::CS_GotFocus(int index)
{
    runHandler([&] {
        HWND field = control(form::CS(index));
        SendMessageW(field, EM_SETSEL, 0, -1);
        // A click that gave the focus places the caret after this handler
        // and would undo the selection: select again once the click is
        // handled, but only if nothing was typed in between. Keys typed
        // right after Tab or Enter never meet this second select.
        const bool byMouse = (GetKeyState(VK_LBUTTON) | GetKeyState(VK_RBUTTON) | GetKeyState(VK_MBUTTON)) < 0;
        if (byMouse) {
            PendingSelect &pending = m_pending[static_cast<std::size_t>(index)];
            pending.text = WindowText(field);
            pending.selection = static_cast<DWORD>(SendMessageW(field, EM_GETSEL, 0, 0));
            PostMessageW(m_hwnd, kSelectAfterClick, static_cast<WPARAM>(index), 0);
        }
    });
}

void HdunWindow::CS_KeyPress(int index, int &keyAscii)
{
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    runHandler([&] {
        const form::EnterStep step = form::EnterIn(index);
        if (step.calculate && !calculateCommand())
            return; // the focus stays where the fault was met
        if (step.focusField)
            SetFocus(control(form::CS(*step.focusField)));
    });
}

void HdunWindow::Label2_MouseDown()
{
    m_linkBold = true;
    SendMessageW(m_label2, WM_SETFONT, reinterpret_cast<WPARAM>(m_linkBoldFont), TRUE);
}

void HdunWindow::Label2_MouseUp(bool inside)
{
    runHandler([&] {
        m_linkBold = false;
        SendMessageW(m_label2, WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont), TRUE);
        if (!inside)
            return; // released elsewhere: the press is withdrawn
        if (!m_services.openUrl(std::string(form::kPromoPageAddress)))
            throw std::runtime_error(form::LinkLaunchFailureMessage());
    });
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
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == kCommand1Id && code == BN_CLICKED) {
            calculateCommand();
            return 0;
        }
        if (id == kSaveSheetCommand) {
            saveSheetCommand();
            return 0;
        }
        if (id == kCopyResultsCommand) {
            copyResultsCommand();
            return 0;
        }
        if (id == IDOK) {
            // Enter outside the fields: the dialog manager's default action.
            // Only the button acts on it; Enter in Text1 changes nothing.
            if (GetFocus() == m_command1)
                calculateCommand();
            return 0;
        }
        if (id >= kFieldId && id < kFieldId + form::kFieldCount) {
            const int index = id - kFieldId;
            if (code == EN_SETFOCUS)
                CS_GotFocus(index);
            else if (code == EN_CHANGE)
                fieldEdited(index);
            return 0;
        }
        return 0;
    }
    case kSelectAfterClick: {
        const int index = static_cast<int>(wParam);
        if (index < 0 || index >= form::kFieldCount)
            return 0;
        HWND field = m_cs[static_cast<std::size_t>(index)];
        const PendingSelect &pending = m_pending[static_cast<std::size_t>(index)];
        if (GetFocus() == field && WindowText(field) == pending.text)
            SendMessageW(field, EM_SETSEL, 0, -1);
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        HWND child = reinterpret_cast<HWND>(lParam);
        const auto ref = refOf(child);
        if (!ref)
            break;
        if (ref->name == Name::CS && m_state.marked(ref->index)) {
            SetBkColor(dc, kMarkColour);
            SetTextColor(dc, ToColorRef(form::kMarkText));
            return reinterpret_cast<LRESULT>(m_markBrush);
        }
        const bool result =
            *ref == form::CS(form::kAreaField) || *ref == form::CS(form::kVolumeField) || *ref == form::kText1;
        if (result) {
            const LRESULT brush = DefWindowProcW(m_hwnd, message, wParam, lParam);
            SetBkColor(dc, GetSysColor(message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_3DFACE));
            if (m_state.resultsStale())
                SetTextColor(dc, kStaleColour);
            return brush;
        }
        if (*ref == form::kLabel2) {
            SetTextColor(dc, RGB(255, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_3DFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
        }
        break;
    }
    case WM_DRAWITEM: {
        const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item->CtlID == kLine1Id) {
            FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOWTEXT));
            return TRUE;
        }
        break;
    }
    case WM_ACTIVATE:
        // Keep the focus where it was across an error box or a switch to
        // another program; the first activation puts it on CS(0).
        if (LOWORD(wParam) == WA_INACTIVE) {
            m_lastFocus = GetFocus();
        } else {
            HWND target = m_lastFocus && IsChild(m_hwnd, m_lastFocus) ? m_lastFocus : m_cs[0];
            if (target)
                SetFocus(target);
        }
        return 0;
    case WM_DPICHANGED: {
        m_dpi = HIWORD(wParam);
        const RECT *suggested = reinterpret_cast<const RECT *>(lParam);
        createFonts();
        layout();
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
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
            self->CS_KeyPress(index, keyAscii);
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
    auto *self = reinterpret_cast<HdunWindow *>(data);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(hwnd);
        self->m_linkPressed = true;
        self->Label2_MouseDown();
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        if (!self->m_linkPressed)
            return 0;
        self->m_linkPressed = false;
        ReleaseCapture();
        RECT box;
        GetClientRect(hwnd, &box);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        self->Label2_MouseUp(PtInRect(&box, at) != FALSE);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (self->m_linkPressed && reinterpret_cast<HWND>(lParam) != hwnd) {
            self->m_linkPressed = false;
            self->Label2_MouseUp(false);
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, LinkProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK HdunWindow::PictureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        auto *self = static_cast<HdunWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(hwnd); // takes the focus, shows no mark
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        auto *self = reinterpret_cast<HdunWindow *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) {
            self->paintPicture(hwnd);
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void HdunWindow::paintPicture(HWND picture)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(picture, &paint);
    const form::Rect outerTwips = form::Find(form::kPicture1).twips;
    const form::Rect outer = form::ToPixels(outerTwips, m_dpi);
    const int b = form::kPictureBorderTwips;
    const form::Rect inner = form::ToPixels(
        {outerTwips.left + b, outerTwips.top + b, outerTwips.width - 2 * b, outerTwips.height - 2 * b}, m_dpi);
    // In the box's own coordinates.
    const RECT box{0, 0, outer.width, outer.height};
    const RECT image{inner.left - outer.left, inner.top - outer.top, inner.right() - outer.left,
                     inner.bottom() - outer.top};

    // Sunken border, two lines: shadow and dark shadow above and left,
    // highlight and light below and right; a wider border at a higher dpi
    // keeps the face colour between border and drawing.
    const auto fill = [dc](RECT r, int colour) { FillRect(dc, &r, GetSysColorBrush(colour)); };
    fill(box, COLOR_3DHILIGHT);
    fill({0, 0, box.right - 1, box.bottom - 1}, COLOR_3DSHADOW);
    fill({1, 1, box.right - 1, box.bottom - 1}, COLOR_3DLIGHT);
    fill({1, 1, box.right - 2, box.bottom - 2}, COLOR_3DDKSHADOW);
    fill({2, 2, box.right - 2, box.bottom - 2}, COLOR_3DFACE);
    FillRect(dc, &image, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    const int width = image.right - image.left;
    const int height = image.bottom - image.top;
    if (const Drawing::Image *source = m_drawing ? m_drawing->fit(width, height) : nullptr) {
        if (source->width == width && source->height == height && source->gdi) {
            // Pixel for pixel.
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(memory, source->gdi);
            BitBlt(dc, image.left, image.top, width, height, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        } else {
            Gdiplus::Graphics graphics(dc);
            graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
            graphics.DrawImage(source->bitmap, Gdiplus::Rect(image.left, image.top, width, height));
        }
    }
    EndPaint(picture, &paint);
}

void DispatchWindowMessage(HWND window, MSG &message)
{
    // Ctrl+S saves the calculation sheet from anywhere in the window.
    if (window && message.message == WM_KEYDOWN && message.wParam == 'S' && GetKeyState(VK_CONTROL) < 0 &&
        (message.hwnd == window || IsChild(window, message.hwnd))) {
        SendMessageW(window, WM_COMMAND, kSaveSheetCommand, 0);
        return;
    }
    if (window && IsDialogMessageW(window, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int RunMessageLoop(HWND window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchWindowMessage(window, message);
    return static_cast<int>(message.wParam);
}

} // namespace pierqty::win32
