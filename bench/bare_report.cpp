// The floor for a whole `pierqty-cli n=N` run: the default pier computed by
// the plain evaluation of the tests, each layer formatted straight into one
// output buffer as it is computed, and that buffer written once.
// Usage: pierqty_bare_report [N] (default 32767).
#include "calc/numbers.h"
#include "tests/reference.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    pierqty::PierParameters p = pierqty::parsePierParameters(pierqty::DefaultParameterTexts()).value();
    p.n = static_cast<std::int16_t>(argc > 1 ? std::atoi(argv[1]) : 32767);
    std::string body;
    body.reserve(static_cast<std::size_t>(p.n) * 26 + 64);
    const pierqty::reference::Totals t = pierqty::reference::Evaluate(p, [&](int i, double, double S) {
        body += " S";
        pierqty::AppendInteger(body, i);
        body += " = ";
        pierqty::AppendFixed6(body, S);
        body += " m2\n";
    });
    std::string out;
    out.reserve(body.size() + 128);
    out += "S= ";
    pierqty::AppendFixed6(out, t.S);
    out += " m2\nV= ";
    pierqty::AppendFixed6(out, t.V);
    out += " m3\n \u5355\u5c42\u9ad8 = ";
    pierqty::AppendFixed6(out, t.LayerHeight);
    out += " m\n S0 = ";
    pierqty::AppendFixed6(out, t.S0);
    out += " m2\n";
    out += body;
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
