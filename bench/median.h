// The median wall time of a piece of work run several times, for the
// harnesses that print their own figures.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace pierqty::bench {

inline double MedianMilliseconds(int runs, const std::function<void()> &work)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    for (int k = 0; k < runs; ++k) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace pierqty::bench
