// Whole runs on carved input: extra arguments (split at blanks), byte 30, the
// configuration, byte 30, the map. The exit code is 0 or 1; a failed run leaves
// the map alone; a completed one backs up the map as read and changes only face
// fields a pass owns; a second run without -content changes nothing.
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

constexpr char PART_END = '\x1e';

std::string_view takePart(std::string_view& rest, char end) {
    const std::size_t stop = rest.find(end);
    const std::string_view part = rest.substr(0, stop);
    rest.remove_prefix(stop == std::string_view::npos ? rest.size() : stop + 1);
    return part;
}

std::vector<std::string_view> writtenLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) lines.push_back(takeLine(text));
    return lines;
}

// A face a pass rewrote: in its rebuilt form, and only its flags (and a null
// texture) differ from the line as backed up.
void requirePassChange(std::string_view before, std::string_view after) {
    require(splitFaceLine(before));
    std::array<std::string, FACE_FIELD_COUNT + 1> old;
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) old[field] = faceFields[field];
    require(splitFaceLine(after) && rebuildFaceLine() == after);
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        const std::string_view now = faceFields[field];
        if (field == FIELD_CONTENT || field == FIELD_SURFACE || now == old[field]) continue;
        if (field == FIELD_TEXTURE) require(lowerText(old[field]) == "null" && now == NULL_TEXTURE_STANDIN);
        else require(field > FIELD_TEXTURE && sameNumber(fieldNumber(old[field]), fieldNumber(now)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments{"brushup", "level.map"};
    std::vector<std::string> again = arguments;
    for (std::string_view options = takePart(rest, PART_END); !options.empty();) {
        const std::string_view option = takePart(options, ' ');
        if (option.empty()) continue;
        arguments.emplace_back(option);
        if (lowerText(option) != "-c" && lowerText(option) != "-content") again.emplace_back(option);
    }
    FuzzFolder folder;
    writeBytes("brushup.ini", takePart(rest, PART_END));
    writeBytes("level.map", rest);
    const std::string backup = readMap("level.map") ? formatMap() : std::string();
    const int exitCode = runProgram(arguments);
    const std::string written = readBytes("level.map");
    require(exitCode == 0 || exitCode == 1);
    if (exitCode == 1) require(written == rest);
    if (exitCode == 1 || folder.console.find("\nusage:") != std::string::npos) return 0;

    require(readBytes("level.map.backup") == backup);
    const std::vector<std::string_view> before = writtenLines(backup);
    const std::vector<std::string_view> after = writtenLines(written);
    require(before.size() == after.size());
    MapWalk walk = startMapWalk();
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool face = walkMapLine(walk, before[i]) == LINE_FACE;
        if (before[i] == after[i]) continue;
        require(face);
        requirePassChange(before[i], after[i]);
    }

    folder.console.clear();
    require(runProgram(again) == 0 && readBytes("level.map") == written);
    // Only the passes print after this heading; a configuration message may hold anything.
    const std::size_t passes = folder.console.find("\n---- Map check ----");
    require(passes != std::string::npos);
    for (std::size_t done = folder.console.find("done (", passes); done != std::string::npos;
         done = folder.console.find("done (", done + 1)) {
        require(folder.console.compare(done, 8, "done (0 ") == 0);
    }
    return 0;
}
