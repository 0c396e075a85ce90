// sheet::WriteAtomically on real files, links, devices, FIFOs and sockets,
// and the names a batch gives its sheets.
#include "sheet/files.h"
#include "tests/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
namespace sheet = pierqty::sheet;
using pierqty::test::ScratchFolder;

std::string Content(const fs::path &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

bool Write(const fs::path &path, std::string_view text, std::string &error)
{
    return sheet::WriteAtomically(sheet::Utf8FromPath(path), text, error);
}

TEST(FileWrites, AnyLegalNameWorksAndAControlByteInAMessageIsEscaped)
{
    const ScratchFolder scratch;
    // 255 bytes is the most a name may have; the temporary name stays short.
    const fs::path path = scratch.path() / (std::string(250, 'x') + ".html");
    std::string error;
    ASSERT_TRUE(Write(path, "first", error)) << error;
    ASSERT_TRUE(Write(path, "second", error)) << error;
    EXPECT_EQ(Content(path), "second");
    EXPECT_EQ(ScratchFolder::Names(scratch.path()).size(), 1u);

    // A name that sets the terminal's title and rings its bell, and C1
    // controls (CSI, APC) in UTF-8.
    EXPECT_FALSE(Write(scratch.path() / sheet::PathFromUtf8("a \x1B]2;x\x07\xC2\x9B\xC2\x9F\xC2\xA0") / "s.html",
                       "text", error));
    EXPECT_NE(error.find("cannot create a file in the folder"), std::string::npos) << error;
    EXPECT_NE(error.find("a \\x1B]2;x\\x07\\xC2\\x9B\\xC2\\x9F\xC2\xA0'"), std::string::npos) << error;
    EXPECT_EQ(error.find('\x1B'), std::string::npos);
    EXPECT_FALSE(sheet::WriteAtomically(sheet::Utf8FromPath(scratch.path()) + "/", "text", error));
    EXPECT_NE(error.find("names a folder"), std::string::npos) << error;
    EXPECT_FALSE(Write(scratch.path(), "text", error));
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;
}

TEST(FileWrites, AWriteProtectedFileIsRefused)
{
    const ScratchFolder scratch;
    const fs::path path = scratch.path() / "kept.html";
    std::ofstream(path) << "old";
    // No write permission (the read-only attribute on Windows): refused as
    // cp refuses it, and by root too, who would otherwise replace it.
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    fs::permissions(path, write, fs::perm_options::remove);
    std::string error;
    EXPECT_FALSE(Write(path, "new", error));
    EXPECT_NE(error.find("write-protected"), std::string::npos) << error;
    EXPECT_EQ(Content(path), "old");
    EXPECT_EQ(ScratchFolder::Names(scratch.path()), std::vector<std::string>{"kept.html"});
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add); // so that it can be removed
}

#ifdef _WIN32

TEST(FileWrites, TheNullDeviceIsWrittenInPlace)
{
    std::string error;
    EXPECT_TRUE(Write("NUL", "text", error)) << error;
}

#else

