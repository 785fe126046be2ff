#pragma once
// Timing and the order statistics the benches print.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace BenchStats {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

inline double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// The value `fraction` of the way up the sorted values (0 when there are none).
inline double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

// The middle value, or the mean of the middle two (0 when there are none).
inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

} // namespace BenchStats
