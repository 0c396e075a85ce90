#include "calc/fault.h"

#include "calc/numbers.h"
#include "calc/parameters.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace pierqty {

namespace {

constexpr std::size_t kStepCount = static_cast<std::size_t>(FaultStep::TotalVolume) + 1;

// What a fault message says, in one language. The patterns take {name}, the
// parameter's letter; {text}, the text as typed, cut short; {n}, the layer
// count; {i} and {y}, a layer and its height; {r} and {R}, a radius's letter
// and value; {step}, the step's name; {where}, the layer clause or nothing.
struct Phrases {
    std::array<std::string_view, 5> kind; // by FaultKind; {kind} is its name
    std::string_view notBuildable;
    std::string_view layerCountOutOfRange;
    std::string_view lengthOutOfRange;
    std::string_view negativeLayerCount;
    std::string_view layerBeyondRadius;
    std::string_view topBeyondRadius;
    std::string_view zeroLayers;
    std::string_view zeroByZero;
    std::string_view overflowAt;
    std::string_view undefinedAt;
    std::string_view layerClause;
    std::array<std::string_view, kStepCount> steps; // by FaultStep
};

constexpr Phrases kEnglish = {
    {"{kind}: ", "{kind}: ", "{kind}: ", "{kind}: ", "{kind}: "},
    "{reasons}: a pier of these dimensions cannot be built, and its figures are not quantities. Correct the "
    "parameters.",
    "the layer count n = \"{text}\" lies outside -32768..32767. Enter a whole number of layers from 1 to 32767.",
    "parameter {name} = \"{text}\" is beyond the range of a number. Enter {name} in metres.",
    "the layer count n = {n} is negative and would leave the flared part out of S and V. "
    "Enter a layer count n from 1 to 32767.",
    "layer {i} at {y} m lies beyond radius {r} = {R} m ({r}^2 - y^2 < 0). "
    "Make h no larger than R1 and R2, or enlarge {r}.",
    "the height {y} m lies beyond radius {r} = {R} m ({r}^2 - h^2 < 0): the arc cannot reach the top of the flare. "
    "Make h no larger than R1 and R2, or enlarge {r}.",
    "the layer count n is 0, so the layer height h / n cannot be formed. Enter a layer count n from 1 to 32767.",
    "h = 0 and n = 0 make the layer height 0 / 0. Enter a layer count n from 1 to 32767.",
    "computing {step}{where} exceeded the range of a number. Look for a parameter that is far too large.",
    "computing {step}{where} gave an undefined result. Check the parameters.",
    " (layer {i} at {y} m)",
    {"reading the parameters", "the area cut by chamfers and grooves (l1, l2, l3)",
     "the base section S0 = L1 x L2 - cut", "the shaft volume H1 x S0",
     "the outline correction of chamfers and grooves (l1, l2)", "the shaft formwork",
     "the section at the top of the flare", "the cap volume H2 x top section", "the cap formwork",
     "the layer height h / n", "a layer of the flare", "the total formwork S", "the total volume V"},
};

constexpr Phrases kChinese = {
    {"溢出：", "除数为零：", "无效运算：", "无效参数：", "此墩无法成立："},
    "{reasons}。按这些尺寸无法建成此墩，其结果不是工程量。请修改参数。",
    "层数 n 的输入“{text}”超出 -32768～32767 的范围。请输入 1～32767 之间的整数层数。",
    "参数 {name} 的输入“{text}”数值过大，超出数值范围。请按米输入合理的 {name}。",
    "层数 n = {n} 为负数，变截面部分将不计入 S 和 V。请输入 1～32767 之间的层数 n。",
    "第 {i} 层顶高 {y} m 超过了半径 {r} = {R} m（{r}² − y² < 0）。请把 h 改为不大于 R1 和 R2 的值，或加大 {r}。",
    "高度 {y} m 超过了半径 {r} = {R} m（{r}² − h² < 0），圆弧到不了变截面顶部。请把 h 改为不大于 R1 和 R2 的值，或加大 "
    "{r}。",
    "层数 n 为 0，无法计算单层高 h / n。请输入 1～32767 之间的层数 n。",
    "h 与 n 均为 0，单层高 0 / 0 没有意义。请输入 1～32767 之间的层数 n。",
    "计算{step}{where}时数值超出范围。请检查是否有参数过大。",
    "计算{step}{where}时结果无意义。请检查参数。",
    "（第 {i} 层，顶高 {y} m）",
    {"读取参数", "倒角与凹槽面积（l1、l2、l3）", "底截面积 S0 = L1 × L2 − 倒角凹槽面积", "下部直段体积 H1 × S0",
     "倒角与凹槽的周长修正（l1、l2）", "下部直段模板面积", "变截面顶部截面积", "顶部直段体积 H2 × 顶截面积",
     "顶部直段模板面积", "单层高 h / n", "变截面分层", "模板总面积 S", "混凝土总体积 V"},
};

struct Value {
    std::string_view key;
    std::string text;
};

// The pattern with each {key} replaced by its value. Values are not scanned
// again, so a typed text holding braces stays as typed.
std::string Fill(std::string_view pattern, const std::vector<Value> &values)
{
    std::string out;
    out.reserve(pattern.size() + 64);
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        const std::size_t open = pattern.find('{', pos);
        const std::size_t close = open == std::string_view::npos ? open : pattern.find('}', open);
        if (close == std::string_view::npos) {
            out.append(pattern.substr(pos));
            break;
        }
        out.append(pattern.substr(pos, open - pos));
        const std::string_view key = pattern.substr(open + 1, close - open - 1);
        const auto value = std::find_if(values.begin(), values.end(), [&](const Value &v) { return v.key == key; });
        out.append(value != values.end() ? std::string_view(value->text) : pattern.substr(open, close - open + 1));
        pos = close + 1;
    }
    return out;
}

