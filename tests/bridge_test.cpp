// The bridge window's model, with no toolkit: rows, states, totals and the
// bill, editing, the clipboard as Excel writes it, undo, and the file, whose
// totals a run of pierqty-cli --batch must repeat to the last bit.
#include "platform/desktop_fake.h"
#include "sheet/files.h"
#include "tests/cli_run.h"
#include "tests/scratch_folder.h"
#include "ui/form/bridge.h"
#include "ui/form/bridge_controller.h"

#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace pierqty;
using namespace pierqty::bridge;

constexpr int kH1 = kFirstInputColumn + kFieldH1;
constexpr int kL1 = kFirstInputColumn + kFieldL1;
constexpr int kN = kFirstInputColumn + kFieldN;

std::vector<std::string> Lines(const std::string &text, const std::string &end = "\r\n")
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const auto next = text.find(end, at);
        lines.push_back(text.substr(at, next - at));
        at = next == std::string::npos ? text.size() : next + end.size();
    }
    return lines;
}

double Number(const std::string &text)
{
    double value = 0.0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(read.ec == std::errc{} && read.ptr == text.data() + text.size()) << text;
    return value;
}

// A file in a folder as the model takes it: a UTF-8 path, on Windows too.
std::string PathIn(const std::filesystem::path &folder, const std::string &name)
{
    return sheet::Utf8FromPath(folder / sheet::PathFromUtf8(name));
}

// A bridge of count piers differing in H1, as engineers' bridges do.
void Fill(BridgeModel &model, int count)
{
    model.insertRows(0, count);
    for (int row = 0; row < count; ++row)
        model.setCell(row, kH1, std::to_string(3 + row % 7) + "." + std::to_string(row % 10));
}

// Tells what a view would be told.
class Recorder : public Listener
{
public:
    std::vector<std::string> calls;
    void rowsAboutToBeInserted(int first, int count) override { add("insert?", first, count); }
    void rowsInserted(int first, int count) override { add("insert", first, count); }
    void rowsAboutToBeRemoved(int first, int count) override { add("remove?", first, count); }
    void rowsRemoved(int first, int count) override { add("remove", first, count); }
    void rowsChanged(int first, int last) override { add("change", first, last); }

private:
    void add(const char *what, int a, int b)
    {
        calls.push_back(what + (" " + std::to_string(a)) + " " + std::to_string(b));
    }
};

TEST(BridgeRows, NewRowsFollowTheRowAboveAndCountTheirIds)
{
    BridgeModel model;
    model.insertRows(0, 0);
    EXPECT_FALSE(model.canUndo()); // no rows, no step
    model.insertRows(0);
    EXPECT_EQ(model.input(0).id, "1");
    EXPECT_EQ(model.input(0).texts, DefaultParameterTexts());
    model.setCell(0, kIdColumn, "3号墩");
    model.setCell(0, kH1, "7.25");
    model.insertRows(1, 2);
    EXPECT_EQ(model.input(1).id, "4号墩");
    EXPECT_EQ(model.input(2).id, "5号墩");
    EXPECT_EQ(model.input(2).texts[kFieldH1], "7.25");
    model.duplicateRow(0);
    EXPECT_EQ(model.input(1).id, "4号墩");
    EXPECT_EQ(model.input(1).texts, model.input(0).texts);
    model.duplicateRow(4); // past the last row: nothing
    EXPECT_EQ(model.rowCount(), 4);

    EXPECT_EQ(NextId("P9", "x"), "P10");
    EXPECT_EQ(NextId("K12+399右", "x"), "K12+400右");
    EXPECT_EQ(NextId("99", "x"), "100");
    EXPECT_EQ(NextId("墩", "7"), "7");
}

TEST(BridgeRows, RemovingScatteredRowsUndoesInPlace)
{
    BridgeModel model;
    Fill(model, 8);
    const std::vector<RowInput> all = [&] {
        std::vector<RowInput> rows;
        for (int row = 0; row < model.rowCount(); ++row)
            rows.push_back(model.input(row));
        return rows;
    }();
    Recorder recorder;
    model.setListener(&recorder);
    model.removeRows({6, 1, 2, 7});
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.input(1).id, "4");
    EXPECT_EQ(model.input(3).id, "6");
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"remove? 6 2", "remove 6 2", "remove? 1 2", "remove 1 2"}));
    EXPECT_EQ(model.undoText(), "删除 4 行");
    model.undo();
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(model.input(row), all[static_cast<std::size_t>(row)]) << row;
}

