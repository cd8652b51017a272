#pragma once
// Working on a map's sections (mapSections) at once. A pass changes each face,
// and each brush, on its own, and the inventory looks at each face on its own,
// so on a large map two threads take the sections in turn, each with a field
// table, walk indices and rebuild room of its own.
// What a section logs waits until every earlier section's log lines are in the
// log, so the log reads as if one thread had worked through the map.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "app/state.h"

// Lines start.begin to end (not included) of mapLines: one section.
struct LineRange {
    MapSection start;
    std::size_t end = 0;
};

// One thread's part in a pass: the section it works on, if any.
struct SectionTaker {
    std::size_t section = SIZE_MAX;
};

// How many sections there are to take: those of mapSections, or one for a map
// read without them.
std::size_t sectionCount();

// Sends the log lines of the section `taker` worked on to the log (now, or
// once the earlier sections' lines are there), then gives it the next section
// no thread has taken, in `range`. False when none is left.
bool takeSection(SectionTaker& taker, LineRange& range);

// Calls `work` on this thread and, when the map is worth a second thread and
// no -check note has to be found in order, meanwhile on a second thread. Each
// call takes sections with takeSection until none is left, and may change only
// the lines of the sections it took. Returns the sum of what the calls return.
std::uint32_t workOnSections(const std::function<std::uint32_t(SectionTaker&)>& work);

// The log text the thread's section has added so far, with -dump; takeSection
// sends it to the log.
std::string& sectionLog();
