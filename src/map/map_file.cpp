#include "map/map_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/output.h"
#include "app/piece_ring.h"
#include "app/platform.h"
#include "app/second_thread.h"
#include "app/state.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

// A map's kept lines take more bytes of the file than this on average: a face
// line some 60 to 100, a key line some 20 to 40, a brace 3 with its line end.
constexpr std::size_t AVERAGE_LINE_BYTES_AT_LEAST = 16;

// A map this large, some tens of thousands of lines, is read on a second
// thread, which then costs less than the copying it takes over.
constexpr std::size_t READ_AHEAD_BYTES = std::size_t{4} << 20;

// What may follow a Ctrl-Z in a text map: blanks, line ends and more Ctrl-Z.
constexpr std::string_view AFTER_END_OF_FILE = " \t\r\n\x1a";

// Where the comment of a map line starts: the first "//" outside double quotes.
std::size_t commentStart(std::string_view line) {
    bool quoted = false;
    // Only quotes and slashes matter: the search leaps from one to the next.
    for (std::size_t at = findEither(line, 0, '/', '"'); at < line.size(); at = findEither(line, at + 1, '/', '"')) {
        if (line[at] == '"') quoted = !quoted;
        else if (!quoted && at + 1 < line.size() && line[at + 1] == '/') return at;
    }
    return std::string_view::npos;
}

// The editor's header: a first line naming the game, and a line naming the
// map's form, first or right after it. The editor reads them back to choose both.
constexpr std::string_view GAME_HEADER = "// Game: ";
constexpr std::string_view FORMAT_HEADER = "// Format: ";

void takeHeaderLine(std::uint32_t lineNumber, std::string_view line) {
    const bool formatMayFollow = lineNumber == 1 || (lineNumber == 2 && mapHeader.starts_with(GAME_HEADER));
    if ((lineNumber == 1 && line.starts_with(GAME_HEADER)) || (formatMayFollow && line.starts_with(FORMAT_HEADER))) {
        mapHeader += line;
        mapHeader += "\r\n";
    }
}

// Counts the braces of kept line `line`, physical line `lineNumber`, without
// the walk's wrap: a map whose braces do not balance is refused. Once a "}"
// closed no block, the rest does not matter.
void countBraces(MapReading& reading, std::string_view line, std::uint32_t lineNumber) {
    if (reading.strayCloseLine != 0) return;
    if (line.front() == '{') {
        reading.openBlockLines.push_back(lineNumber);
    } else if (line.front() == '}') {
        if (reading.openBlockLines.empty()) {
            reading.strayCloseLine = lineNumber;
        } else {
            reading.openBlockLines.pop_back();
        }
    }
}

// Counts the blocks whose faces no pass reads, letter case as written.
void countUnreadBlocks(std::string_view line) {
    if (line.front() == 'b' && line.starts_with("brushDef")) ++brushDefBlocks;
    if (line.front() == 'p' && line.starts_with("patchDef")) ++patchDefBlocks;
}

// One physical line of the map: counted, and kept cleaned with its line number
// unless that leaves it empty. A carriage return before the line feed, or at
// the end of the file, is no part of it.
void takeMapLine(MapReading& reading, std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++linesRead;
    const std::uint32_t lineNumber = linesRead - reading.linesBefore;
    if (lineNumber <= 2) takeHeaderLine(lineNumber, line);
    const std::string_view cleaned = cleanMapLine(line);
    if (cleaned.empty()) return;
    if (mapLines.size() >= reading.nextSectionAt && reading.walk.depth <= 1) {
        mapSections.push_back(MapSection{mapLines.size(), reading.walk.depth, entityIndex, brushIndex});
        reading.nextSectionAt = mapLines.size() + SECTION_LINES;
    }
    walkMapLine(reading.walk, cleaned);
    countBraces(reading, cleaned, lineNumber);
    countUnreadBlocks(cleaned);
    // Only face lines are ever rewritten, so only they get room to grow.
    appendMapLine(cleaned, cleaned.front() == '(' ? FACE_GROWTH_ROOM : 0);
    // Only -check names the lines of its changes.
    if ((runOptions & OPT_CHECK) != 0) mapLineNumbers.push_back(lineNumber);
    if (reading.keepAsRead) mapLineStarts.push_back(reading.nextLineStart);
}

// Takes from the front of `piece` the bytes of a byte order mark the map opens
// with. Bytes that begin like one and then differ are text of the first line.
void skipByteOrderMark(MapReading& reading, std::string_view& piece) {
    while (!reading.markDone && !piece.empty()) {
        if (piece.front() != BYTE_ORDER_MARK[reading.markMatched]) {
            reading.cutLine.assign(BYTE_ORDER_MARK.substr(0, reading.markMatched));
            reading.markDone = true;
            return;
        }
        piece.remove_prefix(1);
        ++reading.markMatched;
        if (reading.markMatched == BYTE_ORDER_MARK.size()) {
            reading.markDone = true;
            reading.nextLineStart = BYTE_ORDER_MARK.size();
        }
    }
}

