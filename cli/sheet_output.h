// pierqty-cli's calculation sheets: one sheet to a file or standard output,
// or one per pier of a batch into a folder, each written atomically.
#pragma once

#include "calc/exact.h"
#include "calc/parameters.h"
#include "calc/quantities.h"
#include "cli/output.h"
#include "sheet/sheet.h"

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pierqty::cli {

// The date a sheet carries: PIERQTY_SHEET_DATE when set (for reproducible
// output), otherwise today's local date as YYYY-MM-DD.
std::string SheetDate();

// Builds and writes the sheet of one computed pier; 0 or kExitIo.
int WriteSheet(const std::string &path, const sheet::TitleBlock &block, const ParameterTexts &texts,
               const ParameterReadings &readings, const PierParameters &parameters, const PierQuantities &quantities);

// The sheets of a batch, one per computed pier, named by its id. The piers
// are gathered while the batch runs and written only when it has read its
// whole file, so that a malformed file leaves no sheet. Two ids that map to
// the same name (letter case ignored) are both kept: the later one gets
// "-2", "-3", ... The first failed write stops the rest. Each sheet takes
// the title block given, its pier's id as 墩号.
class SheetFolder
{
public:
    SheetFolder(std::string folder, sheet::TitleBlock block);
    void add(const std::string &id, const ParameterTexts &texts);
    // Writes every sheet; false with error() set at the first failure.
    bool write();
    const std::string &error() const { return m_error; }
    int written() const { return m_written; }

private:
    std::string uniqueName(const std::string &stem);

    std::string m_folder;
    sheet::TitleBlock m_block;
    std::vector<std::pair<std::string, ParameterTexts>> m_piers;
    std::set<std::string> m_used; // names taken, lower-cased
    std::string m_error;
    int m_written = 0;
};

} // namespace pierqty::cli
