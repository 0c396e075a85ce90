// Replacing a file's content on the system's own terms, as cp and git do:
// standard C++ has no fsync, no file modes and no notion of a device. The
// rules are those of sheet::WriteAtomically, which quotes the failures.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace pierqty {

// Why a write failed: "<action> '<path>': <reason>".
struct FileWriteFailure {
    std::string action; // e.g. "cannot write"
    std::filesystem::path path; // the path concerned (a link's final target)
    std::string reason; // the system's words, e.g. "No space left on device"
};

// Writes text to path: a regular file (or a new one) through a temporary
// file of a fixed-length name in its folder, synced and renamed over it,
// then the folder synced; a link's final target is the file replaced, and a
// replaced file keeps its mode and, where allowed, its owner. A file the
// user may not write, or one with no write permission at all, is refused.
// A device, FIFO or socket, or an open file descriptor named by path
// (/dev/stdout, /dev/fd/N), is written in place. A folder is refused.
// nullopt when the whole text was written; then on failure the old file is
// as it was and no temporary file is left, except when only the final sync
// of the folder failed (the new text is then in place).
std::optional<FileWriteFailure> WriteFileReplacing(const std::filesystem::path &path, std::string_view text);

} // namespace pierqty
