// pierqty-cli --batch through its process: files as spreadsheets save them,
// hostile and endless files, memory limits, and sheets that cannot be
// written.
#include "tests/cli_run.h"
#include "tests/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define PIERQTY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIERQTY_SANITIZED 1
#endif
#endif

namespace {

namespace fs = std::filesystem;
using CliRun = pierqty::test::ProcessRun;
using pierqty::test::ShellQuote;

CliRun Cli(const std::vector<std::string> &args, const std::string &input = "",
           const pierqty::test::RunSetting &setting = {})
{
    return pierqty::test::RunProgram(PIERQTY_CLI, args, input, setting);
}

using pierqty::test::LfLines;

void WriteFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-16 LE with a byte order mark, as Excel's "Unicode text" saves it.
std::string Utf16(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// The row of a default pier at n = 10 after its id, and TOTAL's.
constexpr const char *kTenLayers =
    ",65.11549399635003,38.70411783897279,65.6783754863722,38.65343482729694,64.18144332970796,";

TEST(CliBatchFiles, ExcelSavesInGbkAndUtf16AreRead)
{
    // "CSV (逗号分隔)" from a Chinese Windows: GBK, 墩 is B6 D5 (the decoders'
    // own cases: csv_reader_test).
    const CliRun gbk = Cli({"--batch", "-"},
                           "id,n\r\n\xB6\xD5"
                           "1,10\r\n");
    ASSERT_EQ(gbk.status, 0) << gbk.err;
    const auto lines = LfLines(gbk.out);
    ASSERT_EQ(lines.size(), 3u) << gbk.out;
    EXPECT_EQ(lines[1], std::string("墩1") + kTenLayers);
    EXPECT_EQ(gbk.err, "note: standard input is not UTF-8: read as GB18030 (GBK)\n");

    // "Unicode text" (UTF-16 LE, tab-separated, CR LF) in a file with a
    // Chinese name, on Windows too; the other byte order and the line ends
    // of either: csv_reader_test.
    const std::string expected = "id,S,V,true_S,exact_V,projected_S,fault\n墩1" + std::string(kTenLayers) + "\n";
    pierqty::test::ScratchFolder scratch;
    const fs::path named = scratch.path() / fs::path(u8"桥墩.csv");
    WriteFile(named, Utf16(u"id\tn\r\n墩1\t10\r\n"));
    const CliRun file = Cli({"--batch", (scratch.path() / "").string() + "桥墩.csv"});
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(file.out.substr(0, expected.size()), expected);
    EXPECT_EQ(file.err, ""); // no note: UTF-16 is said by its byte order mark
}

TEST(CliBatchFiles, NoByteOfTheFileReachesTheTerminal)
{
    // A header that would set the window title and clear the screen.
    const CliRun header = Cli({"--batch", "-"}, "id,\x1B]2;owned\x07\x1B[2J\n1,2\n");
    EXPECT_EQ(header.status, 65);
    EXPECT_NE(header.err.find("line 1: unknown column '\\x1B]2;owned\\x07\\x1B[2J'"), std::string::npos) << header.err;
    // An unknown column of a GBK file is shown in Chinese.
    EXPECT_NE(Cli({"--batch", "-"}, "id,\xB6\xD5\n").err.find("unknown column '墩'"), std::string::npos);

    // NUL, ESC, DEL and C1's CSI (U+009B) in a cell and an id: escaped in
    // the row, which may go to a terminal too.
    std::string input = "id,L1\nA\x1B[2J";
    input += '\0';
    input += ",2\xC2\x9B\x7F\n";
    const CliRun cells = Cli({"--batch", "-"}, input);
    EXPECT_EQ(cells.status, 2);
    const auto lines = LfLines(cells.out);
    ASSERT_EQ(lines.size(), 3u) << cells.out;
    EXPECT_EQ(lines[1], "A\\x1B[2J\\x00,,,,,,\"NotANumber: L1 = \"\"2\\x9B\\x7F\"\" is not a number\"");
    for (const std::string &text : {cells.out, cells.err, header.err})
        for (const char c : text)
            EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << static_cast<int>(c);

    const CliRun path = Cli({"--batch", "missing\x1B[2J.csv"});
    EXPECT_EQ(path.status, 66);
    EXPECT_NE(path.err.find("cannot read 'missing\\x1B[2J.csv'"), std::string::npos) << path.err;
}

TEST(CliBatchFiles, TextCellsNeverRunAsFormulas)
{
    std::string input = "id,n\n\"=HYPERLINK(\"\"http://x\"\")\",10\n+1,10\n-1,10\n@SUM(A1),10\n\"\tx\",10\n"
                        "\"\rx\",10\nplain,10\n";
    const CliRun run = Cli({"--batch", "-"}, input);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = LfLines(run.out);
    ASSERT_EQ(lines.size(), 9u) << run.out;
    const char *const ids[] = {
        "\"'=HYPERLINK(\"\"http://x\"\")\"", "'+1", "'-1", "'@SUM(A1)", "'\tx", "\"'\rx\"", "plain"};
    for (std::size_t k = 0; k < std::size(ids); ++k)
        EXPECT_EQ(lines[k + 1], ids[k] + std::string(kTenLayers));
}

TEST(CliBatchFiles, RoundedLayerCountsAreSaid)
{
    // A cell's with its line: OneThreadAndFourWriteTheSameBytes. A default
    // n is said once, not on every row that takes it.
    const CliRun defaults = Cli({"--batch", "-", "n=2.5"}, "id\nA\nB\n");
    ASSERT_EQ(defaults.status, 0) << defaults.err;
    EXPECT_EQ(defaults.err, "warning: n: 2.5 rounded to 2 layers\n");
}

TEST(CliBatchFiles, OverLongLinesStopWithTheLine)
{
    // Up to 1 MiB a line is read; one byte more is a malformed file.
    const std::string longest = std::string(1048576 - 3, 'x') + ",10";
    const CliRun fits = Cli({"--batch", "-"}, "id,n\n" + longest + "\n");
    EXPECT_EQ(fits.status, 0) << fits.err;
    const CliRun over = Cli({"--batch", "-"}, "id,n\nA,10\nx" + longest + "\nB,10\n");
    EXPECT_EQ(over.status, 65);
    EXPECT_EQ(over.out, "");
    EXPECT_NE(over.err.find("line 3: the line is longer than 1 MiB"), std::string::npos) << over.err;

    std::string runsOn = "id,n\n\"";
    for (int k = 0; k < 600000; ++k)
        runsOn += "x\n";
    const CliRun quoted = Cli({"--batch", "-"}, runsOn);
    EXPECT_EQ(quoted.status, 65);
    EXPECT_NE(quoted.err.find("line 2: a quoted field runs on for more than 1 MiB"), std::string::npos) << quoted.err;
}

TEST(CliBatchFiles, AMalformedLineAtTheEndLeavesNothingWritten)
{
    // More rows than one piece of output: nothing is written before the
    // whole file is checked, from a file as from standard input.
    pierqty::test::ScratchFolder scratch;
    std::string input = "id,n\n";
    for (int k = 1; k <= 3000; ++k)
        input.append("P").append(std::to_string(k)).append(",1\n");
    const fs::path file = scratch.path() / "piers.csv";
    WriteFile(file, input + "last,1,2\n");
    const fs::path sheets = scratch.path() / "sheets";
    for (const std::vector<std::string> &args : {std::vector<std::string>{"--batch", file.string()},
                                                 {"--batch", "-"},
                                                 {"--batch", file.string(), "--sheet", sheets.string()}}) {
        const CliRun run = Cli(args, input + "last,1,2\n");
        EXPECT_EQ(run.status, 65) << args[1];
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("line 3002: 3 fields where the header names 2"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(sheets));
    const CliRun whole = Cli({"--batch", "-"}, input);
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(LfLines(whole.out).size(), 3002u);
}

TEST(CliBatchFiles, ASheetThatCannotBeWrittenKeepsTheBatch)
{
    pierqty::test::ScratchFolder scratch;
    const fs::path csv = scratch.path() / "piers.csv";
    WriteFile(csv, "id,n\nP1,10\nP2,20\nP3,0\n");
    const fs::path clear = scratch.path() / "clear";
    const CliRun reference = Cli({"--batch", csv.string(), "--sheet", clear.string()});
    ASSERT_EQ(reference.status, 2) << reference.err;

    // P1.html is a folder: its sheet cannot be written, the others are.
    const fs::path blocked = scratch.path() / "blocked";
    fs::create_directories(blocked / "P1.html");
    const CliRun run = Cli({"--batch", csv.string(), "--sheet", blocked.string()});
    EXPECT_EQ(run.status, 74);
    const auto lines = LfLines(run.out), expected = LfLines(reference.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    // Its figures stand and are summed; the fault cell says why it has no sheet.
    EXPECT_EQ(lines[1].rfind(expected[1].substr(0, expected[1].size() - 1) + ",计算书未写出: ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("P1.html"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], expected[2]);
    EXPECT_EQ(lines[4], expected[4]);
    // No temporary file left beside them, whatever the system.
    EXPECT_EQ(pierqty::test::ScratchFolder::Names(blocked), (std::vector<std::string>{"P1.html", "P2.html"}));
    EXPECT_NE(run.err.find("line 2: "), std::string::npos) << run.err;
}

// PIERQTY_THREADS for the runs of one scope, in this process and so in the
// programs it starts.
class ThreadCount
{
public:
    explicit ThreadCount(const char *count) { Set(count); }
    ~ThreadCount() { Set(nullptr); }
    ThreadCount(const ThreadCount &) = delete;
    ThreadCount &operator=(const ThreadCount &) = delete;

private:
    static void Set(const char *count)
    {
#ifdef _WIN32
        _putenv_s("PIERQTY_THREADS", count ? count : "");
#else
        count ? setenv("PIERQTY_THREADS", count, 1) : unsetenv("PIERQTY_THREADS");
#endif
    }
};

TEST(CliBatchFiles, OneThreadAndFourWriteTheSameBytes)
{
    // Piers of every kind and size, over several blocks of rows: computed
    // (n from 1 to 997 layers, so rows take unequal times), a cell that is
    // no number, a height above a radius, chamfers that do not fit, and a
    // rounded n, whose warning names its line.
    std::string input = "id,L1,R1,L2,R2,h,n,l1\n";
    for (int k = 1; k <= 3000; ++k) {
        const double h = 1 + (k % 40) * 0.1, r1 = h + (k % 7) * 0.5;
        const double r2 = k % 83 == 0 ? h - 0.5 : h + 2 + (k % 11);
        input.append("P").append(std::to_string(k)).append(",").append(std::to_string(2 + (k % 5) * 0.1));
        input.append(",").append(k % 89 == 0 ? std::string("abc") : std::to_string(r1));
        input.append(",").append(std::to_string(1.5 + (k % 3) * 0.1)).append(",").append(std::to_string(r2));
        input.append(",").append(std::to_string(h)).append(",").append(std::to_string(1 + (k * 37) % 997));
        input.append(k % 97 == 0 ? ".5," : ",").append(k % 79 == 0 ? "1\n" : "\n");
    }
    CliRun one, four;
    {
        const ThreadCount count("1");
        one = Cli({"--batch", "-"}, input);
    }
    {
        const ThreadCount count("4");
        four = Cli({"--batch", "-"}, input);
    }
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(four.status, one.status);
    const auto lines = LfLines(one.out);
    ASSERT_EQ(lines.size(), 3002u);
    for (std::size_t k = 1; k <= 3000; ++k) // in file order
        ASSERT_EQ(lines[k].substr(0, lines[k].find(',')), std::string("P").append(std::to_string(k)));
    EXPECT_TRUE(four.out == one.out); // (not printed: 600 kB)
    EXPECT_EQ(four.err, one.err);
    EXPECT_NE(one.err.find("warning: line 98: n: 599.5 rounded to 600 layers\n"), std::string::npos) << one.err;
    EXPECT_NE(lines[79].find(",\"NotBuildable: "), std::string::npos) << lines[79];
    EXPECT_NE(one.out.find("\nP89,,,,,,\"NotANumber: R1 = \"\"abc\"\" is not a number\"\n"), std::string::npos);
}

#ifndef _WIN32
TEST(CliBatchFiles, APipeIsReadTwiceThroughACopy)
{
    // A FIFO cannot be read twice: its bytes are copied aside as they come.
    pierqty::test::ScratchFolder scratch;
    const fs::path csv = scratch.path() / "piers.csv", fifo = scratch.path() / "fifo";
    WriteFile(csv, "id,n\nA,10\n");
    const auto feed = [&] { return "cat " + ShellQuote(csv.string()) + " > " + ShellQuote(fifo.string()) + " & "; };
    ASSERT_EQ(std::system(("mkfifo " + ShellQuote(fifo.string())).c_str()), 0);
    const CliRun run = Cli({"--batch", fifo.string()}, "", {feed(), ""});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Cli({"--batch", csv.string()}).out);
    // No room for the copy: said, and nothing written.
    const CliRun noCopy = Cli({"--batch", fifo.string()}, "", {feed() + "TMPDIR=/nonexistent", ""});
    EXPECT_EQ(noCopy.status, 74);
    EXPECT_EQ(noCopy.out, "");
    EXPECT_NE(noCopy.err.find("cannot keep a copy of '" + fifo.string() + "'"), std::string::npos) << noCopy.err;
}

#ifndef PIERQTY_SANITIZED
// (AddressSanitizer reserves far more address space than these limits.)

TEST(CliBatchFiles, EndlessInputsEndUnderAMemoryLimit)
{
    // 30 MB of address space: enough for the program, not for a batch held whole.
    const pierqty::test::RunSetting limited{"ulimit -v 30000;", ""};
    const CliRun zero = Cli({"--batch", "/dev/zero"}, "", limited);
    EXPECT_EQ(zero.status, 65);
    EXPECT_NE(zero.err.find("line 1: the line is longer than 1 MiB"), std::string::npos) << zero.err;

    std::string input = "id,n\n";
    for (int k = 0; k < 200000; ++k)
        input.append("P").append(std::to_string(k)).append(",0\n"); // piers that stop at once: quick
    const CliRun many = Cli({"--batch", "-"}, input, limited);
    EXPECT_EQ(many.status, 2) << many.err;
    const auto lines = LfLines(many.out);
    ASSERT_EQ(lines.size(), 200002u);
    EXPECT_EQ(lines.back(), "TOTAL,0,0,0,0,0,sums over 0 of 200000 piers (200000 stopped)");
}

#ifdef PIERQTY_ALLOC_FAULT
TEST(CliBatchFiles, MemoryThatRunsOutIsSaid)
{
    // operator new refuses more than 256 KiB: a long line cannot be held.
    const pierqty::test::RunSetting refusing{
        "LD_PRELOAD=" + ShellQuote(PIERQTY_ALLOC_FAULT) + " PIERQTY_ALLOC_FAIL_ABOVE=262144", ""};
    const CliRun run = Cli({"--batch", "-"}, "id,n\n" + std::string(600000, 'x') + ",10\n", refusing);
    EXPECT_EQ(run.status, 71);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "pierqty-cli: out of memory\n");
}
#endif
#endif
#endif

} // namespace
