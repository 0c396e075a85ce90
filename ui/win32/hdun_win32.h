// Hdun on Windows: a thin Win32 view over the form model. It creates EDIT,
// STATIC and BUTTON controls from the control table in tab order, forwards
// their events to the model and publishes what the model says.
#pragma once

#include "platform/desktop.h"
#include "ui/form/form.h"

#include <windows.h>

#include <array>
#include <memory>
#include <string>

namespace pierqty::win32 {

// GDI+ for the lifetime of the object (the drawing is a PNG drawn with it).
class GdiplusSession
{
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession &) = delete;
    GdiplusSession &operator=(const GdiplusSession &) = delete;

private:
    ULONG_PTR m_token = 0;
};

// Private messages of the window.
inline constexpr UINT kSelectAfterClick = WM_APP + 1; // wParam: field index

// Command identifiers of the report's menu, also sent with WM_COMMAND.
inline constexpr int kSaveSheetCommand = 2001;
inline constexpr int kCopyResultsCommand = 2002;

class HdunWindow
{
public:
    // services: error box and URL launcher; must outlive the window.
    explicit HdunWindow(DesktopServices &services);
    ~HdunWindow();
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
    const form::FormState &state() const { return m_state; }
    std::wstring text(form::ControlRef ref) const;
    bool linkBold() const { return m_linkBold; }

    // The Calculate command; false when it stopped on a fault.
    bool calculateCommand();
    // 保存计算书… (the report's menu and Ctrl+S): calculates as the button
    // does, asks where to save, writes the sheet atomically and opens it.
    bool saveSheetCommand();
    // 复制结果 (the report's menu): calculates and puts the tab-separated
    // results on the clipboard.
    bool copyResultsCommand();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FieldProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    static LRESULT CALLBACK ReportProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
    static LRESULT CALLBACK LinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);
    static LRESULT CALLBACK PictureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void layout();
    void createFonts();
    void destroyFonts();
    void Form_Load();
    void CS_GotFocus(int index);
    void CS_KeyPress(int index, int &keyAscii);
    void Label2_MouseDown();
    void Label2_MouseUp(bool inside);
    void fieldEdited(int index);
    ParameterTexts inputTexts() const;
    void showReportMenu(POINT at);
    void showMarks();
    void showStale();
    template<class Body>
    bool runHandler(Body &&body);
    void paintPicture(HWND picture);

    DesktopServices &m_services;
    form::FormState m_state;
    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    HWND m_lastFocus = nullptr;
    std::array<HWND, form::kFieldCount> m_cs{};
    std::array<HWND, form::kFieldCount> m_label1{};
    HWND m_line1 = nullptr;
    HWND m_command1 = nullptr;
    HWND m_text1 = nullptr;
    HWND m_label2 = nullptr;
    HWND m_picture1 = nullptr;
    int m_dpi = 96;
    HFONT m_windowFont = nullptr;
    HFONT m_buttonFont = nullptr;
    HFONT m_linkFont = nullptr;
    HFONT m_linkBoldFont = nullptr;
    HBRUSH m_markBrush = nullptr;
    bool m_linkBold = false;
    bool m_linkPressed = false;
    std::array<bool, form::kInputCount> m_tipShown{};
    bool m_staleTips = false;
    struct Drawing;
    std::unique_ptr<Drawing> m_drawing;
    // The select posted after a click: what the field held when it was made.
    struct PendingSelect {
        std::wstring text;
        DWORD selection = 0;
    };
    std::array<PendingSelect, form::kFieldCount> m_pending{};
};

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
