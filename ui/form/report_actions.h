// The commands of the report's menu, shared by both windows: save the
// calculation sheet of the texts on screen, export its bill of quantities
// as an Excel workbook, and copy the results. Each runs after the window's
// own Calculate command has succeeded. A fault, a cancelled dialog or a
// refused write is told through services and returns false; a file saved
// that no program could open is told in an information box (it was saved);
// a clipboard that fails throws std::runtime_error, which the window's
// handler reports as a run-time error.
#pragma once

#include "bill/workbook.h"
#include "calc/parameters.h"
#include "platform/desktop.h"
#include "sheet/sheet.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pierqty::form {

// launchTarget turns a saved file's path into what the launcher opens (a
// file:// URL for the desktop's URL handler, the path itself for a shell).
using LaunchTarget = std::function<std::string(const std::string &path)>;

// Why no sheet can be made of texts that calculate (a pier that cannot be
// built), in Chinese; nothing when one can.
std::optional<std::string> SheetRefusal(const ParameterTexts &texts);

bool SaveSheet(DesktopServices &services, const ParameterTexts &texts, const sheet::TitleBlock &block,
               const LaunchTarget &launchTarget);

// The workbook of the one pier on screen (bill, calculation table, layer
// table), titled with projectName when there is one; the bill's items from
// the table installed with the program when it is there.
bool ExportWorkbook(DesktopServices &services, const ParameterTexts &texts, const std::string &projectName,
                    const LaunchTarget &launchTarget);

bool CopyResults(DesktopServices &services, const ParameterTexts &texts);

// The bill's options for the window's documents: the items table installed
// with the program when it is there, else the compiled-in one; the project
// name the user last gave as the title. Nothing, with the reason in error,
// when the installed table cannot be read.
std::optional<bill::WorkbookOptions> WindowBillOptions(DesktopServices &services, std::string &error);

// The bridge window's exports, each after its own dialog, of every pier of a
// bridge (those left out of the bill are named in the document): the
// workbook (pierqty-cli --batch --xlsx), the summary sheet (--sheet FILE.html)
// and one sheet per pier into a folder (--sheet FOLDER), with the title
// block the user last gave. Whether it was written.
bool ExportBridgeWorkbook(DesktopServices &services, const std::vector<bill::PierRecord> &piers,
                          const LaunchTarget &launchTarget);
bool ExportBridgeSummary(DesktopServices &services, const std::vector<bill::PierRecord> &piers,
                         const LaunchTarget &launchTarget);
bool ExportBridgeSheets(DesktopServices &services, const std::vector<bill::PierRecord> &piers,
                        const LaunchTarget &launchTarget);

} // namespace pierqty::form
