// pierqty-cli --sheet through its process: what lands on disk, and what
// does not when the calculation stops or the disk refuses the write.
#include "tests/cli_run.h"
#include "tests/scratch_folder.h"
#include "tests/xml_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using pierqty::test::ReadFileBytes;

class SheetCli : public testing::Test
{
protected:
    void SetUp() override { fs::create_directories(work / "out"); }

    // pierqty-cli on a fixed date; shell goes before it (limits, traps),
    // output takes its standard output instead of the capture.
    int Cli(const std::vector<std::string> &args, const std::string &shell = "", const std::string &output = "")
    {
        run = pierqty::test::RunProgram(PIERQTY_CLI, args, "", {shell + " PIERQTY_SHEET_DATE=2030-01-01", output});
        return run.status;
    }

    static std::vector<std::string> Names(const fs::path &folder)
    {
        return pierqty::test::ScratchFolder::Names(folder);
    }

    pierqty::test::ScratchFolder scratch;
    const fs::path &work = scratch.path();
    pierqty::test::ProcessRun run;
};

TEST_F(SheetCli, WritesOneSheetToAFileOrStandardOutput)
{
    const std::string path = (work / "out" / "计算书.html").string();
    ASSERT_EQ(Cli({"--sheet", path, "--title", "K12+300 右幅 3# 墩", "n=10"}), 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string html = ReadFileBytes(path);
    const auto root = xmltest::Parse(html);
    EXPECT_EQ(root->byId("parameter-n")->all("td").at(3)->textContent(), "10");
    EXPECT_EQ(root->byId("f-S")->textContent(), "65.115494");
    EXPECT_EQ(root->byId("project")->textContent(), "K12+300 右幅 3# 墩");
    EXPECT_EQ(root->byId("date")->textContent(), "2030-01-01");
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"计算书.html"});

    ASSERT_EQ(Cli({"--sheet", "-", "--title", "K12+300 右幅 3# 墩", "n=10"}), 0) << run.err;
    EXPECT_EQ(run.out, html);
}

TEST_F(SheetCli, AFaultExits2AndAFailedWrite74WithNoFileLeft)
{
    const fs::path path = work / "out" / "sheet.html";
    ASSERT_EQ(Cli({"--sheet", path.string(), "n=0"}), 2);
    EXPECT_NE(run.err.find("DivisionByZero"), std::string::npos) << run.err;
    EXPECT_TRUE(Names(work / "out").empty());
    EXPECT_EQ(Cli({"--sheet", (work / "missing" / "s.html").string()}), 74);
    EXPECT_NE(run.err.find("no sheet written"), std::string::npos) << run.err;
    // The disk refuses the write half-way: a limit on file size (SIGXFSZ
    // ignored, so that the write fails instead of killing).
    EXPECT_EQ(Cli({"--sheet", path.string()}, "ulimit -f 8; trap '' XFSZ;"), 74);
    EXPECT_TRUE(Names(work / "out").empty());
    EXPECT_EQ(Cli({"--sheet", "-"}, "", "/dev/full"), 74);
    // An earlier sheet at the path stays as it was.
    std::ofstream(path) << "earlier";
    ASSERT_EQ(Cli({"--sheet", path.string(), "h=5"}), 2);
    EXPECT_EQ(ReadFileBytes(path.string()), "earlier");
}

TEST_F(SheetCli, BatchWritesOneSheetPerComputedPierUnderSafeDistinctNames)
{
    const fs::path csv = work / "piers.csv";
    std::ofstream(csv, std::ios::binary) << "id,n,h\nP1,10,3\np1,20,3\n../evil,10,3\n,10,3\nstops,0,3\n";
    const fs::path folder = work / "out" / "sheets";
    // One pier stops (n = 0): every other row and sheet is written, and the exit is 2.
    ASSERT_EQ(Cli({"--batch", csv.string(), "--sheet", folder.string(), "--title", "某桥"}), 2) << run.err;
    EXPECT_NE(run.out.find("TOTAL"), std::string::npos);
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"P1.html", "_._evil.html", "p1-2.html", "pier.html"}));
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"sheets"}); // nothing beside the folder
    // Each sheet names its pier and holds its own figures.
    const auto second = xmltest::Parse(ReadFileBytes((folder / "p1-2.html").string()));
    EXPECT_EQ(second->byId("project")->textContent(), "某桥");
    EXPECT_EQ(second->byId("pier")->textContent(), "p1");
    EXPECT_EQ(second->byId("parameter-n")->all("td").at(3)->textContent(), "20");
}

