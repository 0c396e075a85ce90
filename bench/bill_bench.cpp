// Times the bill's workbook: a bridge of 1,000 piers, and one pier at
// n = 32767 with its layer table. A harness that prints the median of
// several runs (milliseconds), with the piers' own calculation timed apart
// from the workbook.
//
//   pierqty_bill_bench [RUNS] [FOLDER]
#include "bench/median.h"
#include "bill/workbook.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace pierqty;
using Clock = std::chrono::steady_clock;

using bench::MedianMilliseconds;

// A bridge: piers that differ in L1, h and grade, 1,000 layers each.
std::vector<bill::PierRecord> Bridge(int count)
{
    std::vector<bill::PierRecord> piers;
    for (int k = 0; k < count; ++k) {
        ParameterTexts texts = DefaultParameterTexts();
        texts[kFieldL1] = std::to_string(2.0 + 0.001 * k);
        texts[kFieldh] = std::to_string(2.0 + 0.0015 * (k % 600));
        piers.push_back(bill::MakePierRecord(std::to_string(k + 1) + "号墩", texts, k % 3 == 0 ? "C40" : "C30"));
    }
    return piers;
}

void Write(const std::string &path, const std::vector<bill::PierRecord> &piers, const bill::WorkbookOptions &options)
{
    std::string error;
    if (!bill::WriteWorkbook(path, piers, options, error)) {
        std::fprintf(stderr, "pierqty_bill_bench: %s\n", error.c_str());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
    const bill::WorkbookOptions options;
    const std::string bridgePath = (folder / "bench-bridge.xlsx").string();
    const std::string pierPath = (folder / "bench-pier.xlsx").string();

    std::vector<bill::PierRecord> bridge;
    const double calculation = MedianMilliseconds(runs, [&] { bridge = Bridge(1000); });
    const double bridgeWorkbook = MedianMilliseconds(runs, [&] { Write(bridgePath, bridge, options); });
    ParameterTexts texts = DefaultParameterTexts();
    texts[kFieldN] = "32767";
    const double pier = MedianMilliseconds(runs, [&] { Write(pierPath, {bill::MakePierRecord("1", texts)}, options); });
    std::printf("median of %d runs (ms)\n", runs);
    std::printf("  1000 piers (n = 1000): calculation %8.1f\n", calculation);
    std::printf("  1000 piers: workbook written     %8.1f  (%ju bytes)\n", bridgeWorkbook,
                static_cast<std::uintmax_t>(std::filesystem::file_size(bridgePath)));
    std::printf("  1 pier, n = 32767, layer table   %8.1f  (%ju bytes, calculation included)\n", pier,
                static_cast<std::uintmax_t>(std::filesystem::file_size(pierPath)));
    std::filesystem::remove(bridgePath);
    std::filesystem::remove(pierPath);
}
