#include "ui/win32/title_dialog_win32.h"

#include "ui/form/form.h"
#include "ui/win32/desktop_win32.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace pierqty::win32 {

namespace {

// The layout in dialog units: captions left, boxes right, one row a field
// (the multi-line box four rows high), the hint, then the buttons.
constexpr short kMargin = 7;
constexpr short kCaptionWidth = 96;
constexpr short kBoxWidth = 180;
constexpr short kRowPitch = 16;
constexpr short kBoxHeight = 12;
constexpr short kLinesHeight = 44;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;

short DialogHeight()
{
    int height = kMargin;
    for (const form::TitleField &field : form::TitleFields())
        height += field.multiLine ? kLinesHeight + 4 : kRowPitch;
    return static_cast<short>(height + kRowPitch + kButtonHeight + kMargin);
}

// A DLGTEMPLATE with no controls (they are made at WM_INITDIALOG), the
// window's Song face at 9 points; its size in dialog units.
std::vector<WORD> Template(std::string_view title, short width, short height)
{
    DLGTEMPLATE head{};
    head.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    head.cx = width;
    head.cy = height;
    std::vector<WORD> words(sizeof head / sizeof(WORD));
    std::memcpy(words.data(), &head, sizeof head);
    words.push_back(0); // no menu
    words.push_back(0); // the dialog manager's own class
    const auto append = [&words](const std::wstring &text) {
        words.insert(words.end(), text.begin(), text.end());
        words.push_back(0);
    };
    append(Widen(title));
    words.push_back(9);
    append(Widen(form::kSongFaceLatin));
    return words;
}

// A control at box (dialog units) in the dialog's font; edit boxes sunken.
HWND Child(HWND dialog, const wchar_t *windowClass, const std::string &text, DWORD style, RECT box, int id)
{
    MapDialogRect(dialog, &box);
    const DWORD exStyle = std::wcscmp(windowClass, L"EDIT") == 0 ? WS_EX_CLIENTEDGE : 0;
    HWND child = CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, box.left,
                                 box.top, box.right - box.left, box.bottom - box.top, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    return child;
}

// OK and Cancel at the right, their top at top.
void Buttons(HWND dialog, short right, short top)
{
    Child(dialog, L"BUTTON", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP,
          {right - 2 * kButtonWidth - 4, top, right - kButtonWidth - 4, top + kButtonHeight}, IDOK);
    Child(dialog, L"BUTTON", "取消", BS_PUSHBUTTON | WS_TABSTOP,
          {right - kButtonWidth, top, right, top + kButtonHeight}, IDCANCEL);
}

std::string BoxText(HWND dialog, int id)
{
    HWND box = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(box, text.data(), static_cast<int>(text.size())))));
    return Narrow(text);
}

void CreateControls(HWND dialog, const form::TitleValues &values)
{
    const auto fields = form::TitleFields();
    short top = kMargin;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const short height = fields[k].multiLine ? kLinesHeight : kBoxHeight;
        const int id = static_cast<int>(k);
        Child(dialog, L"STATIC", std::string(fields[k].caption) + "：", SS_LEFT,
              {kMargin, top + 2, kMargin + kCaptionWidth - 4, top + kBoxHeight}, kTitleCaptionId + id);
        const DWORD style =
            fields[k].multiLine ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL : ES_AUTOHSCROLL;
        HWND box =
            Child(dialog, L"EDIT", {}, style | WS_TABSTOP,
                  {kMargin + kCaptionWidth, top, kMargin + kCaptionWidth + kBoxWidth, top + height}, kTitleEditId + id);
        // A multi-line box breaks lines with CR LF.
        std::wstring text;
        for (const wchar_t c : k < values.size() ? Widen(values[k]) : std::wstring()) {
            if (c == L'\n' && (text.empty() || text.back() != L'\r'))
                text.push_back(L'\r');
            text.push_back(c);
        }
        SetWindowTextW(box, text.c_str());
        top = static_cast<short>(top + (fields[k].multiLine ? kLinesHeight + 4 : kRowPitch));
    }
    const short right = kMargin + kCaptionWidth + kBoxWidth;
    Child(dialog, L"STATIC", std::string(form::kTitleDialogHint), SS_LEFT, {kMargin, top, right, top + kBoxHeight}, -1);
    top = static_cast<short>(top + kRowPitch);
    Buttons(dialog, right, top);
    SetFocus(GetDlgItem(dialog, kTitleEditId));
}

form::TitleValues ReadValues(HWND dialog)
{
    form::TitleValues values;
    for (std::size_t k = 0; k < form::TitleFields().size(); ++k)
        values.push_back(BoxText(dialog, kTitleEditId + static_cast<int>(k)));
    return values;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *values = reinterpret_cast<form::TitleValues *>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        CreateControls(dialog, *reinterpret_cast<form::TitleValues *>(lParam));
        return FALSE; // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            *values = ReadValues(dialog);
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

// The one-line question: its caption and text in, the answer out.
struct Line {
    std::string caption;
    std::string text;
};

constexpr short kLineCaptionWidth = 40;
constexpr short kLineBoxWidth = 120;

INT_PTR CALLBACK LineProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *line = reinterpret_cast<Line *>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        line = reinterpret_cast<Line *>(lParam);
        constexpr short right = kMargin + kLineCaptionWidth + kLineBoxWidth;
        Child(dialog, L"STATIC", line->caption, SS_LEFT,
              {kMargin, kMargin + 2, kMargin + kLineCaptionWidth - 4, kMargin + kBoxHeight}, kTitleCaptionId);
        HWND box = Child(dialog, L"EDIT", line->text, ES_AUTOHSCROLL | WS_TABSTOP,
                         {kMargin + kLineCaptionWidth, kMargin, right, kMargin + kBoxHeight}, kTitleEditId);
        Buttons(dialog, right, kMargin + kRowPitch + 4);
        SetFocus(box);
        SendMessageW(box, EM_SETSEL, 0, -1);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            line->text = BoxText(dialog, kTitleEditId);
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

std::optional<std::string> AskLine(HWND owner, std::string_view title, std::string_view caption,
                                   const std::string &text)
{
    const std::vector<WORD> words = Template(title, kMargin + kLineCaptionWidth + kLineBoxWidth + kMargin,
                                             kMargin + kRowPitch + 4 + kButtonHeight + kMargin);
    Line line{std::string(caption), text};
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE *>(words.data()), owner,
                                LineProc, reinterpret_cast<LPARAM>(&line));
    if (result != IDOK)
        return std::nullopt;
    return line.text;
}

bool EditTitleBlock(HWND owner, form::TitleValues &values)
{
    const std::vector<WORD> words = Template(
        form::kTitleDialogTitle, static_cast<short>(kMargin + kCaptionWidth + kBoxWidth + kMargin), DialogHeight());
    form::TitleValues edited = values;
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE *>(words.data()), owner,
                                DialogProc, reinterpret_cast<LPARAM>(&edited));
    if (result != IDOK)
        return false;
    values = std::move(edited);
    return true;
}

} // namespace pierqty::win32
