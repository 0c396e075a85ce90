// The quantities a bill of quantities adopts for one pier, and their rounding.
//
// Formwork is measured by the contact area of concrete and form; the pier's
// foot and top touch other members and carry none (GB 50857-2013). Concrete
// is measured by volume from the design dimensions. So the bill takes the
// exact volume and the true formwork area, never the layered figures, and
// splits the formwork into the flared part's curved faces and the straight
// shaft and cap, which are priced apart.
//
// GB 50500-2013 keeps m^3 and m^2 to 2 decimals, rounded half up after the
// item has been summed at full precision: sum the doubles first, round once.
#pragma once

#include "calc/exact.h"
#include "calc/quantities.h"

#include <string>

namespace pierqty {

struct AdoptedQuantities {
    double Concrete = 0.0; // exact volume, m^3
    double CurvedFormwork = 0.0; // true area of the flared part's faces, m^2
    double StraightFormwork = 0.0; // shaft and cap faces, m^2
    double Formwork = 0.0; // all of the pier's formwork, m^2
};

AdoptedQuantities AdoptQuantities(const PierQuantities &layered, const ExactQuantities &exact);

// value rounded half up (a tie goes away from zero) to the given number of
// decimals, as a decimal text with exactly that many decimals ("65.68").
// The tie is judged on the value's shortest round-trip decimal form, the
// figure a user sees at full precision: 65.675 rounds to 65.68 although the
// nearest double lies just below it, where printf's "%.2f" gives 65.67.
// Finite values only; decimals from 0 to 17.
std::string RoundHalfUpText(double value, int decimals);

// The same rounding as a double: the double nearest RoundHalfUpText's text.
double RoundHalfUp(double value, int decimals);

} // namespace pierqty