// The longest marker line formatLines writes: "// entity " and a 32-bit number.
constexpr std::size_t MARKER_ROOM = 32;

// Appends "// <kind> <index>" and a line end to `out`, which has room for it.
void appendMarker(MapPiece& out, std::string_view kind, std::int32_t index) {
    out.append(kind);
    const auto number = std::to_chars(out.at(), out.bytes.data() + out.bytes.size(), index);
    out.used = static_cast<std::size_t>(number.ptr - out.bytes.data());
    out.append("\r\n");
}

// Appends the written form of mapLines, from line `next` on, to `out` until it
// holds `size` bytes or more or the lines are done; returns the next line to write.
std::size_t formatLines(MapWalk& walk, std::size_t next, MapPiece& out, std::size_t size) {
    for (; next < mapLines.size() && out.used < size; ++next) {
        const std::string_view line = mapLines[next];
        const std::uint8_t kind = walkMapLine(walk, line);
        out.makeRoom(MARKER_ROOM + line.size() + 2);
        if (kind == LINE_ENTITY_OPEN) appendMarker(out, "// entity ", entityIndex - 1);
        if (kind == LINE_BRUSH_OPEN) appendMarker(out, "// brush ", brushIndex - 1);
        out.append(line);
        out.append("\r\n");
    }
    return next;
}

}  // namespace

std::string_view cleanMapLine(std::string_view line) {
    line = line.substr(0, commentStart(line));
    return trimBlanks(line);
}

void startMapReading(MapReading& reading, std::size_t lines) {
    clearMapLines();
    mapLines.reserve(lines);
    adviseLargePages(mapLines.data(), mapLines.capacity() * sizeof(std::string_view));
    if ((runOptions & OPT_CHECK) != 0) mapLineNumbers.reserve(lines);
    reading = MapReading{};
    reading.walk = startMapWalk();
    reading.linesBefore = linesRead;
    reading.keepAsRead = (runOptions & (OPT_CHECK | OPT_PRESERVE)) != 0;
    if (reading.keepAsRead) mapLineStarts.reserve(lines);
}

bool takeMapPiece(MapReading& reading, std::string_view piece) {
    reading.anyByte = true;
    if (reading.keepAsRead) mapBytes += piece;
    const char* const pieceStart = piece.data();
    skipByteOrderMark(reading, piece);
    // Each test is one search of the piece: a map that is no text costs a large
    // map nothing that the reading does not look at anyway.
    if (piece.find('\0') != std::string_view::npos) reading.notText = true;
    const std::string_view text = reading.ended ? std::string_view() : textBeforeEndOfFile(piece);
    if (text.size() < piece.size()) {
        reading.ended = true;
        if (piece.find_first_not_of(AFTER_END_OF_FILE, text.size()) != std::string_view::npos) reading.notText = true;
    }
    if (reading.notText) return false;
    std::string_view rest = text;
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        const std::string_view line = rest.substr(0, end);
        if (reading.cutLine.empty()) {
            takeMapLine(reading, line);
        } else {
            takeMapLine(reading, reading.cutLine.append(line));
            reading.cutLine.clear();
        }
        reading.anyLine = true;
        rest.remove_prefix(end + 1);
        reading.nextLineStart = reading.bytesBefore + static_cast<std::size_t>(rest.data() - pieceStart);
    }
    reading.cutLine += rest;
    reading.bytesBefore += static_cast<std::size_t>(piece.data() + piece.size() - pieceStart);
    return true;
}

void endMapReading(MapReading& reading) {
    // A map that ends inside what began as a byte order mark holds those bytes.
    if (!reading.markDone) reading.cutLine.assign(BYTE_ORDER_MARK.substr(0, reading.markMatched));
    // The last line needs no line end, and at least one line is always read.
    if (!reading.cutLine.empty() || !reading.anyLine) takeMapLine(reading, reading.cutLine);
    reading.cutLine.clear();
}

