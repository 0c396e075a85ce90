// The calculator window Hdun as both front-ends show it, with no toolkit:
// the controls with their boxes, captions, fonts and tab order; what Enter
// does in each field; what the Calculate command writes where; the marks on
// fields not read as written; and when the results are stale. Each front-end
// creates its controls from this table; ui/form/controller.h runs the
// commands on its events.
//
// The names are those of the window's form design, and the window's
// behaviour is described in them, so they stay as the designer gave them:
//   CS(i)      the text boxes, one control array: CS(0)..CS(kInputCount - 1)
//              are the parameters in the order of kParameters (CS(0) is L1,
//              CS(10) is n), the two after them the results, CS(11) S and
//              CS(12) V (kAreaField, kVolumeField);
//   Label1(i)  the caption left of CS(i) ("L1：" .. "n：", "S=", "V=");
//   Line1      the rule above the column;
//   Command1   the Calculate button ("计    算");
//   Text1      the layer report under the results;
//   Label2     the link label under the report;
//   Picture1   the box with the pier drawing, right of the column;
//   Form_Load  what runs once when the window opens: the default texts.
// Event handlers carry the forms runtime's names too: CS_KeyPress(Index,
// KeyAscii) is a key typed in CS(Index), KeyAscii 13 being Enter.
#pragma once

#include "calc/parameters.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pierqty::form {

// The designer names of the window's controls. CS and Label1 are control
// arrays of kFieldCount elements; the others are single controls.
enum class Name { CS, Label1, Line1, Command1, Text1, Label2, Picture1 };

std::string_view NameText(Name name);

struct ControlRef {
    Name name = Name::CS;
    int index = -1; // element of CS or Label1; -1 for a single control
    friend bool operator==(const ControlRef &, const ControlRef &) = default;
};

inline constexpr int kInputCount = kParameterCount; // CS(0)..CS(10) are inputs
inline constexpr int kAreaField = kInputCount; // CS(11): the formwork area S
inline constexpr int kVolumeField = kInputCount + 1; // CS(12): the concrete volume V
inline constexpr int kFieldCount = kInputCount + 2; // CS(0)..CS(12)

inline constexpr ControlRef CS(int index)
{
    return {Name::CS, index};
}
inline constexpr ControlRef Label1(int index)
{
    return {Name::Label1, index};
}
inline constexpr ControlRef kLine1{Name::Line1, -1};
inline constexpr ControlRef kCommand1{Name::Command1, -1};
inline constexpr ControlRef kText1{Name::Text1, -1};
inline constexpr ControlRef kLabel2{Name::Label2, -1};
inline constexpr ControlRef kPicture1{Name::Picture1, -1};

enum class Kind { Line, Label, TextBox, MultiLineTextBox, Button, Picture };

// Geometry is designed in twips (1/1440 inch, 15 per pixel at 96 dpi) from
// the top-left corner of the client area.
inline constexpr int kTwipsPerInch = 1440;

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const Rect &, const Rect &) = default;
};

// Twips to device pixels at dpi, rounded half up (as Win32 MulDiv does).
int TwipsToPixels(int twips, int dpi);

// A box in twips to pixels at dpi; edges are scaled, not sizes, so boxes
// that meet in twips meet in pixels at every dpi.
Rect ToPixels(const Rect &twips, int dpi);

// "宋体" on Chinese Windows; the Latin face name finds it on any Windows.
inline constexpr std::string_view kSongFace = "宋体";
inline constexpr std::string_view kSongFaceLatin = "SimSun";

struct FontSpec {
    int pixelsAt96 = 12; // character height in pixels at 96 dpi
    int weight = 400; // 400 normal, 700 bold
    bool underline = false;
    friend bool operator==(const FontSpec &, const FontSpec &) = default;
};

// The window's own font, used by every control that names none.
inline constexpr FontSpec kWindowFont{12, 400, false};

