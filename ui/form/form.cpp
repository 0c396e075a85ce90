#include "ui/form/form.h"

#include "calc/texts.h"
#include "platform/numbers.h"

#include <algorithm>
#include <stdexcept>

namespace pierqty::form {

namespace {

// Rows of the input column, in twips: inputs every 360 from 240, the two
// results below the button.
constexpr int kColumnLeft = 120;
constexpr int kFieldLeft = 480;
constexpr int kFieldWidth = 2535;
constexpr int kFieldHeight = 270;
constexpr int kCaptionWidth = 495;
constexpr int kCaptionHeight = 255;
constexpr int kColumnWidth = 2895;

constexpr int RowTop(int index)
{
    if (index <= 10)
        return 240 + 360 * index;
    return index == kAreaField ? 4800 : 5160;
}

constexpr std::string_view Caption(int index)
{
    if (index < kInputCount)
        return kParameters[static_cast<std::size_t>(index)].caption;
    return index == kAreaField ? "S=" : "V=";
}

// Tab numbering of CS(i); its caption Label1(i) has the next number.
constexpr int kFieldTabIndex[kFieldCount] = {0, 2, 4, 6, 8, 10, 12, 19, 21, 23, 14, 25, 28};

constexpr int LabelTabIndex(int index)
{
    // S= and V= sit on either side of CS(12)'s number.
    if (index == kAreaField)
        return 26;
    if (index == kVolumeField)
        return 27;
    return kFieldTabIndex[index] + 1;
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
    controls.reserve(2 * kFieldCount + 5);
    // The rule from (120, 120) to (3000, 120): one pixel high, both ends in.
    controls.push_back({kLine1, Kind::Line, {}, {kColumnLeft, 120, 3000 - kColumnLeft + 15, 15}, -1});
    auto addRow = [&](int i) {
        controls.push_back({Label1(i),
                            Kind::Label,
                            Caption(i),
                            {kColumnLeft, RowTop(i), kCaptionWidth, kCaptionHeight},
                            LabelTabIndex(i)});
        Control field{CS(i), Kind::TextBox, {}, {kFieldLeft, RowTop(i), kFieldWidth, kFieldHeight}, kFieldTabIndex[i]};
        field.readOnly = i >= kInputCount;
        field.takesFocus = true;
        controls.push_back(field);
    };
    for (int i = 0; i < kInputCount; ++i)
        addRow(i);
    Control button{kCommand1, Kind::Button, "计    算", {kColumnLeft, 4200, kColumnWidth, 495}, 17, {19, 700, false}};
    button.takesFocus = true;
    controls.push_back(button);
    addRow(kAreaField);
    addRow(kVolumeField);
    Control report{kText1, Kind::MultiLineTextBox, kReportHint, {kColumnLeft, 5520, kColumnWidth, 1815}, 16};
    report.readOnly = true;
    report.takesFocus = true;
    controls.push_back(report);
    controls.push_back(
        {kLabel2, Kind::Label, "点我到淘宝低价充话费", {kColumnLeft, 7440, kColumnWidth, 375}, 29, {16, 400, true}});
    Control picture{kPicture1, Kind::Picture, {}, {3120, 0, 6990, 7980}, 18};
    picture.takesFocus = true;
    controls.push_back(picture);
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

std::span<const Control> Controls()
{
    return Table();
}

const Control &Find(ControlRef ref)
{
    for (const Control &control : Table())
        if (control.ref == ref)
            return control;
    throw std::out_of_range("控件数组 " + std::string(NameText(ref.name)) + " 没有元素 " + std::to_string(ref.index));
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
    order.reserve(focusable.size());
    for (const Control *control : focusable)
        order.push_back(control->ref);
    return order;
}

std::string_view ReportHint()
{
    return kReportHint;
}

ParameterTexts DefaultTexts()
{
    return DefaultParameterTexts();
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
    return "无法打开网页 " + std::string(kPromoPageAddress) + "：没有可用的浏览器或网址处理程序。";
}

CalculationOutcome FormState::calculate(const ParameterTexts &texts)
{
    // How each text reads: the calculation reads them the same way.
    ParameterReadings readings;
    const auto parameters = parsePierParameters(texts, &readings);
    for (std::size_t k = 0; k < readings.size(); ++k) {
        const NumberReading &reading = readings[k];
        std::optional<std::string> mark;
        if (reading.status == NumberStatus::NoNumber || reading.status == NumberStatus::Leading)
            mark = "按 " + ShortestText(reading.value) + " 计算";
        m_marks[k] = std::move(mark);
    }
    // n is rounded to a whole number of layers.
    if (parameters) {
        const std::int16_t n = parameters.value().n;
        if (static_cast<double>(n) != readings[kInputCount - 1].value) {
            std::string used;
            AppendInteger(used, n);
            m_marks[kInputCount - 1] = "按 " + used + " 计算";
        }
    }

    CalculationOutcome outcome;
    const auto result = calculateFromTexts(texts);
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

void FormState::fieldEdited(int index)
{
    if (index < 0 || index >= kInputCount)
        return; // the results are written by the command, not edited
    m_marks[static_cast<std::size_t>(index)].reset();
    if (m_haveResults)
        m_stale = true;
}

const std::optional<std::string> &FormState::mark(int index) const
{
    if (index < 0 || index >= kInputCount) {
        static const std::optional<std::string> none;
        return none;
    }
    return m_marks[static_cast<std::size_t>(index)];
}

} // namespace pierqty::form
