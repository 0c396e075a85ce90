// Timings of the Win32 window, under Wine or on Windows, as medians:
//   window_win32_bench --startup   process creation to the window ready
//                                  (shown, painted, focus on CS(0)); one run
//   window_win32_bench             Calculate to the report shown, n = 1000
//                                  and n = 32767
#include "platform/desktop_fake.h"
#include "ui/form/form.h"
#include "ui/win32/desktop_win32.h"
#include "ui/win32/hdun_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Settle(HWND window)
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        pierqty::win32::DispatchWindowMessage(window, message);
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double SinceProcessCreation()
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 1e4;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const bool startup = argc > 1 && std::wcscmp(argv[1], L"--startup") == 0;
    pierqty::win32::GdiplusSession gdiplus;
    pierqty::FakeDesktopServices services;
    pierqty::win32::HdunWindow window(services);
    const auto begin = Clock::now();
    if (!window.create(SW_SHOW))
        return 1;
    HWND first = window.control(pierqty::form::CS(0));
    while (GetFocus() != first)
        Settle(window.hwnd());
    Settle(window.hwnd());
    GdiFlush();
    if (startup) {
        std::printf("process start to window ready: %.1f ms (create to ready %.1f ms)\n", SinceProcessCreation(),
                    Milliseconds(Clock::now() - begin));
        return 0;
    }

    HWND n = window.control(pierqty::form::CS(10));
    HWND report = window.control(pierqty::form::kText1);
    for (const auto &[text, runs] : {std::pair{L"1000", 9}, std::pair{L"32767", 5}}) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            SetWindowTextW(n, L"1");
            window.calculateCommand(); // a short report in between
            SetWindowTextW(n, text);
            Settle(window.hwnd());
            const auto start = Clock::now();
            window.calculateCommand();
            RedrawWindow(report, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            GdiFlush();
            times.push_back(Milliseconds(Clock::now() - start));
            Settle(window.hwnd());
        }
        // The share of the calculation and its texts, without the window.
        std::vector<double> model;
        pierqty::ParameterTexts texts = pierqty::DefaultParameterTexts();
        texts[10] = pierqty::Narrow(text);
        for (int run = 0; run < runs; ++run) {
            pierqty::form::FormState state;
            const auto start = Clock::now();
            state.calculate(texts);
            model.push_back(Milliseconds(Clock::now() - start));
        }
        std::printf("Calculate to report shown, n = %ls: median %.1f ms over %d runs (calculation and texts %.1f ms)\n",
                    text, Median(times), runs, Median(model));
    }
    DestroyWindow(window.hwnd());
    return 0;
}
