// The title block a saved calculation sheet carries (工程名称, 墩号, the
// signatures ...): the fields the window's dialog asks for, in their order
// and with their captions, once for both front-ends. The values are
// remembered for the user through the desktop's settings, one named string
// a field, and the last ones fill the dialog the next time.
#pragma once

#include "platform/desktop.h"
#include "sheet/sheet.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::form {

struct TitleField {
    std::string_view key; // the setting's name, e.g. "titleBlock/project"
    std::string_view caption; // the label beside it in the dialog
    bool multiLine = false; // one line of text per entry (计算依据)
};

// The dialog's fields, top to bottom.
std::span<const TitleField> TitleFields();

// The dialog's title and its hint under the fields.
inline constexpr std::string_view kTitleDialogTitle = "计算书标题栏";
inline constexpr std::string_view kTitleDialogHint = "另加计算依据每行一条。留空的栏在计算书上印为待填写的横线。";

// One value per entry of TitleFields(), in the same order. Line breaks in a
// multi-line value may be LF or CR LF.
using TitleValues = std::vector<std::string>;

// The values last stored for this user; empty strings where none is.
TitleValues StoredTitleValues(DesktopServices &services);
void StoreTitleValues(DesktopServices &services, const TitleValues &values);

// The values as the sheet takes them: each trimmed of surrounding blanks;
// the basis one entry per non-blank line.
sheet::TitleBlock ToTitleBlock(const TitleValues &values);

// The project name stored for this user (the workbook's title), or empty.
std::string StoredProjectName(DesktopServices &services);

} // namespace pierqty::form
