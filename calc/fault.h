// Why a calculation stopped, and where.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace pierqty {

// NotBuildable: the calculation itself ran, but the dimensions describe no
// pier that can be built, so its figures are no quantities (a sheet or a
// batch row refuses them).
enum class FaultKind { Overflow, DivisionByZero, InvalidOperation, InvalidArgument, NotBuildable };

// The step of the calculation at which a fault arose, in the order the steps run.
enum class FaultStep {
    ReadParameter, // converting one of the eleven texts
    SectionCut,
    S0,
    ShaftVolume,
    PerimeterCorrection,
    ShaftFormwork,
    TopSection,
    CapVolume,
    CapFormwork,
    LayerHeight,
    Layer, // one pass of the layer loop
    TotalFormwork,
    TotalVolume
};

struct CalculationFault {
    FaultKind kind = FaultKind::InvalidOperation;
    FaultStep step = FaultStep::ReadParameter;
    int parameter = -1; // ReadParameter: index 0..10 of the parameter
    std::string text; // ReadParameter: the text as typed
    int layer = 0; // Layer: the layer number i
    double height = 0.0; // TopSection: h; Layer: the layer top y_i (m)
    int radiusIndex = 0; // InvalidArgument: 1 for R1, 2 for R2
    double radius = 0.0; // InvalidArgument: the radius that the height exceeds (m)
    double layerCount = 0.0; // LayerHeight: n as a double
    std::string reasonsEn; // NotBuildable: every reason, joined with "; "
    std::string reasonsZh; // NotBuildable: the same in Chinese, joined with "；"

    // One clear sentence or two for the window (Simplified Chinese) and for
    // the command line (English): what happened, where, and what to change.
    std::string messageZh() const;
    std::string messageEn() const;
};

const char *FaultKindName(FaultKind kind);

// Either a value or the fault that stopped its computation.
template<class T>
class Outcome
{
public:
    Outcome(T value) : m_state(std::move(value)) { }
    Outcome(CalculationFault fault) : m_state(std::move(fault)) { }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return std::get<0>(m_state); }
    T &value() & { return std::get<0>(m_state); }
    T &&value() && { return std::get<0>(std::move(m_state)); }
    const CalculationFault &fault() const { return std::get<1>(m_state); }

private:
    std::variant<T, CalculationFault> m_state;
};

} // namespace pierqty
