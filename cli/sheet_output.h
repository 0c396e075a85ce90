// pierqty-cli's calculation sheets: one sheet to a file or standard output,
// or one per pier of a batch into a folder, each written atomically.
#pragma once

#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "cli/output.h"
#include "sheet/sheet.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace pierqty::cli {

// The date a sheet carries: PIERQTY_SHEET_DATE when set (for reproducible
// output), otherwise today's local date as YYYY-MM-DD.
std::string SheetDate();

// Builds and writes the sheet of one computed pier; 0 or kExitIo.
int WriteSheet(const std::string &path, const sheet::TitleBlock &block, const ParameterTexts &texts,
               const ParameterReadings &readings, const PierParameters &parameters, const PierQuantities &quantities);

// The sheets of a batch, one per computed pier, named by its id, each
// written as soon as its pier is computed, with the title block given and
// its pier's id as 墩号. Two ids that Windows or macOS would take for one
// name (letter case, composed or decomposed accents) are both kept: the
// later one gets "-2", "-3", ... A sheet that cannot be written does not
// stop the others.
class SheetFolder
{
public:
    SheetFolder(std::string folder, sheet::TitleBlock block);
    // Makes the folder when it is missing; false with error() set when it
    // cannot be made or is not a folder.
    bool prepare();
    // Builds and writes the sheet of one pier: "" when it is written, or when
    // the pier stopped and has no sheet; otherwise why it was not written.
    std::string write(const std::string &id, const ParameterTexts &texts);
    const std::string &error() const { return m_error; }

private:
    std::string uniqueName(const std::string &stem);

    std::string m_folder;
    sheet::TitleBlock m_block;
    std::string m_date;
    std::set<std::string> m_used; // names taken, as sheet::ComparableName gives them
    std::string m_error;
};

} // namespace pierqty::cli
