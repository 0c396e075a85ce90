#include "ui/form/form.h"

#include "calc/exact.h"
#include "calc/numbers.h"
#include "calc/texts.h"

#include <algorithm>
#include <stdexcept>

namespace pierqty::form {

namespace {

// The column's boxes, in twips (its rows in form.h).
constexpr int kColumnLeft = 120;
constexpr int kColumnWidth = 2895;
constexpr int kRuleTop = 120;
constexpr int kFieldLeft = 480;
constexpr int kFieldWidth = 2535;
constexpr int kFieldHeight = 270;
constexpr int kCaptionWidth = 495;
constexpr int kCaptionHeight = 255;
using column::kButtonHeight, column::kFirstRowTop, column::kGap, column::kLinkHeight, column::kReportHeight,
    column::kRowPitch;
constexpr int kButtonTop = kFirstRowTop + kRowPitch * kInputCount;
constexpr int kResultsTop = kButtonTop + kButtonHeight + kGap;
constexpr int kReportTop = kResultsTop + kRowPitch * (kFieldCount - kInputCount);
constexpr int kLinkTop = kReportTop + kReportHeight + kGap;
static_assert(kLinkTop + kLinkHeight + kGap == column::kHeight);

constexpr int RowTop(int index)
{
    if (index < kInputCount)
        return kFirstRowTop + kRowPitch * index;
    return kResultsTop + kRowPitch * (index - kInputCount);
}

// Label1(i): an input's letter and a full-width colon ("L1："), "S=", "V=".
std::string_view Caption(int index)
{
    static const std::array<std::string, kInputCount> inputs = [] {
        std::array<std::string, kInputCount> captions;
        for (std::size_t k = 0; k < captions.size(); ++k)
            captions[k] = std::string(kParameters[k].name) + "：";
        return captions;
    }();
    if (index < kInputCount)
        return inputs[static_cast<std::size_t>(index)];
    return index == kAreaField ? "S=" : "V=";
}

// Every control but the rule in the order of the window's tab numbering
// (labels included, as the form designer numbers them): the outline's
// parameters down to h, then n, the report, the button and the drawing,
// then the section's details between h and n, the results and the link.
// A caption follows its field, but for V's, which comes before it.
std::vector<ControlRef> TabSequence()
{
    std::vector<ControlRef> sequence;
    const auto row = [&](int i) {
        sequence.push_back(CS(i));
        sequence.push_back(Label1(i));
    };
    for (int i = 0; i <= kFieldh; ++i)
        row(i);
    row(kInputCount - 1);
    sequence.insert(sequence.end(), {kText1, kCommand1, kPicture1});
    for (int i = kFieldh + 1; i < kInputCount - 1; ++i)
        row(i);
    row(kAreaField);
    sequence.insert(sequence.end(), {Label1(kVolumeField), CS(kVolumeField), kLabel2});
    return sequence;
}

// The four hint lines: where the layer areas will appear, and that a radius
// of 100000 or more keeps a side vertical.
constexpr std::string_view kReportHint = "    此处显示各高度层除的截\r\n"
                                         "面积。\r\n"
                                         "当一侧竖直时，将半径输入\r\n"
                                         "100000以上即可。\r\n";

std::vector<Control> BuildControls()
{
    std::vector<Control> controls;
    // The rule: one pixel high, both ends in.
    controls.push_back({kLine1, Kind::Line, {}, {kColumnLeft, kRuleTop, kColumnWidth, 15}});
    const auto addRow = [&](int i) {
        controls.push_back(
            {Label1(i), Kind::Label, Caption(i), {kColumnLeft, RowTop(i), kCaptionWidth, kCaptionHeight}});
        controls.push_back({CS(i), Kind::TextBox, {}, {kFieldLeft, RowTop(i), kFieldWidth, kFieldHeight}});
        controls.back().readOnly = i >= kInputCount;
        controls.back().takesFocus = true;
    };
    for (int i = 0; i < kInputCount; ++i)
        addRow(i);
    controls.push_back({kCommand1, Kind::Button, "计    算", {kColumnLeft, kButtonTop, kColumnWidth, kButtonHeight}});
    controls.back().font = {19, 700, false};
    controls.back().takesFocus = true;
    for (int i = kInputCount; i < kFieldCount; ++i)
        addRow(i);
    controls.push_back(
        {kText1, Kind::MultiLineTextBox, kReportHint, {kColumnLeft, kReportTop, kColumnWidth, kReportHeight}});
    controls.back().readOnly = controls.back().takesFocus = true;
    controls.push_back(
        {kLabel2, Kind::Label, "点我到淘宝低价充话费", {kColumnLeft, kLinkTop, kColumnWidth, kLinkHeight}});
    controls.back().font = {16, 400, true};
    const Rect drawing = DrawingBox();
    const int border = kPictureBorderTwips;
    controls.push_back(
        {kPicture1,
         Kind::Picture,
         {},
         {drawing.left - border, drawing.top - border, drawing.width + 2 * border, drawing.height + 2 * border}});
    controls.back().takesFocus = true;
    const std::vector<ControlRef> sequence = TabSequence();
    for (Control &control : controls) {
        const auto at = std::find(sequence.begin(), sequence.end(), control.ref);
        if (at != sequence.end())
            control.tabIndex = static_cast<int>(at - sequence.begin());
    }
    return controls;
}

const std::vector<Control> &Table()
{
    static const std::vector<Control> table = BuildControls();
    return table;
}

} // namespace

std::string_view NameText(Name name)
{
    switch (name) {
    case Name::CS:
        return "CS";
    case Name::Label1:
        return "Label1";
    case Name::Line1:
        return "Line1";
    case Name::Command1:
        return "Command1";
    case Name::Text1:
        return "Text1";
    case Name::Label2:
        return "Label2";
    case Name::Picture1:
        return "Picture1";
    }
    return "?";
}

int TwipsToPixels(int twips, int dpi)
{
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    // Half up, away from zero for negative values, like MulDiv.
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch));
}

