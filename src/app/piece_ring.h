#pragma once
// Pieces handed in order from a thread that fills them to one that takes
// them, through a ring of RING_SLOTS slots: a slot belongs to the filling
// thread until it is marked filled, then to the taking thread until it is
// marked taken. The slots' contents are the caller's, one per slot.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

// Enough slots that neither thread waits for the other often.
constexpr std::size_t RING_SLOTS = 8;
constexpr std::size_t NO_SLOT = SIZE_MAX;

struct PieceRing {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t filled = 0;  // pieces filled so far: piece k is in slot k % RING_SLOTS
    std::size_t taken = 0;
    bool ended = false;    // no piece follows those filled
    bool stopped = false;  // the taking thread takes no more pieces
};

// The slot the filling thread fills next, once one is free; NO_SLOT when the
// taking thread has stopped.
std::size_t slotToFill(PieceRing& ring);

// The slot slotToFill gave holds its piece.
void markFilled(PieceRing& ring);

// No piece follows those filled.
void markEnded(PieceRing& ring);

// The slot of the next piece, once it is filled; NO_SLOT when the pieces have
// ended and every one is taken.
std::size_t slotToTake(PieceRing& ring);

// The slot slotToTake gave is done with.
void markTaken(PieceRing& ring);

// No more pieces are wanted, whether or not one was taken.
void stopTaking(PieceRing& ring);
