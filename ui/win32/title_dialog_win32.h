// The title block's dialog on Windows: a modal dialog built in code from
// the form's title fields (ui/form/title_block.h), one caption and one edit
// box a field, in the table's order, with OK and Cancel.
#pragma once

#include "ui/form/title_block.h"

#include <windows.h>

namespace pierqty::win32 {

// Control identifiers: field k's edit box and its caption.
inline constexpr int kTitleEditId = 3000;
inline constexpr int kTitleCaptionId = 3100;

// Shows the dialog modally over owner, filled with values; on OK the values
// are replaced with what the user left there and the result is true, on
// Cancel (or a dialog that could not be made) false.
bool EditTitleBlock(HWND owner, form::TitleValues &values);

} // namespace pierqty::win32
