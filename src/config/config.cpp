#include "config/config.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "config/wal_sources.h"
#include "text/text.h"

namespace {

constexpr std::string_view PAIR_UNDEFINED = "INIT_INI: Pair undefined \"";
constexpr std::string_view NO_SECTION = "INIT_INI: No mode set for \"";
constexpr std::string_view UNKNOWN_SECTION = "INIT_INI: Mode/pair unknown \"";
constexpr std::string_view FLAG_OUT_OF_RANGE = "INIT_INI: Flag number out of range \"";
constexpr std::string_view FLAG_UNKNOWN = "INIT_INI: Flag unknown \"";
constexpr std::string_view SECTION_UNKNOWN = "INIT_INI: Section unknown \"";

constexpr std::string_view FLAG_KEY = "FLAG";
// A texture's value word that says on purpose that it names no flag.
constexpr std::string_view NO_FLAG_WORD = "none";

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
    std::vector<WalSource> walSources;  // the [WAL] lines, read once every line is
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
    printConfigMessage(opening, std::string(key) + " = " + std::string(value), reader.shownName,
                       reader.configLineNumber);
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

// Marks in `covered` the bytes of every place the lower-cased flag name occurs
// in `lowerValue`; true when there is one. An empty name never matches. Each
// byte is marked once per name, so a long name costs no more than a short one.
bool markMentions(std::string_view lowerValue, const FlagSearch& search, std::vector<std::uint8_t>& covered) {
    const std::string_view name = search.lowerName;
    if (name.empty() || name.size() > lowerValue.size()) return false;
    std::size_t markedEnd = 0;
    const auto mark = [&](std::size_t start) {
        for (std::size_t i = std::max(start, markedEnd); i < start + name.size(); ++i) covered[i] = 1;
        markedEnd = start + name.size();
    };
    if (search.border.empty()) {
        std::size_t at = lowerValue.find(name);
        const bool found = at != std::string_view::npos;
        for (; at != std::string_view::npos; at = lowerValue.find(name, at + 1)) mark(at);
        return found;
    }
    bool found = false;
    std::size_t matched = 0;
    for (std::size_t i = 0; i < lowerValue.size(); ++i) {
        while (matched > 0 && lowerValue[i] != name[matched]) matched = search.border[matched];
        if (lowerValue[i] == name[matched]) ++matched;
        if (matched < name.size()) continue;
        found = true;
        mark(i + 1 - name.size());
        matched = search.border[matched];
    }
    return found;
}

bool isWordSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '|'; }

// Reports each word of `value` that no found flag name touches: most likely a
// misspelt name, which would leave its flag unset without a word. "none" says
// on purpose that the texture names no flag.
void reportUnknownWords(const ConfigReader& reader, std::string_view value, const std::vector<std::uint8_t>& covered) {
    for (std::size_t start = 0; start < value.size();) {
        if (isWordSeparator(value[start])) {
            ++start;
            continue;
        }
        std::size_t end = start;
        bool touched = false;
        for (; end < value.size() && !isWordSeparator(value[end]); ++end) touched = touched || covered[end] != 0;
        const std::string_view word = value.substr(start, end - start);
        if (!touched && lowerText(word) != NO_FLAG_WORD) {
            printConfigMessage(FLAG_UNKNOWN, word, reader.shownName, reader.configLineNumber);
        }
        start = end;
    }
}

// One texture definition, added also when the texture was defined before. The
// flags are those whose names, known at this line, appear anywhere in the value.
void addTextureDef(const ConfigReader& reader, std::string_view key, std::string_view value) {
    TextureRecord& record = textureDefs.emplace_back();
    record.name = normalizeTextureName(lowerText(key));
    const std::string lowerValue = lowerText(value);
    std::vector<std::uint8_t> covered(lowerValue.size(), 0);
    for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
        if (markMentions(lowerValue, reader.lowerContentNames[i], covered)) record.contentFlags += flagBit[i];
        if (markMentions(lowerValue, reader.lowerSurfaceNames[i], covered)) record.surfaceFlags += flagBit[i];
    }
    reportUnknownWords(reader, value, covered);
}

// A [WAL] pair: "TEXTURES" names a folder, "PAK" a pak archive; both are read
// once the whole file is, so that [TEXTURES] comes first wherever it stands.
void addWalSource(ConfigReader& reader, std::string_view key, std::string_view value) {
    if (key != "TEXTURES" && key != "PAK") {
        reportPair(reader, UNKNOWN_SECTION, key, value);
        return;
    }
    reader.walSources.push_back(WalSource{std::string(value), key == "PAK", reader.configLineNumber});
}

bool isKnownSection(std::string_view section) {
    return section.empty() || section == "SURFACE" || section == "CONTENT" || section == "TEXTURES" || section == "WAL";
}

// One physical line of the file.
void readConfigLine(ConfigReader& reader, std::string_view rawLine) {
    std::string line = cleanLine(rawLine);
    if (line.empty() || line.front() == ';') return;
    // "[]" names the empty section, as if no section line had been read.
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
        reader.configSection = upperText(std::string_view(line).substr(1, line.size() - 2));
        if (!isKnownSection(reader.configSection)) {
            printConfigMessage(SECTION_UNKNOWN, line, reader.shownName, reader.configLineNumber);
        }
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
    } else if (reader.configSection == "WAL") {
        addWalSource(reader, key, value);
    } else if (reader.configSection.empty()) {
        reportPair(reader, NO_SECTION, key, value);
    } else {
        reportPair(reader, UNKNOWN_SECTION, key, value);
    }
}

}  // namespace

void printConfigMessage(std::string_view opening, std::string_view quoted, std::string_view shownName,
                        std::uint32_t lineNumber) {
    std::string message(opening);
    message += quoted;
    message += "\" in ";
    message += shownName;
    message += "! [L";
    message += unsignedToText(lineNumber);
    message += "]";
    printLine(message);
}

void readConfigText(std::string_view bytes, const std::string& shownName, std::vector<WalSource>& walSources) {
    ConfigReader reader;
    reader.shownName = shownName;
    std::string_view text = textBeforeEndOfFile(bytes);
    if (text.starts_with(BYTE_ORDER_MARK)) text.remove_prefix(BYTE_ORDER_MARK.size());
    // The last line needs no line end, and at least one line is always read.
    do {
        ++reader.configLineNumber;
        readConfigLine(reader, takeLine(text));
    } while (!text.empty());
    walSources = std::move(reader.walSources);
}

bool loadConfig(const std::string& fileName) {
    // The tool never writes its configuration, so a read-only file is welcome.
    if (!plainFileCounts(fileName, true)) return false;
    std::string bytes;
    if (!readWholeFile(fileName, bytes) || bytes.empty()) return false;
    const std::string shownName = upperText(fileName);
    std::vector<WalSource> walSources;
    readConfigText(bytes, shownName, walSources);
    readWalSources(walSources, shownName);
    return true;
}
