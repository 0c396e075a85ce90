// pierqty-cli --sheet through its process: what lands on disk, and what
// does not when the calculation stops or the disk refuses the write.
#include "tests/cli_run.h"
#include "tests/xml_reader.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path &path)
{
    return pierqty::test::ReadFileBytes(path.string());
}

class SheetCli : public testing::Test
{
protected:
    void SetUp() override
    {
        const auto *info = testing::UnitTest::GetInstance()->current_test_info();
        work = fs::path(testing::TempDir()) /
            (std::string("pierqty_sheet_cli_") + info->name() + "_" + std::to_string(::getpid()));
        fs::remove_all(work);
        fs::create_directories(work / "out");
    }
    void TearDown() override { fs::remove_all(work); }

    // Runs pierqty-cli with the arguments under sh; prefix goes before it
    // (limits, traps), redirect after it (default: stdout to a file).
    int Cli(const std::vector<std::string> &args, const std::string &prefix = "", const std::string &redirect = "")
    {
        std::string command = prefix + "PIERQTY_SHEET_DATE=2030-01-01 exec " + pierqty::test::ShellQuote(PIERQTY_CLI);
        for (const std::string &arg : args)
            command.append(" ").append(pierqty::test::ShellQuote(arg));
        if (redirect.empty())
            command.append(" > ").append(pierqty::test::ShellQuote((work / "stdout").string()));
        else
            command.append(" ").append(redirect);
        command.append(" 2> ").append(pierqty::test::ShellQuote((work / "stderr").string())).append(" < /dev/null");
        const int raw = std::system(("sh -c " + pierqty::test::ShellQuote(command)).c_str());
        err = Slurp(work / "stderr");
        out = Slurp(work / "stdout");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::vector<std::string> Names(const fs::path &folder) const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path work;
    std::string out, err;
};

TEST_F(SheetCli, WritesOneSheetToAFileOrStandardOutput)
{
    const std::string path = (work / "out" / "计算书.html").string();
    ASSERT_EQ(Cli({"--sheet", path, "--title", "K12+300 右幅 3# 墩", "n=10"}), 0) << err;
    EXPECT_EQ(out, "");
    const std::string html = Slurp(path);
    const auto root = xmltest::Parse(html);
    EXPECT_EQ(root->byId("summary-S-layered")->textContent(), "65.115494");
    EXPECT_EQ(root->byId("summary-V-layered")->textContent(), "38.704118");
    EXPECT_EQ(root->byId("subject")->textContent(), "K12+300 右幅 3# 墩");
    EXPECT_EQ(root->byId("date")->textContent(), "2030-01-01");
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"计算书.html"});

    ASSERT_EQ(Cli({"--sheet", "-", "--title", "K12+300 右幅 3# 墩", "n=10"}), 0) << err;
    EXPECT_EQ(out, html);
}

TEST_F(SheetCli, AFaultExitsTwoAndWritesNoFile)
{
    const fs::path path = work / "out" / "sheet.html";
    ASSERT_EQ(Cli({"--sheet", path.string(), "n=0"}), 2);
    EXPECT_NE(err.find("DivisionByZero"), std::string::npos) << err;
    EXPECT_TRUE(Names(work / "out").empty());
    // An earlier sheet at the path stays as it was.
    std::ofstream(path) << "earlier";
    ASSERT_EQ(Cli({"--sheet", path.string(), "h=5"}), 2);
    EXPECT_EQ(Slurp(path), "earlier");
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"sheet.html"});
}

TEST_F(SheetCli, AFailedWriteExits74AndLeavesNoPartialFile)
{
    // The folder does not exist.
    EXPECT_EQ(Cli({"--sheet", (work / "missing" / "s.html").string()}), 74);
    EXPECT_NE(err.find("no sheet written"), std::string::npos) << err;
    // The path is a folder: the rename fails after the text is written.
    fs::create_directories(work / "out" / "s.html" / "x");
    EXPECT_EQ(Cli({"--sheet", (work / "out" / "s.html").string()}), 74);
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"s.html"});
    fs::remove_all(work / "out" / "s.html");
    // The disk refuses the write half-way: a 4 KiB limit on file size
    // (SIGXFSZ ignored, so that the write fails instead of killing).
    EXPECT_EQ(Cli({"--sheet", (work / "out" / "s.html").string()}, "ulimit -f 8; trap '' XFSZ; "), 74);
    EXPECT_TRUE(Names(work / "out").empty());
    // Standard output on a full device.
    EXPECT_EQ(Cli({"--sheet", "-"}, "", "> /dev/full"), 74);
}

