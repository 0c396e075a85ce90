#include "cli/bridge_output.h"

#include "bill/bridge_sheet.h"
#include "cli/output.h"
#include "cli/sheet_output.h"
#include "sheet/files.h"

#include <filesystem>
#include <iostream>
#include <system_error>

namespace pierqty::cli {

bool IsSummarySheetPath(const std::string &path)
{
    std::error_code failed;
    if (path.empty() || std::filesystem::is_directory(sheet::PathFromUtf8(path), failed))
        return false;
    const std::string lower = sheet::LowerAscii(path);
    const auto endsWith = [&](std::string_view suffix) {
        return lower.size() > suffix.size() && lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return endsWith(".html") || endsWith(".htm");
}

bool SummarySheetWanted(const Options &options)
{
    return options.batchGiven && IsSummarySheetPath(options.sheet);
}

int WriteSummarySheet(const std::string &path, const std::vector<bill::PierRecord> &piers,
                      const bill::WorkbookOptions &options, const sheet::TitleBlock &block)
{
    const std::string date = SheetDate();
    const std::string document = bill::BuildBridgeSheet({piers, options, block, date});
    std::string error;
    if (!sheet::WriteAtomically(path, document, error)) {
        std::cerr << "pierqty-cli: " << error << "; no summary sheet written\n";
        return kExitIo;
    }
    std::size_t leftOut = 0;
    for (const bill::PierRecord &pier : piers)
        leftOut += pier.billed() ? 0 : 1;
    if (leftOut == 0)
        return kExitDone;
    std::cerr << "warning: the summary sheet leaves out " << leftOut << " of " << piers.size()
              << " piers (stopped, or without exact figures) and names them with the reason\n";
    return kExitFault;
}

} // namespace pierqty::cli