TEST(BridgeStates, FaultsSayWhyInChineseAndLeaveTheTotals)
{
    BridgeModel model;
    Fill(model, 5);
    model.setCell(1, kL1, "2,5");
    model.setCell(2, kN, "0");
    model.setCell(3, kL1, "-1");
    model.setCell(4, kH1, " ");
    EXPECT_EQ(model.state(0), "");
    EXPECT_EQ(model.state(1), "L1 = “2,5” 不是数字");
    EXPECT_FALSE(model.counted(1));
    EXPECT_EQ(model.cellText(1, kFirstFigureColumn), "");
    model.setCell(1, kL1, "-1x"); // no number, whatever the number it starts with would give
    EXPECT_EQ(model.state(1), "L1 = “-1x” 不是数字");
    ParameterTexts zeroLayers = DefaultParameterTexts();
    zeroLayers[kFieldN] = "0";
    EXPECT_EQ(model.state(2), CalculatePier(zeroLayers).fault().messageZh());
    EXPECT_NE(model.state(3).find("L1"), std::string::npos) << model.state(3);
    EXPECT_NE(model.state(3).find("大于 0"), std::string::npos) << model.state(3);
    // A blank cell takes the default, as in a batch, and says so.
    EXPECT_TRUE(model.counted(4));
    EXPECT_EQ(model.state(4), "H1 空白，取默认值 3.00");
    model.setCell(4, kL1, "");
    EXPECT_EQ(model.state(4), "L1 空白，取默认值 2.5；H1 空白，取默认值 3.00");
    EXPECT_EQ(model.record(4).adopted.Concrete, ComputeRow({"", "", DefaultParameterTexts()}).record.adopted.Concrete);

    EXPECT_EQ(model.totals().counted, 2);
    EXPECT_EQ(model.leftOutLine(), "合计不含 3 个墩");
    EXPECT_EQ(model.totalsText(kStateColumn), "合计不含 3 个墩");
    EXPECT_EQ(model.totals().figure(Figure::Formwork),
              model.record(0).adopted.Formwork + model.record(4).adopted.Formwork);
}

TEST(BridgeTotals, AnEditRecomputesItsRowTheTotalsAndTheBill)
{
    BridgeModel model;
    Fill(model, 30);
    Recorder recorder;
    model.setListener(&recorder);
    const double before = model.totals().figure(Figure::Concrete);
    ASSERT_TRUE(model.setCell(17, kH1, "12.5"));
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"change 17 17"}));
    EXPECT_FALSE(model.setCell(17, kH1, "12.5")); // unchanged: no step
    EXPECT_FALSE(model.setCell(17, kFirstFigureColumn, "1")); // read-only
    for (const auto &[row, column] : {std::pair{-1, kH1}, {30, kH1}, {0, -1}, {0, kColumnCount}})
        EXPECT_FALSE(model.setCell(row, column, "1")) << row << "," << column;
    EXPECT_GT(model.totals().figure(Figure::Concrete), before);
    std::array<double, kFigureCount> sums{};
    for (int row = 0; row < model.rowCount(); ++row)
        for (int k = 0; k < kFigureCount; ++k)
            sums[static_cast<std::size_t>(k)] += ComputeRow(model.input(row)).record.billed()
                ? FigureOf(ComputeRow(model.input(row)).record, Figure(k))
                : 0;
    EXPECT_EQ(model.totals().figures, sums);

    const auto bill = model.billLines();
    ASSERT_EQ(bill.size(), 2u);
    EXPECT_EQ(bill[0].quantityText, RoundHalfUpText(model.totals().figure(Figure::Concrete), 2));
    EXPECT_EQ(bill[1].quantityText, RoundHalfUpText(model.totals().figure(Figure::Formwork), 2));
    EXPECT_EQ(model.cellText(17, kH1), "12.5");
    EXPECT_EQ(model.cellText(17, kFirstFigureColumn + 5), formatQuantity(model.record(17).layered.V));
    // New (clear): no piers and nothing left summed; a pier added counts alone.
    model.clear();
    EXPECT_EQ(model.totals().counted + model.totals().leftOut, 0);
    model.insertRows(0);
    EXPECT_EQ(model.totals().counted, 1);
    for (int k = 0; k < kFigureCount; ++k)
        EXPECT_EQ(model.totals().figure(Figure(k)), FigureOf(model.record(0), Figure(k))) << k;
}

