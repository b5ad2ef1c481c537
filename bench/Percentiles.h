#pragma once
// Latency summaries shared by the round-trip benchmarks.

#include <algorithm>
#include <cstddef>
#include <vector>

struct Stats {
    double p50 = 0;
    double p99 = 0;
};

// Nearest-rank percentiles of a non-empty sample (microseconds in, microseconds out).
inline Stats percentiles(std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    const auto at
        = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
    return { at(0.50), at(0.99) };
}
