#include "calc/adopted.h"

#include <array>
#include <charconv>
#include <system_error>

namespace pierqty {

AdoptedQuantities AdoptQuantities(const PierQuantities &layered, const ExactQuantities &exact)
{
    AdoptedQuantities adopted;
    adopted.Concrete = exact.V;
    adopted.CurvedFormwork = exact.TrueFlareFormwork;
    adopted.StraightFormwork = layered.ShaftFormwork + layered.CapFormwork;
    adopted.Formwork = exact.S;
    return adopted;
}

namespace {

// Adds one unit in the last place of a run of decimal digits (and a point),
// carrying leftwards; returns false when the carry runs off the front.
bool IncrementDigits(std::string &digits)
{
    for (auto k = digits.size(); k-- > 0;) {
        if (digits[k] == '.')
            continue;
        if (digits[k] != '9') {
            ++digits[k];
            return true;
        }
        digits[k] = '0';
    }
    return false;
}

} // namespace

std::string RoundHalfUpText(double value, int decimals)
{
    // Shortest round-trip digits in fixed notation: up to 309 integer digits
    // and, for tiny values, a few hundred decimals.
    std::array<char, 1100> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    if (written.ec != std::errc{})
        return "";
    std::string text(buffer.data(), written.ptr);
    const bool negative = text.front() == '-';
    if (negative)
        text.erase(0, 1);
    auto point = text.find('.');
    if (point == std::string::npos) {
        point = text.size();
        text += '.';
    }
    const auto wanted = static_cast<std::size_t>(decimals);
    text.append(point + 1 + wanted > text.size() ? point + 1 + wanted - text.size() : 0, '0');
    const bool roundUp = text.size() > point + 1 + wanted && text[point + 1 + wanted] >= '5';
    text.resize(point + 1 + wanted);
    const bool carried = roundUp && !IncrementDigits(text);
    std::string rounded;
    if (negative && (carried || text.find_first_not_of("0.") != std::string::npos))
        rounded += '-'; // never "-0.00"
    if (carried)
        rounded += '1';
    rounded += text;
    if (decimals == 0)
        rounded.pop_back();
    return rounded;
}

double RoundHalfUp(double value, int decimals)
{
    const std::string text = RoundHalfUpText(value, decimals);
    double rounded = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    return rounded;
}

} // namespace pierqty
