// The two commands of the report's menu, shared by both windows: save the
// calculation sheet of the texts on screen, and copy the results. Each runs
// after the window's own Calculate command has succeeded. A fault, a
// cancelled dialog or a refused write is told through services and returns
// false; a launcher or clipboard that fails throws std::runtime_error, which
// the window's handler reports as a run-time error.
#pragma once

#include "calc/parameters.h"
#include "platform/desktop.h"

#include <functional>
#include <string>

namespace pierqty::form {

// launchTarget turns the saved file's path into what the launcher opens (a
// file:// URL for the desktop's URL handler, the path itself for a shell).
bool SaveSheet(DesktopServices &services, const ParameterTexts &texts,
               const std::function<std::string(const std::string &path)> &launchTarget);

bool CopyResults(DesktopServices &services, const ParameterTexts &texts);

} // namespace pierqty::form
