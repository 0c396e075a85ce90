// Timings of the Win32 bridge window, under Wine or on Windows, as medians:
//   bridge_win32_bench FILE     (bridge_win32_bench.sh makes a 1,000-pier FILE)
//     open: the window made, FILE read and the table shown and painted
//           (the totals row and the summary included), 9 runs; and of
//           that, the model's reading and computing of FILE
//     edit: one H1 changed in the middle row to the totals row and the
//           summary repainted, 21 runs
#include "platform/desktop_fake.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/bridge_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// What is queued handled, then every pending paint done.
void Paint(pierqty::win32::BridgeWindow &window)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        pierqty::win32::DispatchProgramMessage(message, &window, nullptr);
    RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bridge_win32_bench FILE\n");
        return 2;
    }
    const std::string path = pierqty::Narrow(argv[1]);
    pierqty::FakeDesktopServices services;
    std::vector<double> opens;
    std::vector<double> reads;
    int rows = 0;
    for (int run = 0; run < 9; ++run) {
        const auto begin = Clock::now();
        pierqty::win32::BridgeWindow window(services);
        if (!window.create())
            return 1;
        const auto read = Clock::now();
        if (!window.openFile(path))
            return 1;
        reads.push_back(Milliseconds(Clock::now() - read));
        window.show();
        Paint(window);
        opens.push_back(Milliseconds(Clock::now() - begin));
        rows = window.model().rowCount();
    }
    std::printf("open %d piers and show the table: median %.1f ms over %zu runs (reading and computing the file: "
                "%.1f ms)\n",
                rows, Median(opens), opens.size(), Median(reads));

    // The same file opened again in a window already on screen (文件 → 打开):
    // the table replaced and painted, without a new top-level window.
    pierqty::win32::BridgeWindow window(services);
    if (!window.create() || !window.openFile(path))
        return 1;
    window.show();
    Paint(window);
    std::vector<double> reopens;
    for (int run = 0; run < 9; ++run) {
        const auto begin = Clock::now();
        if (!window.openFile(path))
            return 1;
        Paint(window);
        reopens.push_back(Milliseconds(Clock::now() - begin));
    }
    std::printf("open 1000 piers in the window on screen until painted: median %.1f ms over %zu runs\n",
                Median(reopens), reopens.size());
    const int row = window.model().rowCount() / 2;
    const int h1 = pierqty::bridge::kFirstInputColumn + 4;
    std::vector<double> edits;
    for (int run = 0; run < 21; ++run) {
        const auto begin = Clock::now();
        window.model().setCell(row, h1, run % 2 ? "3.2" : "3.1");
        Paint(window);
        edits.push_back(Milliseconds(Clock::now() - begin));
    }
    std::printf("edit one H1 to the totals shown: median %.2f ms over %zu runs (%s)\n", Median(edits), edits.size(),
                window.model().totalsText(pierqty::bridge::kFirstFigureColumn).c_str());
    return 0;
}