TEST_F(SheetCli, BatchWritesNoSheetWhenItsFileIsMalformedOrTheFolderCannotBeMade)
{
    // (A malformed file: batch_test's AMalformedLineAtTheEndLeavesNothingWritten.)
    const fs::path csv = work / "piers.csv";
    std::ofstream(csv, std::ios::binary) << "id,n\nA,10\n";
    std::ofstream(work / "out" / "file") << "x";
    EXPECT_EQ(Cli({"--batch", csv.string(), "--sheet", (work / "out" / "file").string()}), 74);
    EXPECT_NE(run.err.find("cannot create the folder"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST_F(SheetCli, UsageErrorsExit64AndWriteNothing)
{
    for (const auto &args : std::vector<std::vector<std::string>>{{"--title", "x"},
                                                                  {"--pier", "3#"},
                                                                  {"--basis", "x"},
                                                                  {"--sheet", "-", "--title", "a", "--project", "b"},
                                                                  {"--sheet", "-", "--json"},
                                                                  {"--sheet", "-", "--csv"},
                                                                  {"--batch", "-", "--sheet", "-"}})
        EXPECT_EQ(Cli(args), 64) << args[0] << " " << args.back();
}

// Each option fills its field of the title block; an empty one is a line
// to sign on; the running header names project, pier and sheet number.
TEST_F(SheetCli, TitleBlockFieldsComeFromTheirOptions)
{
    ASSERT_EQ(Cli({"--sheet",       "-",           "--project",     "某桥",
                   "--pier",        "3#",          "--drawing",     "S3-05",
                   "--number",      "JS-1",        "--revision",    "B",
                   "--compiled-by", "张三",        "--compiled-on", "2030-01-02",
                   "--checked-by",  "李四",        "--basis",       "地质勘察报告",
                   "--basis",       "施工组织设计"}),
              0)
        << run.err;
    const auto root = xmltest::Parse(run.out);
    for (const auto &[id, text] : std::vector<std::pair<std::string, std::string>>{{"project", "某桥"},
                                                                                   {"pier", "3#"},
                                                                                   {"drawing-number", "S3-05"},
                                                                                   {"sheet-number", "JS-1"},
                                                                                   {"revision", "B"},
                                                                                   {"compiled-name", "张三"},
                                                                                   {"compiled-date", "2030-01-02"},
                                                                                   {"checked-name", "李四"}})
        EXPECT_EQ(root->byId(id)->textContent(), text) << id;
    for (const char *id : {"checked-date", "approved-name", "approved-date"})
        EXPECT_EQ(root->byId(id)->byClass("blank").size(), 1u) << id;
    const auto basis = root->byClass("user-basis");
    ASSERT_EQ(basis.size(), 2u);
    EXPECT_EQ(basis[1]->textContent(), "施工组织设计");
    EXPECT_NE(root->byId("basis-list")->textContent().find("图号：S3-05"), std::string::npos);
    EXPECT_NE(run.out.find("content: \"某桥 · 墩号 3# · 计算书编号 JS-1\""), std::string::npos);
}

// A pier that cannot be built has no sheet: exit 2, the reason named.
TEST_F(SheetCli, NoSheetForAPierThatCannotBeBuilt)
{
    // (Each reason's wording: calc, the batch and the sheet's own tests.)
    EXPECT_EQ(Cli({"--sheet", (work / "out" / "sheet.html").string(), "R1=-4.488"}), 2);
    EXPECT_EQ(run.err.rfind("pierqty-cli: NotBuildable: R1 = -4.488 is not positive", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
    EXPECT_TRUE(Names(work / "out").empty());
}

} // namespace
