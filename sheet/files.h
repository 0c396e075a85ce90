// Files for calculation sheets: atomic writes, and pier ids turned into
// file names that are safe on every desktop system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pierqty::sheet {

// Writes text to path through a temporary file in the same folder and a
// rename, so that the path holds either its old content or the whole new
// text; "-" writes to standard output. Returns false, with the reason in
// error and no temporary file left behind, when any step fails.
bool WriteAtomically(const std::string &path, std::string_view text, std::string &error);

// A pier's id turned into a file name stem that is safe on Linux, macOS and
// Windows: no path separator, no "..", no control character or character
// Windows forbids, no reserved device name, no trailing dot or blank, not
// empty, at most about 120 bytes of UTF-8.
std::string SafeFileStem(std::string_view id);

// UTF-8 text to a path and back (paths are wide on Windows).
std::filesystem::path PathFromUtf8(const std::string &text);
std::string Utf8FromPath(const std::filesystem::path &path);

// ASCII letters lowered, for names compared as Windows and macOS do.
std::string LowerAscii(std::string text);

} // namespace pierqty::sheet
