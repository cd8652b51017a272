#include "fix/pass_halves.h"

#include <system_error>
#include <thread>

#include "app/state.h"
#include "map/map_walk.h"

namespace {

// The lines from the first one at or past the middle of mapLines before which
// the walk is in no brush (depth 0 or 1), with that depth; an empty range at
// the end when there is none.
LineRange secondHalf() {
    const std::size_t lineCount = mapLines.size();
    MapWalk walk = startMapWalk();
    for (std::size_t i = 0; i < lineCount; ++i) {
        if (i >= lineCount / 2 && walk.depth <= 1) return LineRange{i, lineCount, walk.depth};
        walkMapLine(walk, mapLines[i]);
    }
    return LineRange{lineCount, lineCount, walk.depth};
}

}  // namespace

std::uint32_t workOnHalves(const std::function<std::uint32_t(LineRange)>& work) {
    const LineRange whole{0, mapLines.size(), 0};
    if ((runOptions & (OPT_DUMP | OPT_CHECK)) != 0 || !worthSecondThread()) return work(whole);
    const LineRange second = secondHalf();
    if (second.begin == second.end) return work(whole);
    std::uint32_t secondResult = 0;
    std::thread secondThread;
    try {
        secondThread = std::thread([&work, second, &secondResult] { secondResult = work(second); });
    } catch (const std::system_error&) {
        return work(whole);  // no second thread to be had
    }
    const std::uint32_t firstResult = work(LineRange{0, second.begin, 0});
    secondThread.join();
    return firstResult + secondResult;
}
