// pierqty-cli writing sheets while the system fails it: a preloaded library
// makes write, fsync or rename fail and records their order. Also the
// sheet to standard output, and the names of a batch. Modes, owners and
// write-protected files are the library's (files_test.cpp).
#include "tests/cli_run.h"
#include "tests/scratch_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using pierqty::test::ReadFileBytes;
using pierqty::test::ScratchFolder;
using pierqty::test::ShellQuote;

class FileCli : public testing::Test
{
protected:
    int Cli(const std::vector<std::string> &args, const std::string &shell = "")
    {
        run = pierqty::test::RunProgram(PIERQTY_CLI, args, "", {shell + " PIERQTY_SHEET_DATE=2030-01-01", ""});
        return run.status;
    }
    std::string Preload(const std::string &fault) const
    {
        // ASan asks to come first among the libraries; the shim only wraps
        // system calls, so its place does not matter to it.
        return "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" + ShellQuote(PIERQTY_WRITE_FAULT) +
            " PIERQTY_WRITE_FAULT=" + fault +
            " PIERQTY_WRITE_LOG=" + ShellQuote((work / "log").string());
    }

    ScratchFolder scratch;
    const fs::path &work = scratch.path();
    pierqty::test::ProcessRun run;
};

TEST_F(FileCli, TheSheetIsSyncedBeforeItsRenameAndTheFolderAfter)
{
    fs::create_directories(work / "out");
    const std::string path = (work / "out" / "sheet.html").string();
    ASSERT_EQ(Cli({"--sheet", path, "n=10"}, Preload("none")), 0) << run.err;
    EXPECT_EQ(ReadFileBytes((work / "log").string()), "write\nfsync file\nrename\nfsync folder\n");
}

TEST_F(FileCli, AFailedWriteSyncOrRenameKeepsTheOldSheetAndLeavesNoTemporaryFile)
{
    fs::create_directories(work / "out");
    const std::string path = (work / "out" / "sheet.html").string();
    for (const char *fault : {"write", "fsync", "rename"}) {
        std::ofstream(path) << "earlier";
        EXPECT_EQ(Cli({"--sheet", path, "n=10"}, Preload(fault)), 74) << fault;
        EXPECT_NE(run.err.find("'" + path + "'"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileBytes(path), "earlier") << fault;
        EXPECT_EQ(ScratchFolder::Names(work / "out"), std::vector<std::string>{"sheet.html"}) << fault;
    }
    // The folder cannot be synced: the new sheet is in place, but a script
    // must know that it may not survive a crash.
    EXPECT_EQ(Cli({"--sheet", path, "n=10"}, Preload("folder")), 74);
    EXPECT_NE(run.err.find("cannot sync the folder"), std::string::npos) << run.err;
    EXPECT_NE(ReadFileBytes(path).find("<!DOCTYPE html>"), std::string::npos);
}

TEST_F(FileCli, StandardOutputAndDevicesAreWrittenInPlace)
{
    // A link of the test's own, never the real /dev/stdout: a
    // write by rename replaced them.
    const fs::path stdoutLink = work / "stdout";
    fs::create_symlink("/proc/self/fd/1", stdoutLink);
    ASSERT_EQ(Cli({"--sheet", "-", "n=10"}), 0) << run.err;
    const std::string html = run.out;
    ASSERT_EQ(Cli({"--sheet", stdoutLink.string(), "n=10"}), 0) << run.err;
    EXPECT_EQ(run.out, html);
    EXPECT_TRUE(fs::is_symlink(stdoutLink));
    // Standard output on a file: synced too, and a failed sync is said.
    EXPECT_EQ(Cli({"--sheet", stdoutLink.string(), "n=10"}, Preload("fsync")), 74);
    EXPECT_NE(run.err.find("Input/output error"), std::string::npos) << run.err;
    // (A device node of the test's own: files_test's DevicesFifosAndSockets...)
}

TEST_F(FileCli, BatchTellsApartNamesThatWindowsTakesForOne)
{
    const fs::path csv = work / "piers.csv";
    // Äx and äx; é composed and decomposed; COM¹, a device on Windows.
    std::ofstream(csv, std::ios::binary) << "id,n,h\n\xC3\x84x,10,3\n\xC3\xA4x,10,3\n\xC3\xA9,10,3\ne\xCC\x81,10,3\n"
                                            "COM\xC2\xB9,10,3\n";
    ASSERT_EQ(Cli({"--batch", csv.string(), "--sheet", (work / "sheets").string()}), 0) << run.err;
    EXPECT_EQ(ScratchFolder::Names(work / "sheets"),
              (std::vector<std::string>{"_COM\xC2\xB9.html", "e\xCC\x81-2.html", "\xC3\x84x.html", "\xC3\xA4x-2.html",
                                        "\xC3\xA9.html"}));
}

} // namespace
