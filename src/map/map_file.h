#pragma once
// Reading the map into mapLines and writing mapLines back as a map.
#include <string>
#include <string_view>

// The map line cleaned: like cleanLine, except that a "//" between double
// quotes starts no comment (an unpaired quote protects to the end of the line).
std::string cleanMapLine(std::string_view line);

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
