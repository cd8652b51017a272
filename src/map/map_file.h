#pragma once
// Reading the map into mapLines and writing mapLines back as a map.
#include <string>
#include <string_view>

// The map line cleaned: like cleanLine, except that a "//" between double
// quotes starts no comment (an unpaired quote protects to the end of the line).
std::string_view cleanMapLine(std::string_view line);

// A map being read piece by piece: the start of a line cut off by the end of
// a piece, and whether any byte and any line end were met.
struct MapReading {
    std::string cutLine;
    bool anyByte = false;
    bool anyLine = false;
};

// Empties mapLines, with room for `lineEnds` + 1 lines, and starts `reading`.
void startMapReading(MapReading& reading, std::size_t lineEnds);

// Counts and keeps the lines of the next piece of the map, up to a Ctrl-Z.
// False after a Ctrl-Z: the map ends there.
bool takeMapPiece(MapReading& reading, std::string_view piece);

// Takes the last line, which needs no line end.
void endMapReading(MapReading& reading);

// Reads a whole map held in memory into mapLines, as readMap reads a file.
void readMapBytes(std::string_view bytes);

// Empties mapLines and fills it with the cleaned, non-empty lines of `fileName`,
// adding one to linesRead per physical line. False, printing nothing, when the
// file does not count as present (a read-only file counts only with
// `allowReadOnly`) or is zero bytes long.
bool readMap(const std::string& fileName, bool allowReadOnly = false);

// mapLines in the written map form: an empty first line, "// entity N" and
// "// brush N" before the lines that open entities and brushes, CR LF line ends.
std::string formatMap();

// Prints "Writing " + shownName, then safely replaces `fileName` with
// formatMap(). False, printing nothing more, when the file could not be
// written completely; `fileName` is then as it was. A read-only file is never replaced.
bool writeMap(const std::string& fileName, std::string_view shownName);