TEST(BridgeClipboard, ExcelsTextIsReadCellByCell)
{
    using Cells = std::vector<std::vector<std::string>>;
    EXPECT_EQ(ParseClipboard("a\tb\r\nc\td\r\n"), (Cells{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(ParseClipboard("a\t\r\n\tb"), (Cells{{"a", ""}, {"", "b"}}));
    EXPECT_EQ(ParseClipboard("\"x\ty\r\nz\"\"q\"\t1\n"), (Cells{{"x\ty\r\nz\"q", "1"}}));
    EXPECT_EQ(ParseClipboard("\"open\t2"), (Cells{{"\"open", "2"}}));
    EXPECT_EQ(ParseClipboard("3.5"), (Cells{{"3.5"}}));
    EXPECT_EQ(ParseClipboard("\r\n5"), (Cells{{""}, {"5"}})); // an empty first line
    EXPECT_EQ(ParseClipboard(""), Cells{});
}

TEST(BridgeClipboard, PasteWithAHeaderPlacesColumnsByNameAndGrows)
{
    BridgeModel model;
    Fill(model, 2);
    model.setCell(1, kL1, "2.2");
    // As Excel copies it: CR LF, a quoted cell, a column the model computes,
    // one it does not know, and the line break after the last row.
    const std::string excel = "H1\t墩号\t混凝土 V（m³）\t备注\tn\r\n"
                              "9.5\t\"A\t1\"\t123\tx\t500\r\n"
                              "10.5\tA2\t\t\t\r\n"
                              "11\tA3\t\t\t600\r\n";
    const auto range = model.paste(1, 5, excel);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->firstRow, 1);
    EXPECT_EQ(range->rowCount, 3);
    EXPECT_EQ(range->firstColumn, kIdColumn);
    EXPECT_EQ(range->columnCount, kN + 1);
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.input(1).id, "A\t1");
    EXPECT_EQ(model.input(1).texts[kFieldH1], "9.5");
    EXPECT_EQ(model.input(1).texts[kFieldL1], "2.2"); // not pasted: kept
    EXPECT_EQ(model.input(2).texts[kFieldN], ""); // an empty pasted cell clears
    EXPECT_EQ(model.input(3).texts[kFieldL1], "2.2"); // a new row from the row above
    EXPECT_EQ(model.input(3).texts[kFieldN], "600");
    EXPECT_EQ(model.undoText(), "粘贴");
    EXPECT_FALSE(model.paste(1, 5, "H1\t墩号\r\n")); // a header alone pastes nothing
    // A pasted id with no number: the next new row is numbered by position.
    ASSERT_TRUE(model.paste(4, 0, "H1\t墩号\r\n4\t甲\r\n5\r\n"));
    EXPECT_EQ(model.input(5).id, "6");
    model.undo();
    model.undo();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.input(1).texts[kFieldH1], "4.1");
}

TEST(BridgeClipboard, PasteWithoutAHeaderStartsAtTheCurrentCell)
{
    BridgeModel model;
    Fill(model, 3);
    Recorder recorder;
    model.setListener(&recorder);
    // Two columns from H1 on; the block runs past n into computed columns.
    ASSERT_TRUE(model.paste(2, kH1, "4.5\t0.6\r\n5.5\t0.7\r\n"));
    EXPECT_EQ(model.input(2).texts[kFieldH1], "4.5");
    EXPECT_EQ(model.input(3).texts[kFieldH2], "0.7");
    EXPECT_EQ(model.input(3).id, "4");
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"change 2 2", "insert? 3 1", "insert 3 1"}));
    // Over rows that exist: their ids stay, each row's state is its own.
    ASSERT_TRUE(model.paste(0, kL1, "2,5\r\n2.6\r\n"));
    EXPECT_EQ(model.input(1).id, "2");
    EXPECT_EQ(model.state(0), "L1 = “2,5” 不是数字");
    EXPECT_EQ(model.state(1), "");
    model.undo();
    ASSERT_TRUE(model.paste(0, kL1, "2.6\r\n2,5\r\n"));
    EXPECT_EQ(model.state(0), "");
    EXPECT_EQ(model.state(1), "L1 = “2,5” 不是数字");
    model.undo();
    ASSERT_TRUE(model.paste(0, kN, "300\t1\t2\r\n"));
    EXPECT_EQ(model.input(0).texts[kFieldN], "300");
    EXPECT_FALSE(model.paste(0, kFirstFigureColumn, "1\t2"));
    EXPECT_FALSE(model.paste(0, 0, ""));
    ASSERT_TRUE(model.paste(0, 0, "\r\n")); // Excel's one empty cell: clears it
    EXPECT_EQ(model.input(0).id, "");
}

