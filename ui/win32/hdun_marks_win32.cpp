// How the Win32 Hdun shows the form's marks and the state of its results:
// tooltips as the form words them, colours from its table at
// WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC (read-only edits).
#include "ui/win32/hdun_win32.h"
#include "ui/win32/title_dialog_win32.h"

namespace pierqty::win32 {

using form::ControlRef;
using form::ResultState;

void HdunWindow::showMark(int index, const std::optional<form::Mark> &mark)
{
    HWND field = control(form::CS(index));
    bool &shown = m_tipShown[static_cast<std::size_t>(index)];
    if (mark) {
        const std::wstring tip = Widen(mark->toolTip);
        setTip(field, &tip, shown);
        shown = true;
    } else if (shown) {
        setTip(field, nullptr, true);
        shown = false;
    }
    InvalidateRect(field, nullptr, TRUE);
}

void HdunWindow::showResultState(ResultState state)
{
    for (const ControlRef result : {form::CS(form::kAreaField), form::CS(form::kVolumeField), form::kText1}) {
        // Stale: all three; no quantities: S and V only.
        const auto tipIn = [figure = result != form::kText1](ResultState s) -> std::wstring {
            if (s == ResultState::Stale)
                return Widen(form::kStaleToolTip);
            return s == ResultState::NotQuantities && figure ? Widen(form::kNotQuantitiesToolTip) : std::wstring();
        };
        const std::wstring before = tipIn(m_resultState);
        const std::wstring after = tipIn(state);
        if (before != after)
            setTip(control(result), after.empty() ? nullptr : &after, !before.empty());
        InvalidateRect(control(result), nullptr, TRUE);
    }
    m_resultState = state;
}

bool HdunWindow::editTitleBlock(form::TitleValues &values)
{
    return EditTitleBlock(m_hwnd, values);
}

// The colours of a child: marked inputs, the results' state, the red link;
// 0 leaves the child to the default handling.
LRESULT HdunWindow::onControlColour(UINT message, HDC dc, HWND child)
{
    const auto ref = refOf(child);
    if (!ref)
        return 0;
    if (ref->name == form::Name::CS && state().marked(ref->index)) {
        const form::MarkKind kind = state().mark(ref->index)->kind;
        SetBkColor(dc, ToColorRef(form::MarkBackground(kind)));
        SetTextColor(dc, ToColorRef(form::kMarkText));
        return reinterpret_cast<LRESULT>(kind == form::MarkKind::Unbuildable ? m_roseBrush : m_markBrush);
    }
    const bool figure = *ref == form::CS(form::kAreaField) || *ref == form::CS(form::kVolumeField);
    if (figure && state().resultState() == ResultState::NotQuantities) {
        SetBkColor(dc, ToColorRef(form::kNotQuantitiesBackground));
        SetTextColor(dc, ToColorRef(form::kNotQuantitiesText));
        return reinterpret_cast<LRESULT>(m_roseBrush);
    }
    if (figure || *ref == form::kText1) {
        const LRESULT brush =
            DefWindowProcW(m_hwnd, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
        SetBkColor(dc, GetSysColor(message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_3DFACE));
        if (state().resultsStale())
            SetTextColor(dc, kStaleColour);
        return brush;
    }
    if (*ref != form::kLabel2)
        return 0;
    SetTextColor(dc, ToColorRef(form::kLinkText));
    SetBkColor(dc, GetSysColor(COLOR_3DFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DFACE));
}

} // namespace pierqty::win32
