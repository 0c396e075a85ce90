// Files for calculation sheets: atomic writes, and pier ids turned into
// file names that are safe on every desktop system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pierqty::sheet {

// Writes text to path as cp and git would, so that the path holds either its
// old content or the whole new text, also after a crash: through a
// temporary file beside the file, synced, renamed over it, and the folder
// synced. A symbolic link stays a link (its final target is replaced); a
// file keeps its mode and, where allowed, its owner; a write-protected file
// is refused. A device, FIFO or socket, or a path that names an open file
// descriptor (/dev/stdout), is written in place. "-" writes to standard
// output. Returns false, with the reason in error (control bytes of the
// path escaped) and no temporary file left behind, when any step fails.
bool WriteAtomically(const std::string &path, std::string_view text, std::string &error);

// A pier's id turned into a file name stem that is safe on Linux, macOS and
// Windows: no path separator, no "..", no control character or character
// Windows forbids, no reserved device name, no trailing dot or blank, not
// empty, at most about 120 bytes of UTF-8.
std::string SafeFileStem(std::string_view id);

// The form in which two file names are the same name on Windows or macOS:
// Unicode simple case folding and canonical decomposition (so "Äx", "äx"
// and "a" + U+0308 + "x" give one form). Bytes that are not UTF-8 stay.
std::string ComparableName(std::string_view name);

// A path or name for quoting in a message: control bytes (C0, DEL, C1) and
// bytes that are not UTF-8 shown as \xNN, so that no name drives a terminal.
std::string PrintablePath(std::string_view path);

// UTF-8 text to a path and back (paths are wide on Windows).
std::filesystem::path PathFromUtf8(const std::string &text);
std::string Utf8FromPath(const std::filesystem::path &path);

// ASCII letters lowered, for names compared as Windows and macOS do.
std::string LowerAscii(std::string text);

} // namespace pierqty::sheet
