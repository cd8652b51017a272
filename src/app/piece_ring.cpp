#include "app/piece_ring.h"

std::size_t slotToFill(PieceRing& ring) {
    std::unique_lock lock(ring.mutex);
    ring.changed.wait(lock, [&ring] { return ring.stopped || ring.filled - ring.taken < RING_SLOTS; });
    return ring.stopped ? NO_SLOT : ring.filled % RING_SLOTS;
}

void markFilled(PieceRing& ring) {
    const std::lock_guard lock(ring.mutex);
    ++ring.filled;
    ring.changed.notify_all();
}

void markEnded(PieceRing& ring) {
    const std::lock_guard lock(ring.mutex);
    ring.ended = true;
    ring.changed.notify_all();
}

std::size_t slotToTake(PieceRing& ring) {
    std::unique_lock lock(ring.mutex);
    ring.changed.wait(lock, [&ring] { return ring.ended || ring.taken < ring.filled; });
    return ring.taken < ring.filled ? ring.taken % RING_SLOTS : NO_SLOT;
}

void markTaken(PieceRing& ring) {
    const std::lock_guard lock(ring.mutex);
    ++ring.taken;
    ring.changed.notify_all();
}

void stopTaking(PieceRing& ring) {
    const std::lock_guard lock(ring.mutex);
    ring.stopped = true;
    ring.changed.notify_all();
}
