// The title block's dialog on Windows: a modal dialog built in code from
// the form's title fields (ui/form/title_block.h), one caption and one edit
// box a field, in the table's order, with OK and Cancel; and the same kind
// of dialog for a one-line question (加入桥梁汇总's 墩号).
#pragma once

#include "ui/form/title_block.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace pierqty::win32 {

// Control identifiers: field k's edit box and its caption.
inline constexpr int kTitleEditId = 3000;
inline constexpr int kTitleCaptionId = 3100;

// Shows the dialog modally over owner, filled with values; on OK the values
// are replaced with what the user left there and the result is true, on
// Cancel (or a dialog that could not be made) false.
bool EditTitleBlock(HWND owner, form::TitleValues &values);

// A modal question titled title: caption ("墩号：") before one edit box
// filled with text (selected), OK and Cancel. The text left there on OK,
// nothing on Cancel. Its box and caption have kTitleEditId and
// kTitleCaptionId.
std::optional<std::string> AskLine(HWND owner, std::string_view title, std::string_view caption,
                                   const std::string &text);

} // namespace pierqty::win32
