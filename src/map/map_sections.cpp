#include "map/map_sections.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "app/output.h"
#include "app/second_thread.h"
#include "app/state.h"

namespace {

// A thread waits before it works on a section this many sections past the
// first one whose log lines are not in the log: the log text that waits for
// its turn stays a few sections' worth.
constexpr std::size_t SECTIONS_AHEAD = 4;

// How far the threads have come with the pass's sections, under sectionMutex.
std::mutex sectionMutex;
std::condition_variable sectionLogged;
std::size_t nextTaken = 0;   // the first section no thread has taken
std::size_t nextLogged = 0;  // the first section whose log lines are not in the log
std::vector<std::string> waitingLogs;  // of the sections done before their turn
std::vector<std::uint8_t> sectionDone;

thread_local std::string currentLog;

// A map whose lines were appended without reading it (in tests) has no
// sections: it is one.
MapSection sectionStart(std::size_t section) { return mapSections.empty() ? MapSection{} : mapSections[section]; }

std::size_t sectionEnd(std::size_t section) {
    return section + 1 < mapSections.size() ? mapSections[section + 1].begin : mapLines.size();
}

// Under sectionMutex: logs the thread's section now when its turn has come,
// else keeps its lines; then logs the kept lines of every later section whose
// turn that brings.
void finishSection(std::size_t section) {
    if (section == nextLogged) {
        if (!currentLog.empty()) logLines(currentLog);
        currentLog.clear();  // the text's room serves the thread's next section
        ++nextLogged;
    } else {
        waitingLogs[section] = std::move(currentLog);
        currentLog.clear();
        sectionDone[section] = 1;
    }
    for (; nextLogged < sectionCount() && sectionDone[nextLogged] != 0; ++nextLogged) {
        if (!waitingLogs[nextLogged].empty()) logLines(waitingLogs[nextLogged]);
        std::string().swap(waitingLogs[nextLogged]);
    }
}

}  // namespace

std::size_t sectionCount() { return std::max<std::size_t>(mapSections.size(), 1); }

bool takeSection(SectionTaker& taker, LineRange& range) {
    std::unique_lock lock(sectionMutex);
    if (taker.section != SIZE_MAX) {
        finishSection(taker.section);
        sectionLogged.notify_all();
    }
    if (nextTaken >= sectionCount()) {
        taker.section = SIZE_MAX;
        return false;
    }
    taker.section = nextTaken++;
    // The first section not logged is this one or the other thread's, which
    // does not wait for it: the wait always ends.
    sectionLogged.wait(lock, [&taker] { return taker.section < nextLogged + SECTIONS_AHEAD; });
    range = LineRange{sectionStart(taker.section), sectionEnd(taker.section)};
    return true;
}

std::uint32_t workOnSections(const std::function<std::uint32_t(SectionTaker&)>& work) {
    nextTaken = 0;
    nextLogged = 0;
    waitingLogs.assign(sectionCount(), std::string());
    sectionDone.assign(sectionCount(), 0);
    currentLog.clear();
    std::uint32_t secondResult = 0;
    // -check notes each change as it is found, in file order, so those passes
    // keep to one thread. Without a second thread this one takes every section.
    if ((runOptions & OPT_CHECK) == 0 && worthSecondThread() && sectionCount() > 1) {
        startOnSecondThread([&work, &secondResult] {
            SectionTaker taker;
            secondResult = work(taker);
        });
    }
    SectionTaker taker;
    const std::uint32_t firstResult = work(taker);
    waitForSecondThread();
    return firstResult + secondResult;
}

std::string& sectionLog() { return currentLog; }