std::string RadiusName(int radiusIndex)
{
    std::string name = "R";
    if (radiusIndex == 1 || radiusIndex == 2)
        name += static_cast<char>('0' + radiusIndex);
    return name;
}

std::string ParameterName(int index)
{
    if (index < 0 || index >= kParameterCount)
        return "?";
    return std::string(kParameterNames[static_cast<std::size_t>(index)]);
}

// The pattern that says what happened, by where and how the fault arose.
std::string_view PatternOf(const CalculationFault &f, const Phrases &ph)
{
    if (f.kind == FaultKind::NotBuildable)
        return ph.notBuildable;
    if (f.step == FaultStep::ReadParameter)
        return f.parameter == kFieldN ? ph.layerCountOutOfRange : ph.lengthOutOfRange;
    if (f.kind == FaultKind::InvalidArgument) {
        if (f.step == FaultStep::LayerHeight)
            return ph.negativeLayerCount;
        return f.step == FaultStep::Layer ? ph.layerBeyondRadius : ph.topBeyondRadius;
    }
    if (f.step == FaultStep::LayerHeight)
        return f.kind == FaultKind::DivisionByZero ? ph.zeroLayers : ph.zeroByZero;
    return f.kind == FaultKind::Overflow ? ph.overflowAt : ph.undefinedAt;
}

std::string Message(const CalculationFault &f, const Phrases &ph)
{
    const auto step = static_cast<std::size_t>(f.step);
    std::vector<Value> values = {{"kind", FaultKindName(f.kind)},
                                 {"name", ParameterName(f.parameter)},
                                 {"text", ExcerptText(f.text)},
                                 {"n", ShortestText(f.layerCount)},
                                 {"i", std::to_string(f.layer)},
                                 {"y", ShortestText(f.height)},
                                 {"r", RadiusName(f.radiusIndex)},
                                 {"R", ShortestText(f.radius)},
                                 {"step", std::string(step < kStepCount ? ph.steps[step] : ph.steps[0])}};
    values.push_back({"reasons", &ph == &kEnglish ? f.reasonsEn : f.reasonsZh});
    values.push_back({"where", f.step == FaultStep::Layer ? Fill(ph.layerClause, values) : std::string()});
    return Fill(ph.kind[static_cast<std::size_t>(f.kind)], values) + Fill(PatternOf(f, ph), values);
}

} // namespace

const char *FaultKindName(FaultKind kind)
{
    switch (kind) {
    case FaultKind::Overflow:
        return "Overflow";
    case FaultKind::DivisionByZero:
        return "DivisionByZero";
    case FaultKind::InvalidOperation:
        return "InvalidOperation";
    case FaultKind::InvalidArgument:
        return "InvalidArgument";
    case FaultKind::NotBuildable:
        return "NotBuildable";
    }
    return "Fault";
}

std::string CalculationFault::messageEn() const
{
    return Message(*this, kEnglish);
}

std::string CalculationFault::messageZh() const
{
    return Message(*this, kChinese);
}

} // namespace pierqty
