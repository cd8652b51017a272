#include "app/read_ahead.h"

#include <array>
#include <string>

#include "app/piece_ring.h"
#include "app/second_thread.h"

namespace {

constexpr std::size_t PIECE_SIZE = BRUSHUP_READ_PIECE_SIZE;

// Reads `file` into the ring's pieces until its end, or until the taking
// thread stops; `failed` when reading failed.
void readIntoRing(std::FILE* file, PieceRing& ring, std::array<std::string, RING_SLOTS>& pieces,
                  std::array<std::size_t, RING_SLOTS>& sizes, bool& failed) {
    for (std::size_t slot = slotToFill(ring); slot != NO_SLOT; slot = slotToFill(ring)) {
        sizes[slot] = std::fread(pieces[slot].data(), 1, PIECE_SIZE, file);
        if (sizes[slot] == 0) {
            failed = std::ferror(file) != 0;
            markEnded(ring);
            return;
        }
        markFilled(ring);
    }
}

}  // namespace

bool readPieces(std::FILE* file, const PieceTaker& takePiece) {
    std::string piece(PIECE_SIZE, '\0');
    std::size_t got = 0;
    while ((got = std::fread(piece.data(), 1, piece.size(), file)) > 0) {
        if (!takePiece(std::string_view(piece.data(), got))) break;
    }
    return std::ferror(file) == 0;
}

bool readPiecesAhead(std::FILE* file, const PieceTaker& takePiece) {
    PieceRing ring;
    std::array<std::string, RING_SLOTS> pieces;
    for (std::string& piece : pieces) piece.assign(PIECE_SIZE, '\0');
    std::array<std::size_t, RING_SLOTS> sizes{};
    bool failed = false;
    if (!startOnSecondThread([&] { readIntoRing(file, ring, pieces, sizes, failed); })) {
        return readPieces(file, takePiece);
    }
    for (std::size_t slot = slotToTake(ring); slot != NO_SLOT; slot = slotToTake(ring)) {
        const bool more = takePiece(std::string_view(pieces[slot].data(), sizes[slot]));
        markTaken(ring);
        if (!more) break;
    }
    stopTaking(ring);
    waitForSecondThread();
    return !failed;
}