struct Control {
    ControlRef ref;
    Kind kind = Kind::Label;
    std::string_view text; // caption or initial text (UTF-8); empty if none
    Rect twips; // Line1: the one-pixel-high box the rule fills
    int tabIndex = -1; // window tab numbering; -1 for the rule
    FontSpec font = kWindowFont;
    bool readOnly = false; // text boxes the user can select in but not type into
    bool takesFocus = false;
};

// The pier drawing inside Picture1: 462 x 528 px at 96 dpi, the size the
// drawing's images are made for.
inline constexpr int kDrawingWidthTwips = 6930;
inline constexpr int kDrawingHeightTwips = 7920;

// Picture1's sunken border, on every side.
inline constexpr int kPictureBorderTwips = 30;

// The column left of the drawing, from the top: the rule, one row a
// parameter, the button, one row a result, the report and the link. Rows
// follow the field index, so that a parameter added moves everything below
// it and lengthens the column.
namespace column {
inline constexpr int kFirstRowTop = 240;
inline constexpr int kRowPitch = 360; // a field and the 90 below it
inline constexpr int kGap = 105; // around the button, the report and the link
inline constexpr int kButtonHeight = 495;
inline constexpr int kReportHeight = 1815;
inline constexpr int kLinkHeight = 375;
inline constexpr int kHeight =
    kFirstRowTop + kRowPitch * kFieldCount + kButtonHeight + kGap + kReportHeight + kGap + kLinkHeight + kGap;
} // namespace column

// Client area of Hdun in twips: 672 x 528 px at 96 dpi, as high as the
// drawing (the column is too, with eleven parameters).
inline constexpr int kClientWidthTwips = 10080;
inline constexpr int kClientHeightTwips = std::max(kDrawingHeightTwips, column::kHeight);

// The drawing's box in the client area, inside Picture1's border.
Rect DrawingBox();

// The title bar's text; the error box carries it too.
inline constexpr std::string_view kWindowTitle = "花瓶墩模板与混凝土工程量计算";
inline constexpr std::string_view kErrorBoxTitle = kWindowTitle;

// The report's menu (the edit's own entries come first) and the key that
// saves from anywhere in the window.
inline constexpr std::string_view kSaveSheetCaption = "保存计算书…";
inline constexpr std::string_view kCopyResultsCaption = "复制结果";
inline constexpr std::string_view kExportWorkbookCaption = "导出 Excel…";
inline constexpr std::string_view kSaveSheetShortcut = "Ctrl+S";
// Adds the pier on screen to the bridge window 桥梁工程量汇总 as a new row.
inline constexpr std::string_view kAddToBridgeCaption = "加入桥梁汇总";
inline constexpr std::string_view kAddToBridgeShortcut = "Ctrl+B";

// Every control, rule and labels included, in the order of the designer's
// inventory (top of the input column down, then the picture box).
std::span<const Control> Controls();

// Where a control stands in Controls(); throws std::out_of_range as Find.
std::size_t Slot(ControlRef ref);

// The entry for one control; throws std::out_of_range for an index without
// an element, like the forms runtime's control-array lookup.
const Control &Find(ControlRef ref);

// The controls that take the focus, in the order of the Tab key.
std::vector<ControlRef> TabOrder();

// The text Text1 shows until the first calculation (CR LF after each line).
std::string_view ReportHint();

// What Enter does in CS(index) once the key itself is cancelled: move the
// focus to another field, calculate and then move to CS(0) if that
// succeeded, or nothing more.
struct EnterStep {
    bool calculate = false;
    std::optional<int> focusField; // after a successful calculation, if calculate
};
EnterStep EnterIn(int index);

// One text that a successful calculation writes into a control, replacing
// its whole text.
struct TextWrite {
    ControlRef target;
    std::string text;
};

struct CalculationOutcome {
    bool succeeded = false;
    std::vector<TextWrite> writes; // empty on a fault: nothing is written
    std::string errorMessage; // on a fault: the error box's message
};