bool readMapBytes(std::string_view bytes) {
    MapReading reading;
    startMapReading(reading, static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    if (!bytes.empty() && !takeMapPiece(reading, bytes)) {
        clearMapLines();
        return false;
    }
    endMapReading(reading);
    return true;
}

std::uint8_t readMap(const std::string& fileName, bool allowReadOnly) {
    clearMapLines();
    if (!plainFileCounts(fileName, allowReadOnly)) return MAP_UNREADABLE;
    // mapLines takes its room once, for more lines than a map of this size
    // holds: grown line by line, it would hold its old and its new table at
    // once. Room that no line takes is never touched, so it costs no memory.
    MapReading reading;
    const std::size_t size = fileSizeHint(fileName);
    startMapReading(reading, size / AVERAGE_LINE_BYTES_AT_LEAST + 1);
    if (reading.keepAsRead) mapBytes.reserve(size);
    // The file is read piece by piece, and only its kept lines are held. The
    // pieces of a large map are read on a second thread while this one takes
    // its lines.
    const bool readAhead = secondThreadAllowed && size >= READ_AHEAD_BYTES;
    const bool complete = readFileInPieces(
        fileName, [&](std::string_view piece) { return takeMapPiece(reading, piece); }, readAhead);
    std::uint8_t result = MAP_READ;
    if (!complete || !reading.anyByte || reading.notText) {
        result = reading.notText ? MAP_NOT_TEXT : MAP_UNREADABLE;
    } else {
        endMapReading(reading);
        if (reading.strayCloseLine != 0) {
            result = MAP_STRAY_CLOSE;
        } else if (!reading.openBlockLines.empty()) {
            result = MAP_OPEN_BLOCK;
        }
    }
    if (result != MAP_READ) {
        clearMapLines();
        linesRead = reading.linesBefore;
        if (result == MAP_STRAY_CLOSE) braceFaultLine = reading.strayCloseLine;
        if (result == MAP_OPEN_BLOCK) braceFaultLine = reading.openBlockLines.back();
        return result;
    }
    if (reading.keepAsRead) {
        mapLineChanged.assign(mapLines.size(), 0);
        mapSpotsAsRead.resize(mapLines.size());
    }
    return MAP_READ;
}

std::string formatMap() {
    std::size_t size = 2;
    for (const std::string_view line : mapLines) size += line.size() + 2;
    MapPiece out;
    out.makeRoom(mapHeader.size() + size + size / 8);
    out.append(mapHeader);
    out.append("\r\n");
    MapWalk walk = startMapWalk();
    formatLines(walk, 0, out, SIZE_MAX);
    return std::string(out.text());
}

namespace {

constexpr std::size_t PIECE_SIZE = BRUSHUP_WRITE_PIECE_SIZE;

// The written map, formed a piece at a time. The walk starts with the first
// piece, on the thread that forms them, whose walk indices it sets.
struct MapForming {
    MapWalk walk;
    std::size_t next = 0;  // the next line to form
    bool started = false;
};

// Forms the next piece of the written map into `piece`, whose earlier text
// goes: the first starts with mapHeader and the line end every written map
// starts with.
// Empty once the map is done.
std::string_view formNextPiece(MapForming& forming, MapPiece& piece) {
    piece.used = 0;
    piece.makeRoom(mapHeader.size() + PIECE_SIZE + PIECE_SIZE / 4);
    if (!forming.started) {
        forming.walk = startMapWalk();
        piece.append(mapHeader);
        piece.append("\r\n");
    }
    forming.started = true;
    forming.next = formatLines(forming.walk, forming.next, piece, PIECE_SIZE);
    return piece.text();
}

// Forms pieces with `formPiece` into the ring's pieces until one is empty or
// the writing stops.
void formIntoRing(PieceRing& ring, std::array<MapPiece, RING_SLOTS>& pieces, const PieceForm& formPiece) {
    for (std::size_t slot = slotToFill(ring); slot != NO_SLOT; slot = slotToFill(ring)) {
        if (formPiece(pieces[slot]).empty()) {
            markEnded(ring);
            return;
        }
        markFilled(ring);
    }
}

// writeFormedPieces with the pieces formed on a second thread while this one
// writes those formed before. False when no thread could be had.
bool writeFormedAhead(const std::string& fileName, const PieceForm& formPiece, bool& written) {
    PieceRing ring;
    std::array<MapPiece, RING_SLOTS> pieces;
    if (!startOnSecondThread([&ring, &pieces, &formPiece] { formIntoRing(ring, pieces, formPiece); })) return false;
    bool holding = false;  // a piece handed out and not yet marked taken
    written = replaceFileInPieces(fileName, [&]() -> std::string_view {
        if (holding) markTaken(ring);
        const std::size_t slot = slotToTake(ring);
        holding = slot != NO_SLOT;
        return holding ? pieces[slot].text() : std::string_view();
    });
    // A write that failed, before its first piece or after any, wants no more.
    if (holding) markTaken(ring);
    stopTaking(ring);
    waitForSecondThread();
    return true;
}

}  // namespace

bool writeFormedPieces(const std::string& fileName, std::string_view shownName, const PieceForm& formPiece,
                       bool formAhead) {
    printLine("Writing " + std::string(shownName));
    if (isReadOnlyFile(fileName)) return false;  // the user protected it
    bool written = false;
    if (formAhead && worthSecondThread() && writeFormedAhead(fileName, formPiece, written)) return written;
    // Written a piece at a time: the whole written map would double the memory a
    // run needs, and a small piece stays in the cache between forming and writing.
    MapPiece piece;
    return replaceFileInPieces(fileName, [&formPiece, &piece] { return formPiece(piece); });
}

bool writeMap(const std::string& fileName, std::string_view shownName, bool formAhead) {
    MapForming forming;
    return writeFormedPieces(
        fileName, shownName, [&forming](MapPiece& piece) { return formNextPiece(forming, piece); }, formAhead);
}
