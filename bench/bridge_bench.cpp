// Times the bridge window's model at 1,000 piers: opening the file (reading,
// computing every pier, the totals) and an edit of one H1 to updated totals
// and bill. A harness that prints the median of several runs (milliseconds).
//
//   pierqty_bridge_bench [RUNS] [PIERS]
#include "bench/median.h"
#include "sheet/files.h"
#include "ui/form/bridge.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace pierqty;
using Clock = std::chrono::steady_clock;

using bench::MedianMilliseconds;

// A batch file of varied piers at n = 1000, as bench/make_piers.sh writes.
std::string Piers(int count)
{
    std::string csv = "id,L1,R1,L2,R2,h,n\n";
    char line[160];
    for (int k = 1; k <= count; ++k) {
        const double h = 1 + (k % 40) * 0.1, r1 = h + (k % 7) * 0.5, r2 = h + 2 + (k % 11);
        std::snprintf(line, sizeof line, "P%d,%.2f,%.3f,%.2f,%.3f,%.1f,1000\n", k, 2 + (k % 5) * 0.1, r1,
                      1.5 + (k % 3) * 0.1, r2, h);
        csv += line;
    }
    return csv;
}

void Fail(const std::string &message)
{
    std::fprintf(stderr, "pierqty_bridge_bench: %s\n", message.c_str());
    std::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1000;
    const auto path = std::filesystem::temp_directory_path() / "pierqty_bridge_bench.csv";
    std::ofstream(path, std::ios::binary) << Piers(count);

    bridge::BridgeModel model;
    const double open = MedianMilliseconds(runs, [&] {
        if (const auto error = model.open(sheet::Utf8FromPath(path)))
            Fail(*error);
    });
    if (model.rowCount() != count)
        Fail("the bridge has " + std::to_string(model.rowCount()) + " piers");
    int edit = 0;
    double checksum = 0.0;
    const int h1 = bridge::kFirstInputColumn + kFieldH1;
    const double edited = MedianMilliseconds(runs * 10, [&] {
        model.setCell(count / 2, h1, std::to_string(3 + ++edit % 9));
        checksum += model.totals().figure(bridge::Figure::Concrete);
    });
    const double billed = MedianMilliseconds(runs * 10, [&] { checksum += model.billLines().front().quantity; });
    const double copied = MedianMilliseconds(runs, [&] { checksum += static_cast<double>(model.copyTable().size()); });
    std::filesystem::remove(path);
    std::printf("bridge of %d piers (n = 1000), medians of %d runs:\n", count, runs);
    std::printf("  open the file (read, compute every pier, totals): %.2f ms\n", open);
    std::printf("  edit one H1 to updated row and totals:            %.3f ms\n", edited);
    std::printf("  the bill's lines (bill::BillLines):               %.3f ms\n", billed);
    std::printf("  copy the whole table as text:                     %.2f ms\n", copied);
    std::printf("  (checksum %.3f)\n", checksum);
    return 0;
}