// Colours both windows use for the marks and the result states.
struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Colour &, const Colour &) = default;
};

// Why an input is marked: its text was read as something else than written
// (amber), or its value is one the pier cannot be built with (rose).
enum class MarkKind { ReadAs, Unbuildable };

struct Mark {
    MarkKind kind = MarkKind::ReadAs;
    std::string toolTip; // "按 2 计算", "L1 = −1，截面长度必须大于 0，此墩无法成立"
    friend bool operator==(const Mark &, const Mark &) = default;
};

// A light amber under black text: an input read as something else than
// written.
inline constexpr Colour kMarkBackground{255, 226, 150};
inline constexpr Colour kMarkText{0, 0, 0};
// A light rose under black text: an input that makes the pier impossible.
inline constexpr Colour kUnbuildableBackground{255, 196, 196};
// The background a mark of this kind gives its field.
constexpr Colour MarkBackground(MarkKind kind)
{
    return kind == MarkKind::Unbuildable ? kUnbuildableBackground : kMarkBackground;
}
// Added after an unbuildable field's reason, and the tooltip of S and V then.
inline constexpr std::string_view kUnbuildableSuffix = "，此墩无法成立";
inline constexpr std::string_view kNotQuantitiesToolTip = "此墩无法成立，S、V 仅为按公式算出的数值，不是工程量";

// What the figures in S, V and the report are: the results of the inputs
// on screen; results of inputs since changed (grey, all three); or the
// figures the formulas give for a pier that cannot be built (S and V dark
// red on rose: no quantities).
enum class ResultState { Current, Stale, NotQuantities };

// Label2's red text.
inline constexpr Colour kLinkText{255, 0, 0};
// Grey text: results that no longer match the inputs.
inline constexpr Colour kStaleText{140, 140, 140};
// The stale results' tooltip.
inline constexpr std::string_view kStaleToolTip = "输入已改动：此结果与当前输入不符，请重新计算";
// Dark red on rose: S and V of a pier that cannot be built.
inline constexpr Colour kNotQuantitiesText{150, 0, 0};
inline constexpr Colour kNotQuantitiesBackground = kUnbuildableBackground;

// The web page Label2 opens.
inline constexpr std::string_view PromoPageAddress = "https://www.taobao.com/";

// The error box's message when no browser or URL handler could be started.
std::string LinkLaunchFailureMessage();

// Prefix of the error box's message when a handler stops on an unexpected
// error of the toolkit or the runtime.
inline constexpr std::string_view kRuntimeErrorPrefix = "运行时错误：";

// The state that lives beside the controls' texts: the marks on inputs (not
// read as written, or making the pier impossible), and what the figures in
// S, V and the report are.
class FormState
{
public:
    // The Calculate command on the eleven input texts: reads, calculates and
    // says what to write. Marks every input not read exactly as written and
    // every input a reason why the pier cannot be built names. On success
    // the results are current, or no quantities for such a pier; after a
    // fault, results still on screen belong to other inputs and are stale.
    CalculationOutcome calculate(const ParameterTexts &texts);

    // The user (or the program) changed the text of CS(index): clears that
    // field's mark, and an input edited after a calculation makes the
    // results stale.
    void fieldEdited(int index);

    // The mark of an input, or nullopt if unmarked.
    const std::optional<Mark> &mark(int index) const;
    bool marked(int index) const { return mark(index).has_value(); }

    // Whether S, V and the report belong to inputs since changed.
    bool resultsStale() const { return m_haveResults && m_stale; }
    ResultState resultState() const;

    // Whether any result of a successful calculation is on screen.
    bool haveResults() const { return m_haveResults; }

private:
    void markReadings(const ParameterTexts &texts);

    std::array<std::optional<Mark>, kInputCount> m_marks{};
    bool m_haveResults = false;
    bool m_stale = false;
    bool m_buildable = true; // of the inputs last calculated
};

} // namespace pierqty::form
