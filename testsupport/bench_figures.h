#pragma once

// What the benchmarks of every program share: the clock, medians, rates and
// the machine's load, printed beside the figures.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double mibPerSecond(std::size_t bytes, Clock::duration elapsed)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

// The load averages of the last 1, 5 and 15 minutes, as /proc/loadavg gives them.
inline std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

}  // namespace bench