TEST(BridgeClipboard, CopyGivesTheBatchFiguresAndPastesBackAsTheSameTable)
{
    BridgeModel model;
    Fill(model, 4);
    model.setCell(0, kIdColumn, "=HYPERLINK(\"x\")");
    model.setCell(1, kIdColumn, "line\n\"break\"");
    model.setCell(2, kL1, "abc");
    const std::string copied = model.copyTable();
    const auto lines = Lines(copied);
    ASSERT_EQ(lines.size(), 6u); // header, 4 rows, totals
    EXPECT_EQ(lines[0].rfind("墩号\tL1\tR1\t", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].substr(0, 20), "'=HYPERLINK(\"x\")\t2.5");
    EXPECT_EQ(lines[2].rfind("\"line\n\"\"break\"\"\"\t", 0), 0u) << lines[2]; // quoted, quotes doubled
    const auto total = Lines(lines[5], "\t");
    ASSERT_EQ(total.size(), static_cast<std::size_t>(kColumnCount));
    EXPECT_EQ(total[0], "合计");
    for (int k = 0; k < kFigureCount; ++k)
        EXPECT_EQ(Number(total[static_cast<std::size_t>(kFirstFigureColumn + k)]), model.totals().figure(Figure(k)));
    EXPECT_EQ(total[kStateColumn], "合计不含 1 个墩");

    BridgeModel copy;
    ASSERT_TRUE(copy.paste(0, 3, copied));
    ASSERT_EQ(copy.rowCount(), 4);
    for (int row = 1; row < 4; ++row)
        EXPECT_EQ(copy.input(row), model.input(row)) << row;
    EXPECT_EQ(copy.input(0).id, "'=HYPERLINK(\"x\")");
    EXPECT_EQ(Lines(model.copyRows(1, 1)).size(), 2u); // header and the row
}

TEST(BridgeEditing, FillDownUndoRedoAndTheUnsavedMark)
{
    BridgeModel model;
    Fill(model, 6);
    model.setCell(1, kH1, "8.8");
    EXPECT_TRUE(model.modified());
    ASSERT_TRUE(model.fillDown(kH1, 1, 4));
    for (int row = 1; row <= 4; ++row)
        EXPECT_EQ(model.input(row).texts[kFieldH1], "8.8");
    EXPECT_EQ(model.input(5).texts[kFieldH1], "8.5");
    EXPECT_FALSE(model.fillDown(kH1, 1, 4)); // nothing to change
    EXPECT_FALSE(model.fillDown(kStateColumn, 0, 4));
    EXPECT_FALSE(model.fillDown(-1, 1, 4));
    EXPECT_FALSE(model.fillDown(kH1, 4, 6)); // past the last row
    EXPECT_FALSE(model.fillDown(kH1, -1, 3));
    EXPECT_EQ(model.input(5).texts[kFieldH1], "8.5");
    const double filled = model.totals().figure(Figure::Concrete);
    EXPECT_EQ(model.undoText(), "向下填充 H1");
    model.undo();
    EXPECT_EQ(model.input(3).texts[kFieldH1], "6.3");
    EXPECT_EQ(model.redoText(), "向下填充 H1");
    model.redo();
    EXPECT_EQ(model.totals().figure(Figure::Concrete), filled);
    EXPECT_FALSE(model.canRedo());
    // Delete empties a block's editable cells: they take their defaults.
    ASSERT_TRUE(model.clearCells({4, 5, kL1, kFirstFigureColumn + 2}));
    EXPECT_EQ(model.input(5).texts[kFieldH1], "");
    EXPECT_EQ(model.input(5).texts[kFieldN], "");
    EXPECT_EQ(model.input(5).id, "6");
    EXPECT_EQ(model.input(3).texts[kFieldH1], "8.8");
    EXPECT_EQ(model.record(4).adopted.Concrete, ComputeRow({"", "", {}}).record.adopted.Concrete);
    EXPECT_FALSE(model.clearCells({4, 2, kFirstFigureColumn, 3})); // read-only
    EXPECT_EQ(model.undoText(), "清除内容");
    model.undo();
    EXPECT_EQ(model.totals().figure(Figure::Concrete), filled);

    test::ScratchFolder folder;
    const std::string path = PathIn(folder.path(), "桥.csv");
    ASSERT_FALSE(model.saveAs(path));
    EXPECT_EQ(model.title(), "桥梁工程量汇总 - 桥.csv");
    model.undo();
    EXPECT_TRUE(model.modified());
    model.redo();
    EXPECT_FALSE(model.modified());
    ASSERT_TRUE(model.fillDown(kIdColumn, 0, 1));
    EXPECT_EQ(model.input(1).id, "1");
    model.undo();
    model.undo();
    model.setCell(0, kH1, "1"); // the saved state is now out of reach
    EXPECT_TRUE(model.modified());
    model.undo();
    EXPECT_TRUE(model.modified());
}

