// Whole runs on carved input: arguments after the map name (split at blanks), byte 30, the configuration, byte
// 30, the map. The exit code is 0 or 1; a failed run leaves the map alone; a completed one backs up the map as
// read and changes only face fields a pass owns; a second run without -content then changes nothing.
#include <array>
#include <cstdint>
#include <vector>

#include "app/run.h"
#include "fuzz_support.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

std::string_view takePart(std::string_view& rest, char end) {
    const std::size_t stop = rest.find(end);
    const std::string_view part = rest.substr(0, stop);
    rest.remove_prefix(stop == std::string_view::npos ? rest.size() : stop + 1);
    return part;
}

// A changed line must be a face. Its flags may change, a null texture may
// become the stand-in, and every other field is kept or rebuilt.
void requirePassChange(bool face, std::string_view before, std::string_view after) {
    require(face && splitFaceLine(before));
    const std::array<std::string_view, FACE_FIELD_COUNT + 1> old = faceFields;
    require(splitFaceLine(after) && rebuildFaceLine() == after);
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        const std::string_view now = faceFields[field];
        if (field == FIELD_CONTENT || field == FIELD_SURFACE || now == old[field]) continue;
        if (field == FIELD_TEXTURE) require(lowerText(old[field]) == "null" && now == NULL_TEXTURE_STANDIN);
        else require(field > FIELD_TEXTURE && now == numberText(fieldNumber(old[field])));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments{"brushup", "level.map"};
    std::vector<std::string> again = arguments;
    for (std::string_view options = takePart(rest, '\x1e'); !options.empty();) {
        const std::string option(takePart(options, ' '));
        if (!option.empty()) arguments.push_back(option);
        if (!option.empty() && lowerText(option) != "-c" && lowerText(option) != "-content") again.push_back(option);
    }
    FuzzRun run;
    writeFile("brushup.ini", takePart(rest, '\x1e'));
    writeFile("level.map", rest);
    const std::string backup = readMap("level.map") ? formatMap() : "";
    const int exitCode = runProgram(arguments);
    const std::string written = readFile("level.map");
    require(exitCode == 0 || exitCode == 1);
    if (exitCode == 1) require(written == rest);
    if (exitCode == 1 || run.console.find("\nusage:") != std::string::npos) return 0;

    require(readFile("level.map.backup") == backup);
    std::string_view before = backup;
    std::string_view after = written;
    MapWalk walk = startMapWalk();
    while (!before.empty() && !after.empty()) {
        const std::string_view line = takeLine(before);
        const bool face = walkMapLine(walk, line) == LINE_FACE;
        const std::string_view lineAfter = takeLine(after);
        if (line != lineAfter) requirePassChange(face, line, lineAfter);
    }
    require(before.empty() && after.empty());

    run.console.clear();
    require(runProgram(again) == 0 && readFile("level.map") == written);
    require(run.console.find("surfaces... done (0 surface replaced)\r\nFixing content... done (0 brush fixed)\r\n") !=
            std::string::npos);
    return 0;
}
