#pragma once

// What every benchmark prints: one line per figure,
//   BENCH name=<id> value=<n> unit=<u> ref=<n> ratio=<n> goal=<text>
// with the reference measured in the same run.

#include <algorithm>
#include <cstdio>
#include <vector>

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// `ratio` as the goal reads it (a speed-up is ref / value).
inline void printBench(const char *name, double value, const char *unit, double ref, double ratio,
                       const char *goal)
{
    std::printf("BENCH name=%s value=%.3f unit=%s ref=%.3f ratio=%.4f goal=%s\n", name, value, unit,
                ref, ratio, goal);
    std::fflush(stdout);
}

inline void printBench(const char *name, double value, const char *unit, double ref,
                       const char *goal)
{
    printBench(name, value, unit, ref, ref > 0 ? value / ref : 0.0, goal);
}
