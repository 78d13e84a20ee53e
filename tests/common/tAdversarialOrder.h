// A number order that is hostile to sorting, shared by the tests and the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// The order of numbers that makes a quicksort with the middle entry as pivot
// find the largest remaining number there at every step: without a bound on
// its depth it recurses once per item.
inline std::vector<int32_t> MiddlePivotKiller(int32_t n)
{
    std::vector<int32_t> position(static_cast<size_t>(n)), number(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) position[static_cast<size_t>(i)] = i;
    for (int32_t r = n - 1; r > 0; --r) {
        number[static_cast<size_t>(position[static_cast<size_t>(r / 2)])] = r + 1;
        std::swap(position[static_cast<size_t>(r / 2)], position[static_cast<size_t>(r)]);
    }
    number[static_cast<size_t>(position[0])] = 1;
    return number;
}
