#pragma once
// Reading the map into mapLines and writing mapLines back as a map.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "map/map_walk.h"

// The map line cleaned: its comment and the blanks around it gone. A "//"
// between double quotes starts no comment (an unpaired quote protects to the
// end of the line). A map holds no NUL byte, so none is looked for.
std::string_view cleanMapLine(std::string_view line);

// A map being read piece by piece: linesRead before it, so its own lines count
// from 1, the walk that finds where mapSections start, the start of a line cut
// off by the end of a piece, whether any byte and any line end were met,
// whether a Ctrl-Z ended the text, and whether the bytes showed that the file
// is no text map. Also how much of a byte order mark the map opened with, the
// lines of the blocks still open and the first "}" that closed none, and, when
// the map as read is kept, where its next physical line starts.
struct MapReading {
    std::uint32_t linesBefore = 0;
    MapWalk walk;
    std::size_t nextSectionAt = 0;  // the size of mapLines a new section waits for
    std::string cutLine;
    bool anyByte = false;
    bool anyLine = false;
    bool ended = false;
    bool notText = false;
    bool keepAsRead = false;                    // with -check or -preserve: mapBytes and mapLineStarts filled
    bool markDone = false;                      // the bytes a byte order mark may take are read
    std::uint8_t markMatched = 0;               // how many bytes of the mark the map opened with
    std::size_t bytesBefore = 0;                // the bytes of the pieces taken before
    std::size_t nextLineStart = 0;              // where in the map's bytes the next physical line starts
    std::vector<std::uint32_t> openBlockLines;  // the "{" lines of the blocks open, innermost last
    std::uint32_t strayCloseLine = 0;           // the first "}" with no block open, or 0
};

// Empties mapLines and the tables beside it, with room for `lines` lines, and
// starts `reading`.
void startMapReading(MapReading& reading, std::size_t lines);

// Counts and keeps the lines of the next piece of the map, up to a Ctrl-Z,
// after which the map's text ends. False, and `reading.notText` set, when the
// piece holds a NUL byte, or anything but blanks, line ends and Ctrl-Z after a
// Ctrl-Z: such a map is no text (a UTF-16 or binary file), and a rewrite would
// lose what its lines do not hold. The reading then stops.
bool takeMapPiece(MapReading& reading, std::string_view piece);

// Takes the last line, which needs no line end.
void endMapReading(MapReading& reading);

// Reads a whole map held in memory into mapLines, as readMap reads a file.
// False, with mapLines empty, when it is no text map.
bool readMapBytes(std::string_view bytes);

constexpr std::uint8_t MAP_READ = 0;
constexpr std::uint8_t MAP_UNREADABLE = 1;  // not present, not readable or zero bytes long
constexpr std::uint8_t MAP_NOT_TEXT = 2;    // see takeMapPiece
constexpr std::uint8_t MAP_STRAY_CLOSE = 3;  // a "}" with no block open, at braceFaultLine
constexpr std::uint8_t MAP_OPEN_BLOCK = 4;   // ends inside the block opened at braceFaultLine

// Empties mapLines and fills it with the cleaned, non-empty lines of `fileName`,
// adding one to linesRead per physical line, and (with -check) mapLineNumbers with each kept
// line's number in the file (from 1, blank and comment lines counted). A byte
// order mark that opens the file is no part of its first line. With -check or
// -preserve it also keeps the map as read (mapBytes, mapLineStarts,
// mapLineChanged). Fills mapHeader and the block counts. Prints nothing. A
// read-only file counts as present only with `allowReadOnly`. On any result
// but MAP_READ, mapLines stays empty and linesRead as it was.
std::uint8_t readMap(const std::string& fileName, bool allowReadOnly = false);

// mapLines in the written map form: mapHeader, an empty line, "// entity N" and
// "// brush N" before the lines that open entities and brushes, CR LF line ends.
std::string formatMap();

// A piece of a written file being formed: bytes [0, used) of `bytes`, which
// only grows, so a piece costs no allocation and no zero-filling once formed.
struct MapPiece {
    std::vector<char> bytes;
    std::size_t used = 0;

    // Room for `size` more bytes at `at()`.
    void makeRoom(std::size_t size) {
        if (bytes.size() - used < size) bytes.resize(used + size + bytes.size());
    }
    char* at() { return bytes.data() + used; }
    void append(std::string_view text) {
        std::memcpy(at(), text.data(), text.size());
        used += text.size();
    }
    std::string_view text() const { return std::string_view(bytes.data(), used); }
};

// Forms the next piece of a file into the piece it is given, whose earlier
// text goes, and returns its text; empty once the file is done.
using PieceForm = std::function<std::string_view(MapPiece& piece)>;

// Prints "Writing " + shownName, then safely replaces `fileName` with the
// pieces `formPiece` forms. False, printing nothing more, when the file could
// not be written completely; `fileName` is then as it was. A read-only file is
// never replaced. With `formAhead`, the pieces of a map worth a second thread
// are formed on one while this thread writes them.
bool writeFormedPieces(const std::string& fileName, std::string_view shownName, const PieceForm& formPiece,
                       bool formAhead);

// Prints "Writing " + shownName, then safely replaces `fileName` with
// formatMap(). False, printing nothing more, when the file could not be
// written completely; `fileName` is then as it was. A read-only file is never
// replaced. With `formAhead`, a map worth a second thread is formed on one
// while this thread writes it.
bool writeMap(const std::string& fileName, std::string_view shownName, bool formAhead = false);