TEST(FileWrites, ALinkStaysALinkAndTheFileAtItsEndIsReplaced)
{
    const ScratchFolder scratch;
    const fs::path &work = scratch.path();
    fs::create_directories(work / "links");
    fs::create_directories(work / "files");
    std::ofstream(work / "files" / "sheet.html") << "old";
    // A chain of relative links: links/second -> first -> ../files/sheet.html.
    fs::create_symlink("../files/sheet.html", work / "links" / "first");
    fs::create_symlink("first", work / "links" / "second");
    std::string error;
    ASSERT_TRUE(Write(work / "links" / "second", "new", error)) << error;
    EXPECT_EQ(fs::read_symlink(work / "links" / "second"), "first");
    EXPECT_EQ(fs::read_symlink(work / "links" / "first"), "../files/sheet.html");
    EXPECT_EQ(Content(work / "files" / "sheet.html"), "new");
    EXPECT_EQ(ScratchFolder::Names(work / "links"), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(ScratchFolder::Names(work / "files"), std::vector<std::string>{"sheet.html"});
    // A link whose file is not there yet makes it where the link points.
    fs::create_symlink(work / "files" / "later.html", work / "links" / "absolute");
    ASSERT_TRUE(Write(work / "links" / "absolute", "later", error)) << error;
    EXPECT_TRUE(fs::is_symlink(work / "links" / "absolute"));
    EXPECT_EQ(Content(work / "files" / "later.html"), "later");
}

TEST(FileWrites, AReplacedFileKeepsItsModeAndOwner)
{
    const ScratchFolder scratch;
    const fs::path path = scratch.path() / "private.html";
    std::ofstream(path) << "old";
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    std::string error;
    ASSERT_TRUE(Write(path, "new", error)) << error;
    struct stat info {
    };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
}

TEST(FileWrites, DevicesFifosAndSocketsAreWrittenInPlace)
{
    const ScratchFolder scratch;
    const fs::path fifo = scratch.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reader is there first, without waiting for a writer, so that the
    // test cannot hang; the text fits the pipe's buffer.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string error;
    EXPECT_TRUE(Write(fifo, "through the fifo", error)) << error;
    char buffer[64] = {};
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the fifo");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // Device nodes of the test's own, so that no real node is ever at stake
    // (a write by rename replaced them).
    const fs::path full = scratch.path() / "full", null = scratch.path() / "null";
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 ||
        ::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "cannot make device nodes (not root)";
    EXPECT_FALSE(Write(full, "text", error));
    EXPECT_EQ(error, "cannot write '" + full.string() + "': No space left on device");
    EXPECT_TRUE(Write(null, "gone", error)) << error;
    EXPECT_TRUE(fs::is_character_file(full));
    EXPECT_TRUE(fs::is_character_file(null));
    EXPECT_EQ(ScratchFolder::Names(scratch.path()), (std::vector<std::string>{"fifo", "full", "null"}));
}

TEST(FileWrites, ASocketIsConnectedToAndWritten)
{
    const ScratchFolder scratch;
    const fs::path path = scratch.path() / "socket";
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.native().size(), sizeof address.sun_path);
    path.native().copy(address.sun_path, path.native().size());
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    // The connection waits in the backlog and the text in the socket's
    // buffer; accepted afterwards, without waiting, so that no test hangs.
    std::string error;
    EXPECT_TRUE(Write(path, "through the socket", error)) << error;
    ASSERT_EQ(::fcntl(server, F_SETFL, O_NONBLOCK), 0);
    std::string received;
    if (const int client = ::accept(server, nullptr, nullptr); client >= 0) {
        char buffer[256];
        for (ssize_t got; (got = ::read(client, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<std::size_t>(got));
        ::close(client);
    }
    ::close(server);
    EXPECT_EQ(received, "through the socket");
    EXPECT_TRUE(fs::is_socket(path));
}

#endif

TEST(FileNames, NamesThatWindowsOrMacosTakeForOneFileCompareEqual)
{
    const auto same = [](const char *a, const char *b) { return sheet::ComparableName(a) == sheet::ComparableName(b); };
    EXPECT_TRUE(same("\xC3\x84x.html", "\xC3\xA4X.HTML")); // Äx, äX
    EXPECT_TRUE(same("\xC3\xA4x", "a\xCC\x88x")); // ä composed and decomposed
    EXPECT_TRUE(same("\xC3\xA9", "E\xCC\x81")); // é, É decomposed
    EXPECT_TRUE(same("\xE1\xBA\x9E", "\xC3\x9F")); // ẞ, ß
    EXPECT_TRUE(same("\xE2\x84\xA6", "\xCF\x89")); // Ω OHM SIGN, ω
    EXPECT_TRUE(same("\xCE\xA3", "\xCF\x82")); // Σ, final ς
    EXPECT_TRUE(same("\xEA\xB0\x80", "\xE1\x84\x80\xE1\x85\xA1")); // 가, its jamo
    EXPECT_TRUE(same("\xEA\xB0\x81", "\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8")); // 각, its jamo
    EXPECT_EQ(sheet::ComparableName("\xF0\x90\x90\x80"), "\xF0\x90\x90\xA8"); // Deseret 𐐀 to 𐐨
    EXPECT_TRUE(same("a\xCC\x81\xCC\xA3", "a\xCC\xA3\xCC\x81")); // marks in either order
    EXPECT_TRUE(same("\xD0\x96", "\xD0\xB6")); // Ж, ж
    EXPECT_FALSE(same("\xC3\xA9", "e"));
    EXPECT_FALSE(same("a\xCC\x81\xCC\x80", "a\xCC\x80\xCC\x81")); // same class: order counts
    EXPECT_FALSE(same("\xC4\xB0", "i")); // İ folds only in Turkish
    EXPECT_FALSE(same("x\xFF", "x\xFE"));
    // Code points without case or decomposition come back as they were.
    for (const char *name : {"\xC2\x80", "\x7F", "\xF3\xB0\x80\x80", "\xF4\x8F\xBF\xBD", "\xEF\xBF\xBD"})
        EXPECT_EQ(sheet::ComparableName(name), name);
    EXPECT_EQ(sheet::ComparableName("\xE5\xA2\xA9 P-01"), "\xE5\xA2\xA9 p-01"); // 墩 P-01
}

TEST(FileNames, ReservedDeviceNamesIncludeSuperscriptDigits)
{
    for (const char *id : {"COM\xC2\xB9", "lpt\xC2\xB3.txt", "Com\xC2\xB2", "con .txt", "COM0"})
        EXPECT_EQ(sheet::SafeFileStem(id), std::string("_") + id) << id;
    for (const char *id : {"COM\xE2\x81\xB4", "COM\xC2\xB9\xC2\xB9", "LPT", "console"})
        EXPECT_EQ(sheet::SafeFileStem(id), id) << id;
}

} // namespace
