// Whole runs on carved input: arguments after the map name (split at blanks), byte 30, the configuration, byte
// 30, the map. The exit code is 0, 1 or 2. A run that fails, stops early or only checks leaves the map alone; a
// completed one backs up the map as read and changes only face fields a pass owns (with -preserve: a byte copy,
// and only flag fields and NULL textures, each line otherwise as it was), and a second run without -content
// then changes nothing.
#include <algorithm>
#include <cstdint>

#include "app/run.h"
#include "fuzz_support.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "map/map_walk.h"
#include "testing/face_compare.h"
#include "text/text.h"

namespace {

std::string_view takePart(std::string_view& rest, char end) {
    const std::string_view part = rest.substr(0, std::min(rest.find(end), rest.size()));
    rest.remove_prefix(std::min(part.size() + 1, rest.size()));
    return part;
}

// A changed line must be a face. Its flags may change, a null texture may become the stand-in, and every other
// field is kept or rebuilt.
void requirePassChange(bool face, std::string_view before, std::string_view after) {
    require(face && splitFaceLine(before));
    const auto old = faceFields;
    require(splitFaceLine(after) && rebuildFaceLine() == after);
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        if (field == FIELD_CONTENT || field == FIELD_SURFACE || faceFields[field] == old[field]) continue;
        require(field == FIELD_TEXTURE ? lowerText(old[field]) == "null" && faceFields[field] == NULL_TEXTURE_STANDIN
                                       : field > FIELD_TEXTURE && faceFields[field] == numberText(fieldNumber(old[field])));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments{"brushup", "level.map"}, again = arguments;
    for (std::string_view options = takePart(rest, '\x1e'); !options.empty();) {
        const std::string option(takePart(options, ' ')), lower = lowerText(option);
        if (!option.empty()) arguments.push_back(option);
        if (!option.empty() && lower != "-c" && lower != "-content" && lower != "--content") again.push_back(option);
    }
    const std::string_view config = takePart(rest, '\x1e');
    // A [WAL] line may name any folder of the machine; fuzz_config reads the game's files from memory.
    if (lowerText(config).find("wal") != std::string::npos) return 0;
    FuzzRun run;
    writeFile("brushup.ini", config);
    writeFile("level.map", rest);
    const std::uint8_t read = readMap("level.map");
    const std::string backup = read == MAP_READ ? formatMap() : "";
    const int exitCode = runProgram(arguments);
    const std::string written = readFile("level.map");
    require(exitCode >= 0 && exitCode <= 2);
    // A map that is no text never reaches the passes.
    require(read != MAP_NOT_TEXT || run.console.find("\n---- Map check") == std::string::npos);
    if (exitCode != 0 || run.console.find("\n---- Map check") == std::string::npos ||
        run.console.find("\n -check enabled") != std::string::npos) {
        require(written == rest);
        return 0;
    }
    if (run.console.find("\n -preserve enabled") != std::string::npos) {
        const bool fixed = run.console.find(" needs no fixing, nothing written\r\n") == std::string::npos;
        require(readFile("level.map.backup") == (fixed ? std::string(rest) : "<missing>"));
        // Every byte stays but where a face's flags (or NULL texture) change, or fields are added to it.
        for (std::string_view before = rest, after = written; !before.empty() || !after.empty();) {
            const std::string line(takePart(before, '\n')), lineAfter(takePart(after, '\n'));
            require(line == lineAfter || changedOnlyInFlags(line, lineAfter));
        }
    } else {
        require(readFile("level.map.backup") == backup);
        std::string_view before = backup, after = written;
        for (MapWalk walk = startMapWalk(); !before.empty() && !after.empty();) {
            const std::string_view line = takeLine(before), lineAfter = takeLine(after);
            const bool face = walkMapLine(walk, line) == LINE_FACE;
            if (line != lineAfter) requirePassChange(face, line, lineAfter);
        }
        require(before.empty() && after.empty());
    }
    run.console.clear();
    require(runProgram(again) == 0 && readFile("level.map") == written);
    require(run.console.find("surfaces... done (0 surface replaced)\r\nFixing content... done (0 brush fixed)") !=
            std::string::npos);
    return 0;
}