TEST_F(SheetCli, BatchWritesOneSheetPerComputedPierUnderSafeDistinctNames)
{
    const fs::path csv = work / "piers.csv";
    std::ofstream(csv, std::ios::binary) << "id,n,h\n"
                                            "P1,10,3\n"
                                            "p1,20,3\n"
                                            "../evil,10,3\n"
                                            "CON,10,3\n"
                                            "a/b,10,3\n"
                                            "\"x\x01y\",10,3\n"
                                            ",10,3\n"
                                            "stops,0,3\n"
                                            "\"墩<3>&\"\"q\"\"\",10,2\n";
    const fs::path folder = work / "out" / "sheets";
    // One pier stops (n = 0): every other row and sheet is written, and the exit is 2.
    ASSERT_EQ(Cli({"--batch", csv.string(), "--sheet", folder.string(), "--title", "某桥"}), 2) << err;
    EXPECT_NE(out.find("TOTAL"), std::string::npos);
    EXPECT_EQ(Names(folder),
              (std::vector<std::string>{"P1.html", "_._evil.html", "_CON.html", "a_b.html", "p1-2.html", "pier.html",
                                        "x_y.html", "墩_3_&_q_.html"}));
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"sheets"}); // nothing beside the folder
    // Each sheet names its pier, escaped, and holds its own figures.
    const auto p1 = xmltest::Parse(Slurp(folder / "P1.html"));
    const auto p1b = xmltest::Parse(Slurp(folder / "p1-2.html"));
    EXPECT_EQ(p1->byId("subject")->textContent(), "某桥 — P1");
    EXPECT_EQ(p1b->byId("subject")->textContent(), "某桥 — p1");
    EXPECT_EQ(p1->byId("summary-S-layered")->textContent(), "65.115494");
    EXPECT_EQ(p1b->byId("parameter-n")->all("td")[3]->textContent(), "20");
    const auto odd = xmltest::Parse(Slurp(folder / "墩_3_&_q_.html"));
    EXPECT_EQ(odd->byId("subject")->textContent(), "某桥 — 墩<3>&\"q\"");
    const auto control = xmltest::Parse(Slurp(folder / "x_y.html"));
    EXPECT_EQ(control->byId("subject")->textContent(), "某桥 — x\xEF\xBF\xBDy");
}

TEST_F(SheetCli, BatchWritesNoSheetWhenItsFileIsMalformedOrTheFolderCannotBeMade)
{
    const fs::path csv = work / "piers.csv";
    std::ofstream(csv, std::ios::binary) << "id,n\nA,10\nB,10,3\n";
    EXPECT_EQ(Cli({"--batch", csv.string(), "--sheet", (work / "out").string()}), 65);
    EXPECT_TRUE(Names(work / "out").empty());

    std::ofstream(csv, std::ios::binary) << "id,n\nA,10\n";
    std::ofstream(work / "out" / "file") << "x";
    EXPECT_EQ(Cli({"--batch", csv.string(), "--sheet", (work / "out" / "file").string()}), 74);
    EXPECT_NE(err.find("cannot create the folder"), std::string::npos) << err;
    EXPECT_EQ(out, "");
}

TEST_F(SheetCli, UsageErrors)
{
    EXPECT_EQ(Cli({"--title", "x"}), 64);
    EXPECT_EQ(Cli({"--sheet", "-", "--json"}), 64);
    EXPECT_EQ(Cli({"--sheet", "-", "--csv"}), 64);
    EXPECT_EQ(Cli({"--batch", "-", "--sheet", "-"}), 64);
    EXPECT_TRUE(Names(work / "out").empty());
}

} // namespace
