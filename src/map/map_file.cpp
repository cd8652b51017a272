#include "map/map_file.h"

#include <algorithm>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

// Where the comment of a map line starts: the first "//" outside double quotes.
std::size_t commentStart(std::string_view line) {
    const std::size_t firstSlashes = line.find("//");
    // Most lines hold no "//" at all and need no look at their quotes.
    if (firstSlashes == std::string_view::npos || line.find('"') > firstSlashes) return firstSlashes;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else if (!quoted && line[i] == '/' && i + 1 < line.size() && line[i + 1] == '/') return i;
    }
    return std::string_view::npos;
}

}  // namespace

std::string cleanMapLine(std::string_view line) {
    line = line.substr(0, line.find('\0'));
    line = line.substr(0, commentStart(line));
    return std::string(trimBlanks(line));
}

bool readMap(const std::string& fileName, bool allowReadOnly) {
    mapLines.clear();
    if (!plainFileCounts(fileName, allowReadOnly)) return false;
    std::string bytes;
    if (!readWholeFile(fileName, bytes) || bytes.empty()) return false;

    std::string_view text = textBeforeEndOfFile(bytes);
    mapLines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    // The last line needs no line end, and at least one line is always read.
    do {
        const std::string_view line = takeLine(text);
        ++linesRead;
        std::string cleaned = cleanMapLine(line);
        if (!cleaned.empty()) mapLines.push_back(std::move(cleaned));
    } while (!text.empty());
    return true;
}

std::string formatMap() {
    std::size_t size = 2;
    for (const std::string& line : mapLines) size += line.size() + 2;
    std::string out;
    out.reserve(size + size / 8);
    out += "\r\n";
    MapWalk walk = startMapWalk();
    for (const std::string& line : mapLines) {
        const std::uint8_t kind = walkMapLine(walk, line);
        if (kind == LINE_ENTITY_OPEN) out += "// entity " + signedToText(entityIndex - 1) + "\r\n";
        if (kind == LINE_BRUSH_OPEN) out += "// brush " + signedToText(brushIndex - 1) + "\r\n";
        out += line;
        out += "\r\n";
    }
    return out;
}

bool writeMap(const std::string& fileName, std::string_view shownName) {
    printLine("Writing " + std::string(shownName));
    if (isReadOnlyFile(fileName)) return false;  // the user protected it
    return replaceFile(fileName, formatMap());
}
