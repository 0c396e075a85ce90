// Hdun on Windows: a thin Win32 view over the form. It creates EDIT, STATIC
// and BUTTON controls from the control table in tab order, forwards their
// events to the form's controller and shows what it says.
#pragma once

#include "platform/desktop.h"
#include "ui/form/controller.h"
#include "ui/form/form.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/picture_win32.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pierqty::win32 {

// Private messages of the window.
inline constexpr UINT kSelectAfterClick = WM_APP + 1; // wParam: field index

// Command identifiers of the report's menu, also sent with WM_COMMAND.
inline constexpr int kSaveSheetCommand = 2001;
inline constexpr int kCopyResultsCommand = 2002;
inline constexpr int kExportWorkbookCommand = 2003;
inline constexpr int kAddToBridgeCommand = 2004;

class HdunWindow : private form::View
{
public:
    // services: error box and URL launcher; must outlive the window.
    explicit HdunWindow(DesktopServices &services);
    ~HdunWindow() override;
    HdunWindow(const HdunWindow &) = delete;
    HdunWindow &operator=(const HdunWindow &) = delete;

    // Creates the window and its controls, fills the defaults (Load),
    // centres it in the work area and shows it with the focus on CS(0).
    // False if the window could not be created.
    bool create(int showCommand = SW_SHOW);

    HWND hwnd() const { return m_hwnd; }
    HWND control(form::ControlRef ref) const;
    // The control's designer reference, or nullopt for another window.
    std::optional<form::ControlRef> refOf(HWND child) const;
    int dpi() const { return m_dpi; }
    const form::FormState &state() const { return m_controller.state(); }
    std::wstring text(form::ControlRef ref) const;
    bool linkBold() const { return m_linkBold; }

    // The commands (ui/form/controller.h): whether each succeeded.
    bool calculateCommand() { return m_controller.calculate(); }
    bool saveSheetCommand() { return m_controller.saveSheet(); }
    bool copyResultsCommand() { return m_controller.copyResults(); }
    bool exportWorkbookCommand() { return m_controller.exportWorkbook(); }
    form::Controller &controller() { return m_controller; }

    // 加入桥梁汇总's question for the 墩号, unless replaced (e.g. by a test).
    std::function<std::optional<std::string>(const std::string &suggested)> askPierIdHook;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    static LRESULT CALLBACK ReportProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
    static LRESULT CALLBACK LinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(int id, int code);
    void onSelectAfterClick(int index);
    LRESULT onControlColour(UINT message, HDC dc, HWND child);
    void onActivate(bool active);
    void onDpiChanged(int dpi, const RECT &suggested);
    LRESULT onLinkMouse(HWND link, UINT message, LPARAM lParam);

    HWND make(const form::Control &control, const wchar_t *windowClass, DWORD style, DWORD exStyle);
    void createControls();
    void createFocusable(const form::Control &control);
    void createStatic(const form::Control &control);
    void placeCentred();
    void layout();
    void createFonts();
    void destroyFonts();
    void CS_GotFocus(int index);
    void setLinkBold(bool bold);
    void showReportMenu(POINT at);
    void setTip(HWND control, const std::wstring *text, bool shown);

    // form::View: texts through GetWindowTextW and SetWindowTextW (which
    // throws when refused); the focus by SetFocus.
    std::string controlText(form::ControlRef ref) const override { return Narrow(text(ref)); }
    void setControlText(form::ControlRef ref, const std::string &text) override;
    void moveFocus(form::ControlRef ref) override { SetFocus(control(ref)); }
    // In hdun_marks_win32.cpp: a mark is a tooltip and the colour
    // WM_CTLCOLOREDIT gives the field; a result state the tooltips and the
    // colours of S, V and the report.
    void showMark(int index, const std::optional<form::Mark> &mark) override;
    void showResultState(form::ResultState state) override;
    // The title block's dialog (title_dialog_win32.cpp).
    bool editTitleBlock(form::TitleValues &values) override;
    // A one-line dialog (title_dialog_win32.cpp) offering the suggested 墩号.
    std::optional<std::string> askPierId(const std::string &suggested) override;
    DesktopServices &desktop() override { return m_services; }
    // The shell opens a saved file with the program that shows HTML.
    std::string launchTarget(const std::string &path) const override { return path; }

    DesktopServices &m_services;
    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    HWND m_lastFocus = nullptr;
    std::vector<HWND> m_controls; // by form::Slot
    int m_dpi = 96;
    HFONT m_windowFont = nullptr;
    HFONT m_buttonFont = nullptr;
    HFONT m_linkFont = nullptr;
    HFONT m_linkBoldFont = nullptr;
    HBRUSH m_markBrush = nullptr; // amber: read as something else
    HBRUSH m_roseBrush = nullptr; // an impossible pier's fields, S and V
    bool m_linkBold = false;
    bool m_linkPressed = false;
    std::array<bool, form::kInputCount> m_tipShown{};
    form::ResultState m_resultState = form::ResultState::Current; // as the tooltips show it
    std::unique_ptr<PierPicture> m_picture;
    // The select posted after a click: what the field held when it was made.
    std::array<std::wstring, form::kFieldCount> m_pending{};
    form::Controller m_controller{*this};
};

// The Song face at a form's size for a dpi (bold on request): the window's
// texts, and the bridge window's table at the window's own font.
HFONT SongFont(const form::FontSpec &spec, int dpi, bool bold = false);

// A top-level window class of the program: its icon, the arrow, the dialog
// face colour.
void RegisterWindowClass(const wchar_t *name, WNDPROC windowProc);

// The message loop for the window: Tab and Shift+Tab through the dialog
// manager. Returns the exit code of WM_QUIT.
int RunMessageLoop(HWND window);

// One message through the dialog manager, as the loop does it.
void DispatchWindowMessage(HWND window, MSG &message);

inline constexpr COLORREF ToColorRef(form::Colour colour)
{
    return RGB(colour.red, colour.green, colour.blue);
}

// The background of marked fields, and the text of stale results.
inline constexpr COLORREF kMarkColour = ToColorRef(form::kMarkBackground);
inline constexpr COLORREF kStaleColour = ToColorRef(form::kStaleText);

} // namespace pierqty::win32
