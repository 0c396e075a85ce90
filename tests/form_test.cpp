// The window as a user sees it, checked once for both front-ends: where the
// controls stand, the order of Tab and Enter, what a calculation writes,
// marks and greys, and the report menu's commands with the title block.
#include "bill/items.h"
#include "platform/desktop_fake.h"
#include "sheet/files.h"
#include "tests/cli_run.h"
#include "tests/scratch_folder.h"
#include "ui/form/controller.h"
#include "ui/form/form.h"
#include "ui/form/report_actions.h"
#include "ui/form/title_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>

namespace pierqty::form {
namespace {

Rect Pixels(ControlRef ref, int dpi)
{
    return ToPixels(Find(ref).twips, dpi);
}

Rect Client(int dpi)
{
    return ToPixels({0, 0, kClientWidthTwips, kClientHeightTwips}, dpi);
}

bool Overlap(const Rect &a, const Rect &b)
{
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// Width of a line of text in the window's 12 px Song font: CJK characters
// are square, ASCII is half as wide.
int TextWidth(std::string_view utf8, int pixels)
{
    int width = 0;
    for (std::size_t k = 0; k < utf8.size(); ++k) {
        const auto byte = static_cast<unsigned char>(utf8[k]);
        if (byte < 0x80)
            width += pixels / 2;
        else if (byte >= 0xC0)
            width += pixels;
    }
    return width;
}

class Geometry : public ::testing::TestWithParam<int>
{
};

TEST_P(Geometry, TheDrawingEndsAtTheClientsRightEdgeAndFillsItsHeight)
{
    const int dpi = GetParam();
    const Rect client = Client(dpi);
    const Rect outer = Find(kPicture1).twips;
    const int border = kPictureBorderTwips;
    const Rect picture =
        ToPixels({outer.left + border, outer.top + border, outer.width - 2 * border, outer.height - 2 * border}, dpi);
    // The box's right and bottom border lines lie outside the client area.
    EXPECT_EQ(picture.right(), client.right());
    EXPECT_GE(picture.bottom(), client.bottom());
    EXPECT_EQ(Pixels(kPicture1, dpi).top, 0);
    // The drawing is as high as the client area.
    EXPECT_EQ(picture.height, client.height);
}

// Every box inside the client area (the picture's border aside), and none
// over another but where a caption meets its field.
TEST_P(Geometry, ControlsStandInsideTheClientAndOverlapOnlyWhereACaptionMeetsItsField)
{
    const int dpi = GetParam();
    const Rect client = Client(dpi);
    const auto controls = Controls();
    for (std::size_t a = 0; a < controls.size(); ++a) {
        const Rect box = Pixels(controls[a].ref, dpi);
        EXPECT_TRUE(box.width > 0 && box.height > 0 && box.left >= 0 && box.top >= 0) << a;
        EXPECT_TRUE(controls[a].ref == kPicture1 || (box.right() <= client.right() && box.bottom() <= client.bottom()))
            << NameText(controls[a].ref.name) << controls[a].ref.index << " at " << dpi;
        for (std::size_t b = a + 1; b < controls.size(); ++b) {
            const ControlRef ra = controls[a].ref;
            const ControlRef rb = controls[b].ref;
            const bool captionAndField = ra.index == rb.index && ra.index >= 0 && ra.name != rb.name;
            if (captionAndField)
                continue;
            EXPECT_FALSE(Overlap(Pixels(ra, dpi), Pixels(rb, dpi)))
                << NameText(ra.name) << ra.index << " and " << NameText(rb.name) << rb.index << " at " << dpi;
        }
    }
}

TEST_P(Geometry, EachCaptionStandsLeftOfItsFieldOnTheSameRowWithRoomForItsText)
{
    const int dpi = GetParam();
    const int fontPixels = TwipsToPixels(kWindowFont.pixelsAt96 * 15, dpi);
    for (int i = 0; i < kFieldCount; ++i) {
        const Rect label = Pixels(Label1(i), dpi);
        const Rect field = Pixels(CS(i), dpi);
        EXPECT_EQ(label.top, field.top) << i;
        EXPECT_LT(label.left, field.left) << i;
        EXPECT_GT(label.right(), field.left) << i; // reaches under the field
        EXPECT_GE(field.left - label.left, TextWidth(Find(Label1(i)).text, fontPixels)) << Find(Label1(i)).text;
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, Geometry, ::testing::Values(96, 120, 144, 192));

TEST(Geometry, At96DpiTheClientIs672By528)
{
    EXPECT_EQ(Client(96), (Rect{0, 0, 672, 528}));
    // The column as the form was designed: rows every 24 px from 16, the
    // button, the results, the report and the link below them.
    EXPECT_EQ(Pixels(Label1(0), 96), (Rect{8, 16, 33, 17}));
    EXPECT_EQ(Pixels(CS(kInputCount - 1), 96), (Rect{32, 256, 169, 18}));
    EXPECT_EQ(Pixels(kCommand1, 96), (Rect{8, 280, 193, 33}));
    EXPECT_EQ(Pixels(CS(kAreaField), 96), (Rect{32, 320, 169, 18}));
    EXPECT_EQ(Pixels(CS(kVolumeField), 96), (Rect{32, 344, 169, 18}));
    EXPECT_EQ(Pixels(kText1, 96), (Rect{8, 368, 193, 121}));
    EXPECT_EQ(Pixels(kLabel2, 96), (Rect{8, 496, 193, 25}));
    EXPECT_EQ(Pixels(kPicture1, 96), (Rect{208, 0, 466, 532}));
    EXPECT_EQ(Pixels(kLine1, 96), (Rect{8, 8, 193, 1}));
}

TEST(Geometry, TwipsRoundHalfUpAwayFromZeroAsMulDivDoesAndBoxesScaleByTheirEdges)
{
    EXPECT_EQ(TwipsToPixels(255, 144), 26); // 25.5
    EXPECT_EQ(TwipsToPixels(-255, 144), -26);
    EXPECT_EQ(TwipsToPixels(5, 96), 0); // 0.33
    // Edges are scaled, not sizes: boxes that meet in twips meet in pixels.
    EXPECT_EQ(ToPixels({255, 255, 255, 255}, 144), (Rect{26, 26, 25, 25}));
}

TEST(Controls, LookupFindsTheCaptionsAndFailsPastTheArrays)
{
    EXPECT_THROW(Find(CS(13)), std::out_of_range);
    // An input's caption is its letter, case kept, and a full-width colon.
    EXPECT_EQ(Find(Label1(0)).text, "L1：");
    EXPECT_EQ(Find(Label1(kFieldl1)).text, "l1：");
    EXPECT_EQ(Find(Label1(kInputCount - 1)).text, "n：");
    EXPECT_EQ(Find(Label1(kAreaField)).text, "S=");
    EXPECT_EQ(Find(Label1(kVolumeField)).text, "V=");
    EXPECT_THROW(Find(Label1(-1)), std::out_of_range);
    EXPECT_NO_THROW(Find(CS(12)));
}

TEST(Controls, ButtonIsBoldAndLargerLinkIsUnderlinedNotBold)
{
    const FontSpec button = Find(kCommand1).font;
    const FontSpec link = Find(kLabel2).font;
    EXPECT_EQ(button, (FontSpec{19, 700, false})); // as designed
    EXPECT_EQ(link, (FontSpec{16, 400, true}));
    EXPECT_LT(TextWidth(Find(kLabel2).text, link.pixelsAt96), Pixels(kLabel2, 96).width);
}

TEST(Controls, EachHintLineFitsTheReportBoxBesideItsScrollBar)
{
    const std::string_view hint = ReportHint();
    ASSERT_TRUE(hint.ends_with("\r\n"));
    int lines = 0;
    for (std::size_t start = 0; start < hint.size();) {
        const std::size_t end = hint.find("\r\n", start);
        ASSERT_NE(end, std::string_view::npos);
        const int width = TextWidth(hint.substr(start, end - start), kWindowFont.pixelsAt96);
        EXPECT_LE(width, Pixels(kText1, 96).width - 17 - 4) << hint.substr(start, end - start);
        start = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, 4);
}

TEST(Keyboard, TabVisitsTheFocusableControlsOnceAndStartsAtTheFirstInput)
{
    const auto order = TabOrder();
    const std::vector<ControlRef> expected = {CS(0),  CS(1),     CS(2),     CS(3), CS(4), CS(5), CS(6),  CS(10),
                                              kText1, kCommand1, kPicture1, CS(7), CS(8), CS(9), CS(11), CS(12)};
    EXPECT_EQ(order, expected);
}

// A window as the controller sees it: the texts of its text boxes, the
// focus, the marks and the grey it shows, and counts of some calls.
class RecordingView final : public View
{
public:
    std::map<std::pair<int, int>, std::string> texts; // by (name, index)
    int writes = 0; // texts set
    int greys = 0; // showStale(true)
    int idleClears = 0; // marks cleared that were not shown
    std::optional<ControlRef> focus;
    std::map<int, std::string> marks; // shown marks' tooltips by field
    std::map<int, MarkKind> kinds; // and their kinds
    std::optional<bool> stale; // the grey last shown
    std::optional<ResultState> results; // the state last shown
    std::optional<TitleValues> titleAnswer; // what the title dialog's user leaves; nothing = Cancel
    std::vector<TitleValues> titleDialogs; // what each title dialog was filled with
    bool settable = true;
    Controller *controller = nullptr; // to report changes, as a window does
    FakeDesktopServices services;

    std::string controlText(ControlRef ref) const override
    {
        const auto found = texts.find({static_cast<int>(ref.name), ref.index});
        return found == texts.end() ? std::string() : found->second;
    }
    void setControlText(ControlRef ref, const std::string &text) override
    {
        if (!settable)
            throw std::runtime_error("cannot set the text");
        ++writes;
        type(ref, text);
    }
    // The user (or the program) puts text into a control, and the window
    // reports the change whether or not the text is new.
    void type(ControlRef ref, const std::string &text)
    {
        texts[{static_cast<int>(ref.name), ref.index}] = text;
        if (ref.name == Name::CS && controller)
            controller->CS_Change(ref.index);
    }
    void moveFocus(ControlRef ref) override { focus = ref; }
    void showMark(int index, const std::optional<Mark> &mark) override
    {
        if (mark) {
            marks[index] = mark->toolTip;
            kinds[index] = mark->kind;
        } else if (marks.erase(index) + kinds.erase(index) == 0) {
            ++idleClears;
        }
    }
    void showResultState(ResultState state) override
    {
        greys += state == ResultState::Stale ? 1 : 0;
        stale = state == ResultState::Stale;
        results = state;
    }
    bool editTitleBlock(TitleValues &values) override
    {
        titleDialogs.push_back(values);
        if (titleAnswer)
            values = *titleAnswer;
        return titleAnswer.has_value();
    }
    std::optional<std::string> askPierId(const std::string &suggested) override
    {
        pierIdOffers.push_back(suggested);
        return pierIdAnswer;
    }
    std::optional<std::string> pierIdAnswer; // what 加入桥梁汇总's user types; nothing = Cancel
    std::vector<std::string> pierIdOffers;
    DesktopServices &desktop() override { return services; }
    std::string launchTarget(const std::string &path) const override { return "file:" + path; }
};

class Flow : public testing::Test
{
protected:
    Flow() { view.controller = &controller; }
    void SetUp() override { controller.Form_Load(); }
    int enter(int index)
    {
        int key = 13;
        controller.CS_KeyPress(index, key);
        return key;
    }
    // A file in the test's own folder, as a UTF-8 path.
    std::string pathIn(const std::string &name) const
    {
        return sheet::Utf8FromPath(scratch.path() / sheet::PathFromUtf8(name));
    }

    RecordingView view;
    Controller controller{view};
    test::ScratchFolder scratch;
};

TEST_F(Flow, LoadFillsTheInputsThenEnterWalksThemCalculatesAndReturnsToTheFirst)
{
    EXPECT_EQ(view.controlText(CS(4)), "3.00");
    EXPECT_EQ(view.writes, kInputCount);
    EXPECT_FALSE(view.stale);
    for (int i = 0; i + 1 < kInputCount; ++i) {
        EXPECT_EQ(enter(i), 0) << i; // the key itself is cancelled
        EXPECT_EQ(view.focus, CS(i + 1));
    }
    EXPECT_EQ(view.writes, kInputCount);
    EXPECT_EQ(enter(kInputCount - 1), 0);
    EXPECT_EQ(view.focus, CS(0));
    EXPECT_EQ(view.controlText(CS(kAreaField)), "64.190447 m2");
    EXPECT_EQ(view.controlText(CS(kVolumeField)), "38.653440 m3");
    const std::string report = view.controlText(kText1);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1001); // 1002 lines: layer height, S0, S1..S1000
    EXPECT_EQ(view.stale, false);
    EXPECT_TRUE(view.marks.empty()); // "3.00" reads as written

    int other = 'x';
    controller.CS_KeyPress(3, other);
    EXPECT_EQ(other, 'x'); // other keys reach the field
    enter(kAreaField);
    EXPECT_EQ(view.focus, CS(kVolumeField));
    view.focus.reset();
    EXPECT_EQ(enter(kVolumeField), 0);
    EXPECT_FALSE(view.focus); // Enter in V stays there
    EXPECT_THROW(EnterIn(kFieldCount), std::out_of_range);
    EXPECT_THROW(EnterIn(-1), std::out_of_range);
}

TEST_F(Flow, AFaultShowsTheBoxWritesNothingMarksAndKeepsTheFocus)
{
    ASSERT_TRUE(controller.calculate());
    view.type(CS(0), "2，5");
    view.type(CS(2), "");
    view.type(CS(kInputCount - 1), "n");
    view.focus = CS(kInputCount - 1);
    const int writes = view.writes;
    enter(kInputCount - 1);
    EXPECT_EQ(view.focus, CS(kInputCount - 1));
    EXPECT_EQ(view.writes, writes);
    ASSERT_EQ(view.services.errors.size(), 1u);
    EXPECT_NE(view.services.errors[0].find("层数 n 为 0"), std::string::npos) << view.services.errors[0];
    EXPECT_EQ(view.marks,
              (std::map<int, std::string>{{0, "按 2 计算"},
                                          {2, "L2 = 0，截面长度必须大于 0，此墩无法成立；按 0 计算"},
                                          {kInputCount - 1, "按 0 计算"}}));
    EXPECT_EQ(view.stale, true);
    // Mended, n rounded to whole layers: current again, only n marked.
    view.type(CS(0), "2.5");
    view.type(CS(2), "1.8");
    view.type(CS(kInputCount - 1), "2.5");
    EXPECT_TRUE(controller.calculate());
    EXPECT_EQ(view.stale, false);
    EXPECT_EQ(view.marks, (std::map<int, std::string>{{kInputCount - 1, "按 2 计算"}}));
}

TEST_F(Flow, OnlyATextThatReallyChangedClearsItsMarkAndGreysTheResultsOnce)
{
    view.type(CS(2), "abc");
    ASSERT_TRUE(controller.calculate());
    ASSERT_EQ(view.marks.count(2), 1u);
    // An edit control reporting a change that left the text as it was (as
    // Ctrl+A does under Wine), and a result written by the command.
    view.type(CS(2), "abc");
    view.type(CS(5), view.controlText(CS(5)));
    controller.CS_Change(kAreaField);
    controller.CS_Change(-1);
    EXPECT_EQ(view.stale, false);
    EXPECT_EQ(view.marks.count(2), 1u);
    EXPECT_EQ(view.greys, 0);

    const int clears = view.idleClears; // the calculation cleared every unmarked field
    view.type(CS(5), "0.6");
    EXPECT_EQ(view.stale, true);
    EXPECT_EQ(view.marks.count(2), 1u); // another field's mark stays
    view.type(CS(2), "1.8");
    view.type(CS(2), "1.9");
    EXPECT_EQ(view.marks.count(2), 0u);
    EXPECT_EQ(view.greys, 1);
    EXPECT_EQ(view.idleClears, clears); // edits clear only a mark that is shown
}

TEST_F(Flow, SaveCalculatesThenReplacesTheChosenFileWithTheSheetAndOpensIt)
{
    // A name with CJK and a blank, as documents folders have; the longer
    // file already there is replaced whole.
    const std::string path = pathIn("花瓶墩 计算书.html");
    std::ofstream(sheet::PathFromUtf8(path), std::ios::binary) << std::string(200000, 'x');
    view.services.savePath = path;
    view.titleAnswer = TitleValues{};
    view.type(CS(9), "0.5m"); // read as 0.5: the same figures, marked on the sheet
    ASSERT_TRUE(controller.saveSheet());
    EXPECT_EQ(view.controlText(CS(kAreaField)), "64.190447 m2");
    EXPECT_TRUE(view.services.errors.empty());
    ASSERT_EQ(view.services.saveRequests.size(), 1u);
    const SaveFileRequest &request = view.services.saveRequests[0];
    EXPECT_TRUE(std::regex_match(request.suggestedName, std::regex("计算书-20\\d{6}-\\d{4}\\.html")))
        << request.suggestedName;
    EXPECT_EQ(request.title, "保存计算书");
    EXPECT_EQ(request.kindName, "计算书（HTML）");
    EXPECT_EQ(request.extension, "html");
    const std::string sheet = test::ReadFileBytes(path); // closed again: Windows renames over no open file
    for (const char *shown : {"花瓶墩模板面积及混凝土方量计算书", "64.190447", "0.5m", "※ l3"})
        EXPECT_NE(sheet.find(shown), std::string::npos) << shown;
    EXPECT_EQ(test::ScratchFolder::Names(scratch.path()), std::vector<std::string>{"花瓶墩 计算书.html"});
    EXPECT_EQ(view.services.openedUrls, std::vector<std::string>{"file:" + path});

    // A sheet saved that nothing opens was saved: the information box says
    // where it is.
    view.services.launcherWorks = false;
    EXPECT_TRUE(controller.saveSheet());
    EXPECT_EQ(view.services.informations,
              std::vector<std::string>{"计算书已保存到 " + path + "；未能自动打开，请手动打开。"});
}

TEST_F(Flow, CancelledFaultyOrRefusedSavesWriteNothing)
{
    view.titleAnswer = TitleValues{};
    EXPECT_FALSE(controller.saveSheet()); // the user cancels the file dialog
    EXPECT_EQ(view.services.saveRequests.size(), 1u);
    EXPECT_TRUE(view.services.errors.empty());
    // A fault: the box once each, no dialog, nothing copied.
    view.services.savePath = pathIn("a.html");
    view.type(CS(kInputCount - 1), "0");
    EXPECT_FALSE(controller.saveSheet());
    EXPECT_FALSE(controller.copyResults());
    EXPECT_EQ(view.services.saveRequests.size(), 1u);
    EXPECT_TRUE(view.services.clipboardTexts.empty());
    EXPECT_EQ(view.services.errors.size(), 2u);
    view.type(CS(kInputCount - 1), "1000");

    const std::pair<std::string, const char *> refused[] = {
        {"a.html", "不是完整的文件路径"}, // relative: where it lands depends on the working folder
        {pathIn("missing/a.html"), "计算书未保存：无法写入“"}, // the failed write itself is WriteAtomically's
    };
    for (const auto &[target, message] : refused) {
        view.services.savePath = target;
        EXPECT_FALSE(controller.saveSheet()) << target;
        EXPECT_NE(view.services.errors.back().find(message), std::string::npos) << view.services.errors.back();
    }
    EXPECT_EQ(view.services.errors.size(), 4u);
    EXPECT_TRUE(test::ScratchFolder::Names(scratch.path()).empty());
    EXPECT_TRUE(view.services.openedUrls.empty());
}

TEST_F(Flow, AnUnbuildablePierKeepsItsFiguresMarksWhyAndShowsNoQuantitiesUntilAGoodOne)
{
    // L1 = −1: the formulas still give figures, and the window shows them.
    view.type(CS(kFieldL1), "-1");
    ASSERT_TRUE(controller.calculate());
    EXPECT_FALSE(view.controlText(CS(kAreaField)).empty());
    EXPECT_EQ(view.results, ResultState::NotQuantities);
    EXPECT_EQ(view.marks, (std::map<int, std::string>{{kFieldL1, "L1 = −1，截面长度必须大于 0，此墩无法成立"}}));
    EXPECT_EQ(view.kinds[kFieldL1], MarkKind::Unbuildable);
    EXPECT_TRUE(view.services.errors.empty());
    // No sheet: the reason in Chinese, before any dialog.
    view.titleAnswer = TitleValues{};
    EXPECT_FALSE(controller.saveSheet());
    ASSERT_EQ(view.services.errors.size(), 1u);
    EXPECT_NE(view.services.errors[0].find("截面长度必须大于 0"), std::string::npos) << view.services.errors[0];
    EXPECT_TRUE(view.titleDialogs.empty() && view.services.saveRequests.empty());

    // Chamfers wider than the faces: l1 is named by two reasons, each said;
    // a text read as written otherwise says so after them.
    view.type(CS(kFieldL1), "2.5");
    view.type(CS(kFieldl1), "1 m");
    ASSERT_TRUE(controller.calculate());
    EXPECT_EQ(view.marks[kFieldl1],
              "倒角放不下端面（L2 − 2l1 < 0），此墩无法成立；"
              "倒角与槽放不下带槽面（L1 − 2l1 − 2l2 − l3 < 0），此墩无法成立；按 1 计算");
    EXPECT_EQ(view.kinds[kFieldL2], MarkKind::Unbuildable);
    EXPECT_EQ(view.kinds[kFieldl3], MarkKind::Unbuildable);
    EXPECT_EQ(view.marks.count(kFieldR1), 0u);
    // An edit greys the figures; a buildable pier clears every mark and
    // makes them quantities again.
    view.type(CS(kFieldl1), "0.1");
    EXPECT_EQ(view.results, ResultState::Stale);
    ASSERT_TRUE(controller.calculate());
    EXPECT_EQ(view.results, ResultState::Current);
    EXPECT_TRUE(view.marks.empty());
    EXPECT_EQ(controller.state().resultState(), ResultState::Current);
    EXPECT_NE(MarkBackground(MarkKind::Unbuildable), MarkBackground(MarkKind::ReadAs));
}

TEST_F(Flow, TheTitleBlockDialogFillsTheSheetIsRememberedAndItsCancelCancels)
{
    const std::string path = pathIn("t.html");
    view.services.savePath = path;

    // Cancel: no file dialog, nothing saved, nothing remembered.
    EXPECT_FALSE(controller.saveSheet());
    ASSERT_EQ(view.titleDialogs.size(), 1u);
    EXPECT_EQ(view.titleDialogs[0], TitleValues(TitleFields().size()));
    EXPECT_TRUE(view.services.saveRequests.empty() && view.services.settings.empty());
    EXPECT_TRUE(test::ScratchFolder::Names(scratch.path()).empty());

    TitleValues answer(TitleFields().size());
    answer[0] = " 某某大桥 ";
    answer[1] = "P7";
    answer[5] = "张三";
    answer[11] = "JTG 3362-2018 桥涵设计规范\r\n\r\n  设计图 S3-12 ";
    view.titleAnswer = answer;
    ASSERT_TRUE(controller.saveSheet());
    const std::string sheet = test::ReadFileBytes(path);
    for (const char *shown : {"某某大桥", "P7", "张三", "JTG 3362-2018 桥涵设计规范", "设计图 S3-12"})
        EXPECT_NE(sheet.find(shown), std::string::npos) << shown;
    EXPECT_EQ(ToTitleBlock(answer).basis, (std::vector<std::string>{"JTG 3362-2018 桥涵设计规范", "设计图 S3-12"}));
    // Each box lands in its own place of the block.
    const sheet::TitleBlock all =
        ToTitleBlock({"p", "墩", "图", "编号", "A", "编", "d1", "复", "d2", "审", "d3", "甲\n乙"});
    EXPECT_EQ(std::vector<std::string>({all.project, all.pier, all.drawing, all.number, all.revision, all.compiled.name,
                                        all.compiled.date, all.checked.name, all.checked.date, all.approved.name,
                                        all.approved.date}),
              (std::vector<std::string>{"p", "墩", "图", "编号", "A", "编", "d1", "复", "d2", "审", "d3"}));
    EXPECT_EQ(all.basis, (std::vector<std::string>{"甲", "乙"}));
    // The next dialog opens with the values left there, and the workbook
    // takes the project's name.
    view.titleAnswer.reset();
    EXPECT_FALSE(controller.saveSheet());
    EXPECT_EQ(view.titleDialogs.back(), answer);
    EXPECT_EQ(StoredProjectName(view.services), "某某大桥");
}

TEST_F(Flow, ExportWorkbookWritesAnXlsxOpensItAndRefusesWhatItCannotBill)
{
    const std::string path = pathIn("工程量清单 1.xlsx");
    view.services.savePath = path;
    view.services.settings["titleBlock/project"] = "某某大桥";
    ASSERT_TRUE(controller.exportWorkbook());
    ASSERT_EQ(view.services.saveRequests.size(), 1u);
    const SaveFileRequest &request = view.services.saveRequests[0];
    EXPECT_TRUE(std::regex_match(request.suggestedName, std::regex("工程量清单-20\\d{6}-\\d{4}\\.xlsx")))
        << request.suggestedName;
    EXPECT_EQ(request.kindName, "Excel 工作簿");
    EXPECT_EQ(request.extension, "xlsx");
    EXPECT_TRUE(test::ReadFileBytes(path).starts_with("PK\x03\x04"));
    EXPECT_EQ(view.services.openedUrls, std::vector<std::string>{"file:" + path});
    EXPECT_TRUE(view.services.errors.empty());
    std::filesystem::remove(sheet::PathFromUtf8(path));

    // A pier that cannot be built: the reason in Chinese, no dialog.
    view.type(CS(kFieldL2), "0.1");
    EXPECT_FALSE(controller.exportWorkbook());
    ASSERT_EQ(view.services.errors.size(), 1u);
    EXPECT_NE(view.services.errors[0].find("倒角放不下端面"), std::string::npos) << view.services.errors[0];
    EXPECT_EQ(view.services.saveRequests.size(), 1u);
    view.type(CS(kFieldL2), "1.8");

    // An installed items table that cannot be read is said, not replaced.
    view.services.folder = sheet::Utf8FromPath(scratch.path() / "bin");
    const std::filesystem::path items = bill::InstalledItemsPath(scratch.path() / "bin");
    std::filesystem::create_directories(items.parent_path());
    std::ofstream(items) << "no table\n";
    EXPECT_FALSE(controller.exportWorkbook());
    ASSERT_EQ(view.services.errors.size(), 2u);
    EXPECT_NE(view.services.errors[1].find("清单项目表"), std::string::npos) << view.services.errors[1];
    std::filesystem::remove(items);
    // A write that fails (how a failed write leaves the folder is WriteAtomically's).
    view.services.savePath = pathIn("missing/清单.xlsx");
    EXPECT_FALSE(controller.exportWorkbook());
    ASSERT_EQ(view.services.errors.size(), 3u);
    EXPECT_TRUE(view.services.errors[2].starts_with("工程量清单未保存：无法写入“")) << view.services.errors[2];
}

// Ctrl+B hands the texts on screen, as typed and uncalculated, to the
// bridge under the 墩号 asked for; a bridge row comes back calculated.
TEST_F(Flow, APierGoesToTheBridgeAndComesBackCalculated)
{
    controller.addToBridge(); // no bridge linked: nothing asked
    EXPECT_TRUE(view.pierIdOffers.empty());
    bridge::BridgeModel model;
    controller.openBridge = [&]() -> bridge::BridgeModel & { return model; };
    view.type(CS(4), "12,5");
    view.pierIdAnswer = "P1";
    controller.addToBridge();
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.input(0).texts[4], "12,5");
    EXPECT_EQ(view.pierIdOffers, std::vector<std::string>{"1"});
    EXPECT_TRUE(view.services.errors.empty()); // Cancel and the offers are AddPier's (bridge_test)

    ParameterTexts texts = DefaultParameterTexts();
    texts[4] = "12.5";
    EXPECT_TRUE(controller.loadTexts(texts));
    EXPECT_EQ(view.controlText(CS(4)), "12.5");
    EXPECT_EQ(view.results, ResultState::Current);
    EXPECT_NE(view.controlText(CS(kAreaField)), "64.190447 m2");
}

TEST_F(Flow, TheLinkOpensItsPageAndAnyHandlerErrorBecomesTheRuntimeBox)
{
    controller.Label2_Click();
    EXPECT_EQ(view.services.openedUrls, std::vector<std::string>{std::string(PromoPageAddress)});
    view.services.launcherWorks = false;
    controller.Label2_Click();
    ASSERT_EQ(view.services.errors.size(), 1u);
    EXPECT_EQ(view.services.errors[0], std::string(kRuntimeErrorPrefix) + LinkLaunchFailureMessage());
    EXPECT_NE(LinkLaunchFailureMessage().find(PromoPageAddress), std::string::npos);

    // A window that cannot take a text: the calculation reports it once.
    view.settable = false;
    EXPECT_FALSE(controller.calculate());
    EXPECT_EQ(view.services.errors.back(), std::string(kRuntimeErrorPrefix) + "cannot set the text");
    EXPECT_EQ(view.services.errors.size(), 2u);
    controller.Form_Load();
    EXPECT_EQ(view.services.errors.size(), 3u);
}

// The clipboard's lines as name -> value, checking each line's shape.
std::map<std::string, double> CopiedFigures(const std::string &text)
{
    std::map<std::string, double> figures;
    EXPECT_TRUE(text.ends_with("\r\n"));
    std::size_t start = text.find("\r\n") + 2;
    EXPECT_EQ(text.substr(0, start), "项目\t数值\t单位\r\n");
    static const std::regex line("([^\t\r\n]+)\t(-?\\d+\\.\\d{6})\t(m|m²|m³)");
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::smatch cells;
        const std::string row = text.substr(start, end - start);
        if (!std::regex_match(row, cells, line)) {
            ADD_FAILURE() << row;
            continue;
        }
        figures[cells[1]] = std::stod(cells[2]);
    }
    EXPECT_EQ(start, text.size());
    return figures;
}

TEST_F(Flow, CopyPutsOneNameValueUnitLineAFigureOnTheClipboard)
{
    ASSERT_TRUE(controller.copyResults());
    ASSERT_EQ(view.services.clipboardTexts.size(), 1u);
    std::map<std::string, double> value = CopiedFigures(view.services.clipboardTexts[0]);
    EXPECT_EQ(value["模板面积 S（分层法）"], 64.190447);
    EXPECT_EQ(value["混凝土方量 V（分层法）"], 38.65344);
    EXPECT_EQ(value["底截面积 S0"], 4.36);
    EXPECT_EQ(value["单层高"], 0.003);
    EXPECT_NEAR(value["墩身体积"] + value["花瓶段体积（分层法）"] + value["墩帽体积"], 38.65344, 5e-6);
    // The exact figures beside the layered ones: a curved face is larger
    // than its projection, and the four kinds of face make up the flare.
    EXPECT_NEAR(value["混凝土方量 V（精确）"], 38.65344, 1e-3);
    EXPECT_GT(value["模板面积 S（真实）"], value["模板面积 S（精确，投影）"]);
    EXPECT_NEAR(value["花瓶段端面（2 面，真实）"] + value["花瓶段带槽面（2 面，含槽底，真实）"] +
                    value["花瓶段槽侧面（4 面，真实）"] + value["花瓶段倒角面（4 面，真实）"],
                value["花瓶段模板（真实）"], 5e-6);

    // Where the exact method does not apply, one line says why.
    view.type(CS(0), "0.5"); // the groove is wider than the face
    ASSERT_TRUE(controller.copyResults());
    const std::string &other = view.services.clipboardTexts.back();
    EXPECT_NE(other.find("\r\n精确法不适用\t"), std::string::npos) << other;
    EXPECT_EQ(other.find("精确）"), std::string::npos);
    EXPECT_EQ(other.find("真实"), std::string::npos);
    // A clipboard that fails is a run-time error.
    view.services.clipboardWorks = false;
    EXPECT_FALSE(controller.copyResults());
    EXPECT_EQ(view.services.errors,
              std::vector<std::string>{std::string(kRuntimeErrorPrefix) + "无法把结果放到剪贴板上。"});
}

} // namespace
} // namespace pierqty::form
