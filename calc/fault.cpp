#include "calc/fault.h"

#include "calc/parameters.h"
#include "platform/numbers.h"

#include <string_view>

namespace pierqty {

namespace {

struct StepNames {
    std::string_view zh;
    std::string_view en;
};

StepNames NamesOf(FaultStep step)
{
    switch (step) {
    case FaultStep::ReadParameter:
        return {"读取参数", "reading the parameters"};
    case FaultStep::SectionCut:
        return {"倒角与凹槽面积（l1、l2、l3）", "the area cut by chamfers and grooves (l1, l2, l3)"};
    case FaultStep::S0:
        return {"底截面积 S0 = L1 × L2 − 倒角凹槽面积", "the base section S0 = L1 x L2 - cut"};
    case FaultStep::ShaftVolume:
        return {"下部直段体积 H1 × S0", "the shaft volume H1 x S0"};
    case FaultStep::PerimeterCorrection:
        return {"倒角与凹槽的周长修正（l1、l2）", "the outline correction of chamfers and grooves (l1, l2)"};
    case FaultStep::ShaftFormwork:
        return {"下部直段模板面积", "the shaft formwork"};
    case FaultStep::TopSection:
        return {"变截面顶部截面积", "the section at the top of the flare"};
    case FaultStep::CapVolume:
        return {"顶部直段体积 H2 × 顶截面积", "the cap volume H2 x top section"};
    case FaultStep::CapFormwork:
        return {"顶部直段模板面积", "the cap formwork"};
    case FaultStep::LayerHeight:
        return {"单层高 h / n", "the layer height h / n"};
    case FaultStep::Layer:
        return {"变截面分层", "a layer of the flare"};
    case FaultStep::TotalFormwork:
        return {"模板总面积 S", "the total formwork S"};
    case FaultStep::TotalVolume:
        return {"混凝土总体积 V", "the total volume V"};
    }
    return {"计算", "the calculation"};
}

std::string Num(double value)
{
    return ShortestText(value);
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
    }
    return "Fault";
}

std::string CalculationFault::messageEn() const
{
    std::string m = FaultKindName(kind);
    m += ": ";
    if (step == FaultStep::ReadParameter) {
        const std::string name = ParameterName(parameter);
        if (parameter == 10) {
            m += "the layer count n = \"" + ExcerptText(text) +
                "\" lies outside -32768..32767. "
                "Enter a whole number of layers from 1 to 32767.";
        } else {
            m += "parameter " + name + " = \"" + ExcerptText(text) +
                "\" is beyond the range of a number. "
                "Enter " +
                name + " in metres.";
        }
        return m;
    }
    if (step == FaultStep::LayerHeight && kind == FaultKind::InvalidArgument) {
        m += "the layer count n = " + Num(layerCount) +
            " is negative and would leave the flared part out of S and V. "
            "Enter a layer count n from 1 to 32767.";
        return m;
    }
    if (kind == FaultKind::InvalidArgument) {
        const std::string r = RadiusName(radiusIndex);
        if (step == FaultStep::Layer) {
            m += "layer " + std::to_string(layer) + " at " + Num(height) + " m lies beyond radius " + r + " = " +
                Num(radius) + " m (" + r + "^2 - y^2 < 0). Make h no larger than R1 and R2, or enlarge " + r + ".";
        } else {
            m += "the height " + Num(height) + " m lies beyond radius " + r + " = " + Num(radius) + " m (" + r +
                "^2 - h^2 < 0): the arc cannot reach the top of the flare. Make h no larger than R1 and R2, "
                "or enlarge " +
                r + ".";
        }
        return m;
    }
    if (step == FaultStep::LayerHeight) {
        if (kind == FaultKind::DivisionByZero)
            m += "the layer count n is 0, so the layer height h / n cannot be formed. "
                 "Enter a layer count n from 1 to 32767.";
        else
            m += "h = 0 and n = 0 make the layer height 0 / 0. Enter a layer count n from 1 to 32767.";
        return m;
    }
    m += "computing " + std::string(NamesOf(step).en);
    if (step == FaultStep::Layer)
        m += " (layer " + std::to_string(layer) + " at " + Num(height) + " m)";
    m += kind == FaultKind::Overflow ? " exceeded the range of a number. "
                                       "Look for a parameter that is far too large."
                                     : " gave an undefined result. Check the parameters.";
    return m;
}

std::string CalculationFault::messageZh() const
{
    std::string m;
    switch (kind) {
    case FaultKind::Overflow:
        m = "溢出：";
        break;
    case FaultKind::DivisionByZero:
        m = "除数为零：";
        break;
    case FaultKind::InvalidOperation:
        m = "无效运算：";
        break;
    case FaultKind::InvalidArgument:
        m = "无效参数：";
        break;
    }
    if (step == FaultStep::ReadParameter) {
        const std::string name = ParameterName(parameter);
        if (parameter == 10)
            m += "层数 n 的输入“" + ExcerptText(text) + "”超出 -32768～32767 的范围。请输入 1～32767 之间的整数层数。";
        else
            m += "参数 " + name + " 的输入“" + ExcerptText(text) + "”数值过大，超出数值范围。请按米输入合理的 " + name +
                "。";
        return m;
    }
    if (step == FaultStep::LayerHeight && kind == FaultKind::InvalidArgument) {
        m += "层数 n = " + Num(layerCount) + " 为负数，变截面部分将不计入 S 和 V。请输入 1～32767 之间的层数 n。";
        return m;
    }
    if (kind == FaultKind::InvalidArgument) {
        const std::string r = RadiusName(radiusIndex);
        if (step == FaultStep::Layer) {
            m += "第 " + std::to_string(layer) + " 层顶高 " + Num(height) + " m 超过了半径 " + r + " = " + Num(radius) +
                " m（" + r + "² − y² < 0）。请把 h 改为不大于 R1 和 R2 的值，或加大 " + r + "。";
        } else {
            m += "高度 " + Num(height) + " m 超过了半径 " + r + " = " + Num(radius) + " m（" + r +
                "² − h² < 0），圆弧到不了变截面顶部。请把 h 改为不大于 R1 和 R2 的值，或加大 " + r + "。";
        }
        return m;
    }
    if (step == FaultStep::LayerHeight) {
        if (kind == FaultKind::DivisionByZero)
            m += "层数 n 为 0，无法计算单层高 h / n。请输入 1～32767 之间的层数 n。";
        else
            m += "h 与 n 均为 0，单层高 0 / 0 没有意义。请输入 1～32767 之间的层数 n。";
        return m;
    }
    m += "计算" + std::string(NamesOf(step).zh);
    if (step == FaultStep::Layer)
        m += "（第 " + std::to_string(layer) + " 层，顶高 " + Num(height) + " m）";
    m += kind == FaultKind::Overflow ? "时数值超出范围。请检查是否有参数过大。" : "时结果无意义。请检查参数。";
    return m;
}

} // namespace pierqty