TEST(BridgeFile, SaveAndOpenKeepEveryText)
{
    BridgeModel model;
    Fill(model, 3);
    model.setCell(0, kIdColumn, "1号墩, \"左\"");
    model.setCell(1, kL1, "");
    model.setCell(2, kL1, "2，5");
    model.paste(2, kH1, "\"7\n\"");
    EXPECT_EQ(model.input(2).texts[kFieldH1], "7\n");
    test::ScratchFolder folder;
    const std::string path = PathIn(folder.path(), "piers.csv");
    ASSERT_FALSE(model.saveAs(path));
    const std::string bytes = test::ReadFileBytes(path);
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBFid,L1,R1,L2,R2,H1,H2,h,l1,l2,l3,n\n\"1号墩, \"\"左\"\"\",", 0), 0u) << bytes;

    BridgeModel opened;
    ASSERT_FALSE(opened.open(path));
    EXPECT_FALSE(opened.modified());
    EXPECT_EQ(opened.title(), "桥梁工程量汇总 - piers.csv");
    ASSERT_EQ(opened.rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(opened.input(row), model.input(row)) << row;
    EXPECT_EQ(opened.totals().figures, model.totals().figures);

    // A batch file of any subset of columns, a grade, without an id.
    ASSERT_FALSE(opened.load("grade,H1\r\nC40,5\r\n\r\n,6\r\n", "b.csv"));
    ASSERT_EQ(opened.rowCount(), 2);
    EXPECT_EQ(opened.input(1).id, "2");
    EXPECT_EQ(opened.input(0).grade, "C40");
    EXPECT_EQ(opened.input(1).texts[kFieldL1], "2.5");
    EXPECT_EQ(opened.billLines().size(), 3u); // C40, no grade, formwork
    // The last field quoted, with no line break after it; any UTF-8.
    ASSERT_FALSE(opened.load("id,H1\n\"\xF0\x9F\x98\x80\xE0\xA0\x80\",\"4\"", "c.csv"));
    EXPECT_EQ(opened.input(0).id, "\xF0\x9F\x98\x80\xE0\xA0\x80");
    EXPECT_EQ(opened.input(0).texts[kFieldH1], "4");
}

TEST(BridgeFile, AFileThatFailsToReadNamesItsLineAndLoadsNothing)
{
    BridgeModel model;
    Fill(model, 2);
    const auto refused = [&](std::string_view bytes) {
        const auto error = model.load(bytes, "bad.csv");
        EXPECT_EQ(model.rowCount(), 2);
        EXPECT_EQ(model.path(), "");
        return error.value_or("(read)");
    };
    EXPECT_EQ(refused("id,H1\n1,3\n2,4,5\n"), "无法打开“bad.csv”：第 3 行：有 3 个字段，而表头有 2 列");
    EXPECT_EQ(refused("id,H1,id\n"), "无法打开“bad.csv”：第 1 行：列“id”出现了两次");
    EXPECT_NE(refused("id,H 3\n").find("第 1 行：未知的列 “H 3”"), std::string::npos);
    EXPECT_EQ(refused("id,H1\n1,3\n\"2,4\n"), "无法打开“bad.csv”：第 3 行：引号没有闭合");
    EXPECT_EQ(refused("id,H1\n1,3\n2,4\"\n"), "无法打开“bad.csv”：第 3 行：引号出现在未加引号的字段中间");
    EXPECT_NE(refused("").find("第 1 行：文件是空的"), std::string::npos);
    EXPECT_EQ(refused("id,H1\n\"P1\"x,3\n"), "无法打开“bad.csv”：第 2 行：引号后面紧跟着其他字符");

    test::ScratchFolder folder;
    EXPECT_NE(model.open(sheet::Utf8FromPath(folder.path())).value_or("").find("文件夹"), std::string::npos);
    // A control byte in the name is shown escaped, a blank as it is.
    const std::string missing = model.open(PathIn(folder.path(), "no ne\x1b.csv")).value_or("");
    EXPECT_NE(missing.find("no ne\\x1B.csv”："), std::string::npos) << missing;
#ifndef _WIN32
    // The system's own reason, not always "no such file".
    EXPECT_NE(model.open(PathIn(folder.path(), std::string(300, 'x'))).value_or("").find("File name too long"),
              std::string::npos);
#endif
    EXPECT_EQ(model.rowCount(), 2);
}

