#include "config/config.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "text/text.h"

namespace {

constexpr std::string_view PAIR_UNDEFINED = "INIT_INI: Pair undefined \"";
constexpr std::string_view NO_SECTION = "INIT_INI: No mode set for \"";
constexpr std::string_view UNKNOWN_SECTION = "INIT_INI: Mode/pair unknown \"";
constexpr std::string_view FLAG_OUT_OF_RANGE = "INIT_INI: Flag number out of range \"";

constexpr std::string_view FLAG_KEY = "FLAG";

// Flag names longer than this are searched for by Knuth-Morris-Pratt: a plain
// search of a long name in a long value can cost the product of their lengths.
constexpr std::size_t SHORT_NAME_LENGTH = 64;

// A flag name lower-cased once, not once for every texture, with the border
// table of a long one: entry i is the longest proper border of its first i bytes.
struct FlagSearch {
    std::string lowerName;
    std::vector<std::size_t> border;
};
using LowerFlagNames = std::array<FlagSearch, FLAG_COUNT + 1>;

// What the loader knows while it reads one file.
struct ConfigReader {
    std::string shownName;               // the file name, upper-cased, as messages show it
    std::uint32_t configLineNumber = 0;  // the line being worked on, from 1
    std::string configSection;           // upper-cased name of the current section
    LowerFlagNames lowerSurfaceNames;
    LowerFlagNames lowerContentNames;
};

FlagSearch flagSearch(std::string_view flagName) {
    FlagSearch search{lowerText(flagName), {}};
    const std::string_view name = search.lowerName;
    if (name.size() <= SHORT_NAME_LENGTH) return search;
    search.border.assign(name.size() + 1, 0);
    std::size_t length = 0;
    for (std::size_t i = 1; i < name.size(); ++i) {
        while (length > 0 && name[i] != name[length]) length = search.border[length];
        if (name[i] == name[length]) ++length;
        search.border[i + 1] = length;
    }
    return search;
}

// One console line about a faulty pair: where it is and what it holds.
void reportPair(const ConfigReader& reader, std::string_view opening, std::string_view key, std::string_view value) {
    std::string message(opening);
    message += key;
    message += " = ";
    message += value;
    message += "\" in ";
    message += reader.shownName;
    message += "! [L";
    message += unsignedToText(reader.configLineNumber);
    message += "]";
    printLine(message);
}

// A "FLAGn = name" pair of [SURFACE] or [CONTENT]. Other keys mean nothing
// there; a number that rounds outside 1..32 has no slot and is reported.
void storeFlagName(const ConfigReader& reader, std::array<std::string, FLAG_COUNT + 1>& names,
                   LowerFlagNames& lowerNames, std::string_view key, std::string_view value) {
    if (key.substr(0, FLAG_KEY.size()) != FLAG_KEY) return;
    // Range-checked as a double, so NaN, infinities and huge numbers never
    // reach the integer conversion.
    const double number = roundHalfEven(textToNumber(key.substr(FLAG_KEY.size())));
    if (!(number >= 1 && number <= FLAG_COUNT)) {
        reportPair(reader, FLAG_OUT_OF_RANGE, key, value);
        return;
    }
    names[static_cast<std::size_t>(number)] = std::string(value);
    lowerNames[static_cast<std::size_t>(number)] = flagSearch(value);
}

// True when the lower-cased flag name occurs in `lowerValue`. An empty name
// never matches.
bool mentions(std::string_view lowerValue, const FlagSearch& search) {
    const std::string_view name = search.lowerName;
    if (name.empty() || name.size() > lowerValue.size()) return false;
    if (search.border.empty()) return lowerValue.find(name) != std::string_view::npos;
    std::size_t matched = 0;
    for (const char c : lowerValue) {
        while (matched > 0 && c != name[matched]) matched = search.border[matched];
        if (c == name[matched]) ++matched;
        if (matched == name.size()) return true;
    }
    return false;
}

// One texture definition, added also when the texture was defined before. The
// flags are those whose names, known at this line, appear anywhere in the value.
void addTextureDef(const ConfigReader& reader, std::string_view key, std::string_view value) {
    TextureRecord& record = textureDefs.emplace_back();
    record.name = normalizeTextureName(lowerText(key));
    const std::string lowerValue = lowerText(value);
    for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
        if (mentions(lowerValue, reader.lowerContentNames[i])) record.contentFlags += flagBit[i];
        if (mentions(lowerValue, reader.lowerSurfaceNames[i])) record.surfaceFlags += flagBit[i];
    }
}

// One physical line of the file.
void readConfigLine(ConfigReader& reader, std::string_view rawLine) {
    std::string line = cleanLine(rawLine);
    if (line.empty() || line.front() == ';') return;
    // "[]" names the empty section, as if no section line had been read.
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
        reader.configSection = upperText(std::string_view(line).substr(1, line.size() - 2));
        return;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return;
    // The first "=" splits the pair; the value may hold further ones.
    const std::string key = upperText(cleanLine(std::string_view(line).substr(0, equals)));
    const std::string value = cleanLine(std::string_view(line).substr(equals + 1));
    if (key.empty() || value.empty()) {
        reportPair(reader, PAIR_UNDEFINED, key, value);
        return;
    }
    if (reader.configSection == "CONTENT") {
        storeFlagName(reader, contentFlagNames, reader.lowerContentNames, key, value);
    } else if (reader.configSection == "SURFACE") {
        storeFlagName(reader, surfaceFlagNames, reader.lowerSurfaceNames, key, value);
    } else if (reader.configSection == "TEXTURES") {
        addTextureDef(reader, key, value);
    } else if (reader.configSection.empty()) {
        reportPair(reader, NO_SECTION, key, value);
    } else {
        reportPair(reader, UNKNOWN_SECTION, key, value);
    }
}

}  // namespace

bool loadConfig(const std::string& fileName) {
    // The tool never writes its configuration, so a read-only file is welcome.
    if (!plainFileCounts(fileName, true)) return false;
    std::string bytes;
    if (!readWholeFile(fileName, bytes) || bytes.empty()) return false;

    ConfigReader reader;
    reader.shownName = upperText(fileName);
    std::string_view text = textBeforeEndOfFile(bytes);
    // The last line needs no line end, and at least one line is always read.
    do {
        ++reader.configLineNumber;
        readConfigLine(reader, takeLine(text));
    } while (!text.empty());
    return true;
}
