#include "app/piece_ring.h"

namespace {

// Makes `change` to the ring under its lock, and wakes the other thread.
template <typename Change>
void changeRing(PieceRing& ring, Change change) {
    const std::lock_guard lock(ring.mutex);
    change();
    ring.changed.notify_all();
}

}  // namespace

std::size_t slotToFill(PieceRing& ring) {
    std::unique_lock lock(ring.mutex);
    ring.changed.wait(lock, [&ring] { return ring.stopped || ring.filled - ring.taken < RING_SLOTS; });
    return ring.stopped ? NO_SLOT : ring.filled % RING_SLOTS;
}

void markFilled(PieceRing& ring) {
    changeRing(ring, [&ring] { ++ring.filled; });
}

void markEnded(PieceRing& ring) {
    changeRing(ring, [&ring] { ring.ended = true; });
}

std::size_t slotToTake(PieceRing& ring) {
    std::unique_lock lock(ring.mutex);
    ring.changed.wait(lock, [&ring] { return ring.ended || ring.taken < ring.filled; });
    return ring.taken < ring.filled ? ring.taken % RING_SLOTS : NO_SLOT;
}

void markTaken(PieceRing& ring) {
    changeRing(ring, [&ring] { ++ring.taken; });
}

void stopTaking(PieceRing& ring) {
    changeRing(ring, [&ring] { ring.stopped = true; });
}