Rect ToPixels(const Rect &twips, int dpi)
{
    const int left = TwipsToPixels(twips.left, dpi);
    const int top = TwipsToPixels(twips.top, dpi);
    return {left, top, TwipsToPixels(twips.right(), dpi) - left, TwipsToPixels(twips.bottom(), dpi) - top};
}

Rect DrawingBox()
{
    // Flush with the client area's right edge, below Picture1's top border
    // (the bottom border lies outside the client area).
    return {kClientWidthTwips - kDrawingWidthTwips, kPictureBorderTwips, kDrawingWidthTwips, kDrawingHeightTwips};
}

std::span<const Control> Controls()
{
    return Table();
}

std::size_t Slot(ControlRef ref)
{
    const std::vector<Control> &table = Table();
    for (std::size_t k = 0; k < table.size(); ++k)
        if (table[k].ref == ref)
            return k;
    throw std::out_of_range("控件数组 " + std::string(NameText(ref.name)) + " 没有元素 " + std::to_string(ref.index));
}

const Control &Find(ControlRef ref)
{
    return Table()[Slot(ref)];
}

std::vector<ControlRef> TabOrder()
{
    std::vector<const Control *> focusable;
    for (const Control &control : Table())
        if (control.takesFocus)
            focusable.push_back(&control);
    std::sort(focusable.begin(), focusable.end(),
              [](const Control *a, const Control *b) { return a->tabIndex < b->tabIndex; });
    std::vector<ControlRef> order;
    for (const Control *control : focusable)
        order.push_back(control->ref);
    return order;
}

std::string_view ReportHint()
{
    return kReportHint;
}

EnterStep EnterIn(int index)
{
    if (index < 0 || index >= kFieldCount)
        throw std::out_of_range("控件数组 CS 没有元素 " + std::to_string(index));
    if (index == kInputCount - 1)
        return {true, 0};
    // CS(12) is the last element: Enter there only cancels the key.
    if (index + 1 < kFieldCount)
        return {false, index + 1};
    return {};
}

std::string LinkLaunchFailureMessage()
{
    return "无法打开网页 " + std::string(PromoPageAddress) + "：没有可用的浏览器或网址处理程序。";
}

void FormState::markReadings(const ParameterTexts &texts)
{
    // How each text reads: the calculation reads them the same way.
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    std::array<std::string, kInputCount> readAs{};
    for (std::size_t k = 0; k < readings.size(); ++k) {
        const ParameterReading &reading = readings[k];
        if (reading.readAsWritten())
            continue;
        readAs[k] = "按 ";
        if (reading.rounded()) // n, rounded to a whole number of layers
            AppendInteger(readAs[k], *reading.layers);
        else
            readAs[k] += ShortestText(reading.value);
        readAs[k] += " 计算";
    }
    std::vector<PierReason> reasons;
    if (parameters)
        reasons = UnbuildableReasons(parameters.value());
    m_buildable = reasons.empty();
    // Each field named by a reason why the pier cannot be built carries
    // every such reason, then how its text was read.
    std::array<std::string, kInputCount> unbuildable{};
    for (const PierReason &reason : reasons) {
        for (const int field : reason.fields) {
            std::string &tip = unbuildable[static_cast<std::size_t>(field)];
            tip += (tip.empty() ? "" : "；") + reason.zh + std::string(kUnbuildableSuffix);
        }
    }
    for (std::size_t k = 0; k < m_marks.size(); ++k) {
        m_marks[k].reset();
        if (!unbuildable[k].empty())
            m_marks[k] = Mark{MarkKind::Unbuildable, unbuildable[k] + (readAs[k].empty() ? "" : "；" + readAs[k])};
        else if (!readAs[k].empty())
            m_marks[k] = Mark{MarkKind::ReadAs, readAs[k]};
    }
}

CalculationOutcome FormState::calculate(const ParameterTexts &texts)
{
    markReadings(texts);
    CalculationOutcome outcome;
    const auto result = CalculateFromTexts(texts);
    if (!result) {
        outcome.errorMessage = result.fault().messageZh();
        m_stale = true;
        return outcome;
    }
    const CalculationTexts &published = result.value();
    outcome.succeeded = true;
    outcome.writes = {
        {CS(kAreaField), published.areaText}, {CS(kVolumeField), published.volumeText}, {kText1, published.report}};
    m_haveResults = true;
    m_stale = false;
    return outcome;
}

ResultState FormState::resultState() const
{
    if (resultsStale())
        return ResultState::Stale;
    if (m_haveResults && !m_buildable)
        return ResultState::NotQuantities;
    return ResultState::Current;
}

void FormState::fieldEdited(int index)
{
    if (index < 0 || index >= kInputCount)
        return; // the results are written by the command, not edited
    m_marks[static_cast<std::size_t>(index)].reset();
    if (m_haveResults)
        m_stale = true;
}

const std::optional<Mark> &FormState::mark(int index) const
{
    if (index < 0 || index >= kInputCount) {
        static const std::optional<Mark> none;
        return none;
    }
    return m_marks[static_cast<std::size_t>(index)];
}

} // namespace pierqty::form
