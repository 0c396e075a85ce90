// The default pier at n layers (argv[1], default 32767), computed with no
// checks and written as pierqty-cli writes it: the yardstick for a whole run.
#include "platform/numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 32767;
    const double L1 = 2.5, R1 = 4.488, L2 = 1.8, R2 = 13.032, H1 = 3, H2 = 0.5, h = 3, l1 = 0.1, l2 = 0.1, l3 = 0.5;
    const double cut = 2 * (l1 * l1) + 2 * ((l3 + l2) * l2);
    const double pc = (((l2 + l1) * 1.4142135623730951) * 4 - (2 * l1) * 4) - 4 * l2;
    const double S0 = L1 * L2 - cut;
    const double ta = 2 * (R1 - std::sqrt(R1 * R1 - h * h)) + L1;
    const double tb = 2 * (R2 - std::sqrt(R2 * R2 - h * h)) + L2;
    const double lh = h / n;
    std::string body;
    body.reserve(static_cast<std::size_t>(n) * 26 + 64);
    double previous = S0, volume = 0, formwork = 0;
    for (int i = 1; i <= n; ++i) {
        const double y = i * lh;
        const double a = 2 * (R1 - std::sqrt(R1 * R1 - y * y)) + L1;
        const double b = 2 * (R2 - std::sqrt(R2 * R2 - y * y)) + L2;
        const double s = a * b - cut;
        volume = ((s + previous) * h / n) / 2 + volume;
        formwork = (2 * (a + b) + pc) * h / n + formwork;
        previous = s;
        body += " S";
        pierqty::AppendInteger(body, i);
        body += " = ";
        pierqty::AppendFixed6(body, s);
        body += " m2\n";
    }
    const double S = (formwork + (2 * (L1 + L2) + pc) * H1) + (2 * (ta + tb) + pc) * H2;
    const double V = (H2 * (ta * tb - cut) + H1 * S0) + volume;
    std::string out = "S= " + pierqty::FormatFixed6(S) + " m2\nV= " + pierqty::FormatFixed6(V) +
        " m3\n \u5355\u5c42\u9ad8 = " + pierqty::FormatFixed6(lh) + " m\n S0 = " + pierqty::FormatFixed6(S0) + " m2\n";
    out += body;
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