// Every encoding Excel saves a CSV in on a Chinese Windows, as the batch
// reads them: "CSV UTF-8", "CSV (逗号分隔)" (GBK) and "Unicode 文本"
// (UTF-16 LE, tab-separated).
TEST(BridgeFile, ReadsEveryEncodingExcelSaves)
{
    const auto ids = [](std::string_view bytes) {
        BridgeModel model;
        const auto error = model.load(bytes, "piers.csv");
        std::string read = error.value_or("");
        for (int row = 0; row < model.rowCount(); ++row)
            read += model.input(row).id + "/" + model.input(row).texts[kFieldH1] + ";";
        return read;
    };
    EXPECT_EQ(ids("\xEF\xBB\xBFid,H1\n墩1,3.5\n"), "墩1/3.5;");
    EXPECT_EQ(ids("id,H1\r\n\xB6\xD5\x31,3.5\r\n"), "墩1/3.5;");
    const std::u16string utf16 = u"\uFEFFid\tH1\r\n墩1\t3.5\r\n";
    EXPECT_EQ(ids({reinterpret_cast<const char *>(utf16.data()), utf16.size() * 2}), "墩1/3.5;");
}

// This branch's sheet::WriteAtomically renames over its target, so a device
// such as /dev/full would be replaced: the failures are a folder that is
// missing and a "folder" that is a file.
TEST(BridgeFile, AFailedSaveKeepsTheChangesUnsaved)
{
    BridgeModel model;
    Fill(model, 2);
    test::ScratchFolder folder;
    std::ofstream(folder.path() / "plain") << "x";
    const auto failed = model.saveAs(PathIn(folder.path() / "plain", "b.csv"));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->rfind("无法保存到“", 0), 0u) << *failed;
    EXPECT_TRUE(model.modified());
    EXPECT_EQ(model.path(), "");
    EXPECT_TRUE(model.saveAs(PathIn(folder.path() / "missing", "b.csv")));
    EXPECT_TRUE(model.save()); // no file name yet
    EXPECT_EQ(test::ScratchFolder::Names(folder.path()), std::vector<std::string>{"plain"});
    EXPECT_EQ(model.title(), "桥梁工程量汇总 - 未命名*");
}

// The figures of the TOTAL row pierqty-cli --batch prints for a file.
std::vector<double> BatchTotal(const std::string &path)
{
    const test::ProcessRun run = test::RunProgram(PIERQTY_CLI, {"--batch", path}, "");
    const auto lines = Lines(run.out, "\n");
    EXPECT_GE(lines.size(), 2u) << run.err;
    const std::string &total = lines.back();
    EXPECT_EQ(total.rfind("TOTAL,", 0), 0u) << total;
    const auto cells = Lines(total, ",");
    std::vector<double> figures;
    for (std::size_t k = 1; k <= 4 && k < cells.size(); ++k)
        figures.push_back(Number(cells[k]));
    return figures;
}

TEST(BridgeFile, TotalsAfterEveryEditEqualABatchRunOfTheSavedFile)
{
    BridgeModel model;
    Fill(model, 30);
    model.setCell(4, kL1, "2,5"); // no number
    model.setCell(9, kFirstInputColumn + kFieldl1, "5"); // cannot be built
    model.setCell(12, kH1, ""); // the default
    test::ScratchFolder folder;
    const std::string path = PathIn(folder.path(), "piers.csv");
    const auto check = [&](const char *step) {
        ASSERT_FALSE(model.saveAs(path)) << step;
        const Totals &t = model.totals();
        EXPECT_EQ(BatchTotal(path),
                  (std::vector<double>{t.figure(Figure::LayeredS), t.figure(Figure::LayeredV),
                                       t.figure(Figure::Formwork), t.figure(Figure::Concrete)}))
            << step;
    };
    check("opened");
    model.setCell(17, kH1, "12.345");
    check("edit");
    model.fillDown(kFirstInputColumn + kFieldh, 20, 29);
    check("fill");
    model.paste(28, kH1, "4.4\r\n5.5\r\n6.6\r\n");
    check("paste");
    model.removeRows({0, 3});
    check("remove");
    model.undo();
    check("undo");
    EXPECT_EQ(model.totals().leftOut, 2);
}

