#include "map/faces_ahead.h"

#include <algorithm>
#include <atomic>

#include "app/second_thread.h"
#include "app/state.h"
#include "map/face_line.h"

namespace {

// Enough lines that taking a block costs nothing beside splitting it.
constexpr std::size_t LINES_PER_BLOCK = 4096;

// The first line of the next block no thread has taken.
std::atomic<std::size_t> nextBlockStart{0};

void splitFreeBlocks() {
    const std::size_t lineCount = mapLines.size();
    for (;;) {
        const std::size_t start = nextBlockStart.fetch_add(LINES_PER_BLOCK, std::memory_order_relaxed);
        if (start >= lineCount) return;
        const std::size_t end = std::min(lineCount, start + LINES_PER_BLOCK);
        for (std::size_t i = start; i < end; ++i) {
            if (hasFaceSpots(mapLines[i])) splitMapFace(i);
        }
    }
}

}  // namespace

void startSplittingFaces() {
    nextBlockStart.store(0, std::memory_order_relaxed);
    // Without a second thread this one splits every block.
    if (worthSecondThread()) startOnSecondThread(splitFreeBlocks);
}

void finishSplittingFaces() {
    splitFreeBlocks();
    waitForSecondThread();
}
