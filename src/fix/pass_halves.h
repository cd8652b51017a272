#pragma once
// Working on the two halves of a map at once. A pass that keeps nothing in
// order (no log lines and no notes of changes) changes each face, and each
// brush, on its own; on a large map its second half then goes to a second
// thread, with a field table, walk indices and rebuild room of its own.
#include <cstddef>
#include <cstdint>
#include <functional>

// Lines begin to end (not included) of mapLines, and the walk's depth before line begin.
struct LineRange {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::uint8_t depth = 0;
};

// Calls `work` on all of mapLines; or, when neither -dump nor -check keeps
// anything in order and the map is worth a second thread, on the lines before
// the first line past the middle that no brush holds, and meanwhile, on a
// second thread, on the lines from there. `work` may change only the lines of
// its range. Returns the sum of what the calls return.
std::uint32_t workOnHalves(const std::function<std::uint32_t(LineRange)>& work);