// The window's commands through a view that answers as a user would.
class FakeBridgeView final : public BridgeView
{
public:
    std::optional<std::pair<int, int>> current;
    std::vector<CellRange> selected;
    std::vector<UnsavedAnswer> answers; // the close question's, in order
    std::vector<std::string> questions;
    FakeDesktopServices services;

    std::optional<std::pair<int, int>> currentCell() const override { return current; }
    std::vector<CellRange> selection() const override { return selected; }
    void select(const CellRange &range) override
    {
        selected = {range};
        current = {range.firstRow, range.firstColumn};
    }
    void selectAll() override { selected = {{0, 1000, 0, kColumnCount}}; }
    UnsavedAnswer askUnsaved(const std::string &question) override
    {
        questions.push_back(question);
        const UnsavedAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    DesktopServices &desktop() override { return services; }
    std::string launchTarget(const std::string &path) const override { return "file:" + path; }
};

// Each export writes what pierqty-cli writes for the saved file: the
// summary sheet byte for byte, the workbook, and a sheet per pier that can
// be built; a pier left out is named, a cancelled dialog writes nothing.
TEST(BridgeCommands, ExportsWriteWhatTheCliWritesForTheSameFile)
{
    BridgeModel model;
    Fill(model, 3);
    model.setCell(2, kFirstInputColumn + kFieldl1, "5"); // cannot be built
    FakeBridgeView view;
    BridgeController controller(model, view);
    test::ScratchFolder folder;
    ASSERT_FALSE(model.saveAs(PathIn(folder.path(), "piers.csv")));

    controller.run(Command::ExportSummarySheet); // cancelled
    EXPECT_TRUE(view.services.errors.empty() && view.services.openedUrls.empty());
    view.services.savePath = PathIn(folder.path(), "summary.html");
    controller.run(Command::ExportSummarySheet);
    const test::ProcessRun cli =
        test::RunProgram(PIERQTY_CLI, {"--batch", model.path(), "--sheet", PathIn(folder.path(), "cli.html")}, "",
                         {"PIERQTY_SHEET_DATE=" + sheet::LocalDateText(), "", false});
    EXPECT_EQ(test::ReadFileBytes(PathIn(folder.path(), "summary.html")),
              test::ReadFileBytes(PathIn(folder.path(), "cli.html")))
        << cli.err;
    ASSERT_EQ(view.services.informations.size(), 1u);
    EXPECT_NE(view.services.informations[0].find("未计入清单 1 个墩（3）"), std::string::npos);

    view.services.savePath = PathIn(folder.path(), "bill.xlsx");
    controller.run(Command::ExportWorkbook);
    EXPECT_EQ(test::ReadFileBytes(PathIn(folder.path(), "bill.xlsx")).substr(0, 2), "PK");

    view.services.folderPath = PathIn(folder.path(), "sheets");
    controller.run(Command::ExportSheets);
    EXPECT_FALSE(test::ReadFileBytes(PathIn(folder.path(), "sheets/1.html")).empty());
    EXPECT_FALSE(test::ReadFileBytes(PathIn(folder.path(), "sheets/2.html")).empty());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "sheets" / "3.html"));
    EXPECT_NE(view.services.informations.back().find("已写出 2 份计算书"), std::string::npos);
    EXPECT_EQ(view.services.openedUrls.back(), "file:" + PathIn(folder.path(), "sheets"));
    EXPECT_TRUE(view.services.errors.empty()) << view.services.errors.front();
}

