// Map reading on any bytes, with the face split and rebuild of every kept line: a split ends; a rebuilt line
// splits and rebuilds to itself; the point groups and the texture survive a rebuild unchanged.
#include <cstdint>

#include "fuzz_support.h"
#include "map/face_line.h"
#include "map/map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzRun run;
    writeFile("level.map", std::string_view(reinterpret_cast<const char*>(data), size));
    if (!readMap("level.map")) return 0;
    for (const std::string& line : mapLines) {
        if (!splitFaceLine(line)) continue;
        const auto kept = faceFields;  // views into `line`, which stays as it is
        const std::string rebuilt = rebuildFaceLine();
        require(splitFaceLine(rebuilt) && rebuildFaceLine() == rebuilt);
        for (std::size_t field = 1; field <= FIELD_TEXTURE; ++field) require(faceFields[field] == kept[field]);
    }
    return 0;
}
