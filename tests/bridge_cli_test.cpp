// pierqty-cli --batch FILE --sheet FILE.html through its process: a file
// name gets the bridge's summary sheet and a folder one sheet per pier;
// piers left out; the bill options; what a failed write leaves.
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

class SummaryCli : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(work / "out");
        std::ofstream(csv, std::ios::binary) << "id,grade,L1,h,n\nP1,C30,2.5,3,100\nP2,,2.6,2.5,10\nP3,,2.5,3,0\n";
    }

    int Cli(std::vector<std::string> args, const std::string &shell = "")
    {
        args.insert(args.begin(), {"--batch", csv.string()});
        run = pierqty::test::RunProgram(PIERQTY_CLI, args, "", {shell + " PIERQTY_SHEET_DATE=2030-01-01", ""});
        return run.status;
    }

    static std::vector<std::string> Names(const fs::path &folder)
    {
        return pierqty::test::ScratchFolder::Names(folder);
    }

    pierqty::test::ScratchFolder scratch;
    const fs::path &work = scratch.path();
    const fs::path csv = work / "piers.csv";
    pierqty::test::ProcessRun run;
};

TEST_F(SummaryCli, AFileNameGetsOneSummaryAndAFolderOneSheetPerPier)
{
    // A pier stops: it is listed with the reason, and the exit is 2 as the batch's.
    const fs::path summary = work / "out" / "全桥汇总.HTML";
    ASSERT_EQ(Cli({"--sheet", summary.string(), "--title", "某大桥"}), 2) << run.err;
    EXPECT_NE(run.out.find("TOTAL"), std::string::npos); // the batch's CSV as ever
    EXPECT_NE(run.err.find("the summary sheet leaves out 1 of 3 piers"), std::string::npos) << run.err;
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"全桥汇总.HTML"});
    const auto root = xmltest::Parse(ReadFileBytes(summary.string()));
    EXPECT_EQ(root->byId("project")->textContent(), "某大桥");
    EXPECT_EQ(root->byId("date")->textContent(), "2030-01-01");
    const auto piers = root->byClass("pier");
    ASSERT_EQ(piers.size(), 3u);
    EXPECT_EQ(piers[0]->cells().at(1), "C30");
    EXPECT_EQ(piers[2]->cells().at(0), "P3");
    EXPECT_EQ(piers[2]->cells().at(2).find("未计入清单：除数为零"), 0u) << piers[2]->cells().at(2);
    EXPECT_EQ(root->byClass("bill-line").size(), 3u); // C30, no grade, formwork

    // .htm too; a folder that exists keeps its meaning whatever its name;
    // any other name is a folder of sheets.
    ASSERT_EQ(Cli({"--sheet", (work / "out" / "b.htm").string()}), 2);
    EXPECT_EQ(xmltest::Parse(ReadFileBytes((work / "out" / "b.htm").string()))->byClass("pier").size(), 3u);
    fs::create_directories(work / "old.html");
    ASSERT_EQ(Cli({"--sheet", (work / "old.html").string()}), 2);
    EXPECT_EQ(Names(work / "old.html"), (std::vector<std::string>{"P1.html", "P2.html"}));
    ASSERT_EQ(Cli({"--sheet", (work / "sheets.html.d").string()}), 2);
    EXPECT_EQ(Names(work / "sheets.html.d"), (std::vector<std::string>{"P1.html", "P2.html"}));
}

// The bill options shape the summary's bill as the workbook's; with a
// folder of sheets there is no bill for them to shape.
TEST_F(SummaryCli, BillOptionsShapeItsBill)
{
    const fs::path items = work / "items.csv";
    std::ofstream(items, std::ios::binary) << "quantity,code,name,unit,part\nconcrete,123456789,墩身混凝土,m³,墩身\n"
                                           << "formwork,987654321,墩身模板,m²,墩身\n";
    const fs::path summary = work / "out" / "s.html";
    ASSERT_EQ(Cli({"--sheet", summary.string(), "--grade", "C40", "--split-formwork", "--items", items.string()}), 2)
        << run.err;
    const auto root = xmltest::Parse(ReadFileBytes(summary.string()));
    const auto lines = root->byClass("bill-line");
    ASSERT_EQ(lines.size(), 4u); // C30, C40, curved, straight
    EXPECT_EQ(lines[0]->cells().at(1), "123456789001");
    EXPECT_NE(lines[1]->cells().at(3).find("混凝土强度等级：C40"), std::string::npos);
    EXPECT_EQ(lines[3]->cells().at(1), "987654321002");
    EXPECT_EQ(Cli({"--sheet", (work / "out" / "dir").string(), "--grade", "C40"}), 64);
    EXPECT_NE(run.err.find("--sheet FILE.html"), std::string::npos) << run.err;
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"s.html"});
}

TEST_F(SummaryCli, AFailedWriteExits74AndLeavesWhatWasThere)
{
    const fs::path summary = work / "out" / "s.html";
    std::ofstream(summary) << "earlier";
    EXPECT_EQ(Cli({"--sheet", summary.string()}, "ulimit -f 4; trap '' XFSZ;"), 74);
    EXPECT_NE(run.err.find("no summary sheet written"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(summary.string()), "earlier");
    EXPECT_EQ(Names(work / "out"), std::vector<std::string>{"s.html"});
    EXPECT_EQ(Cli({"--sheet", (work / "missing" / "s.html").string()}), 74);
    // A malformed batch writes nothing.
    std::ofstream(csv, std::ios::binary) << "id,n\nA,10\nB,10,3\n";
    EXPECT_EQ(Cli({"--sheet", summary.string()}), 65);
    EXPECT_EQ(ReadFileBytes(summary.string()), "earlier");
}

} // namespace