TEST(BridgeCommands, UnsavedChangesAreSavedDroppedOrKept)
{
    BridgeModel model;
    Fill(model, 2);
    FakeBridgeView view;
    BridgeController controller(model, view);
    view.answers = {UnsavedAnswer::Cancel, UnsavedAnswer::Save, UnsavedAnswer::Save, UnsavedAnswer::Discard};
    EXPECT_FALSE(controller.confirmDiscard());
    EXPECT_EQ(view.questions[0], "“未命名”有未保存的修改。");
    EXPECT_FALSE(controller.confirmDiscard()); // the save dialog is cancelled
    test::ScratchFolder folder;
    view.services.savePath = PathIn(folder.path(), "b.csv");
    EXPECT_TRUE(controller.confirmDiscard());
    EXPECT_FALSE(model.modified());
    EXPECT_TRUE(controller.confirmDiscard()); // nothing unsaved: no question
    model.setCell(0, kH1, "9");
    controller.run(Command::New); // dropped
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(view.questions.size(), 4u);
    EXPECT_FALSE(controller.openFile(PathIn(folder.path(), "none.csv"))); // the box says why
    EXPECT_EQ(view.services.errors.size(), 1u);
}

TEST(BridgeCommands, PasteSelectsWhatItWroteAndCopyTakesTheSelection)
{
    BridgeModel model;
    Fill(model, 3);
    FakeBridgeView view;
    BridgeController controller(model, view);
    view.current = {1, kH1};
    view.services.clipboard = "7.5\r\n8.5\r\n";
    controller.run(Command::Paste);
    EXPECT_EQ(model.input(2).texts[kFieldH1], "8.5");
    ASSERT_EQ(view.selected.size(), 1u);
    EXPECT_EQ(view.selected[0].firstRow, 1);
    EXPECT_EQ(view.selected[0].rowCount, 2);
    controller.run(Command::Copy);
    EXPECT_EQ(view.services.clipboardTexts.back(), model.copyRows(1, 2));
    controller.run(Command::SelectAll);
    controller.run(Command::Copy);
    EXPECT_EQ(view.services.clipboardTexts.back(), model.copyTable());
    controller.run(Command::FillDown); // from row 0 down over every row
    view.current = {0, kH1};
    view.selected = {{0, 3, kH1, 1}};
    controller.run(Command::FillDown);
    EXPECT_EQ(model.input(2).texts[kFieldH1], model.input(0).texts[kFieldH1]);
}

// 加入桥梁汇总 and a double-click: the calculator's texts become a row, a
// row's texts (blank cells as their defaults) go to the calculator.
TEST(BridgeLinks, APierGoesBothWays)
{
    BridgeModel model;
    ParameterTexts texts = DefaultParameterTexts();
    texts[kFieldH1] = "11.5";
    std::vector<std::string> offered;
    std::optional<std::string> answer = "  ";
    const auto ask = [&](const std::string &suggested) {
        offered.push_back(suggested);
        return answer;
    };
    EXPECT_TRUE(AddPier(model, texts, ask)); // a blank answer takes the offer
    answer = "P7";
    EXPECT_TRUE(AddPier(model, texts, ask));
    answer.reset();
    EXPECT_FALSE(AddPier(model, texts, ask));
    EXPECT_EQ(offered, (std::vector<std::string>{"1", "2", "P8"}));
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.input(1).id, "P7");
    EXPECT_EQ(model.input(1).texts, texts);
    model.undo();
    EXPECT_EQ(model.rowCount(), 1);

    FakeBridgeView view;
    BridgeController controller(model, view);
    model.setCell(0, kL1, "");
    std::vector<ParameterTexts> loaded;
    controller.activateRow(0); // no calculator linked
    controller.loadIntoCalculator = [&](const ParameterTexts &row) { loaded.push_back(row); };
    controller.activateRow(1); // the totals row
    controller.activateRow(0);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0][kFieldL1], DefaultParameterTexts()[kFieldL1]);
    EXPECT_EQ(loaded[0][kFieldH1], "11.5");
}

TEST(BridgeLinks, StartArguments)
{
    EXPECT_FALSE(ParseStartArguments({}).bridge);
    const StartRequest bridge = ParseStartArguments({"--bridge", "piers.csv"});
    EXPECT_TRUE(bridge.bridge && bridge.file == "piers.csv" && bridge.error.empty());
    EXPECT_TRUE(ParseStartArguments({"--bridge"}).file.empty());
    EXPECT_NE(ParseStartArguments({"--bridge", "a.csv", "b.csv"}).error.find("“b.csv”"), std::string::npos);
    EXPECT_NE(ParseStartArguments({"piers.csv"}).error.find("用法"), std::string::npos);
}

} // namespace
