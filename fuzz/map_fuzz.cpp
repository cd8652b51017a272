// Map reading on any bytes, with the face split and rebuild of every kept line: a split ends; a rebuilt line
// splits and rebuilds to itself; the point groups and the texture survive a rebuild unchanged.
#include <array>
#include <cstdint>

#include "fuzz_support.h"
#include "map/face_line.h"
#include "map/map_file.h"

namespace {

std::array<std::string, 4> pointsAndTexture() {
    return {std::string(faceFields[1]), std::string(faceFields[2]), std::string(faceFields[3]),
            std::string(faceFields[4])};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzRun run;
    writeFile("level.map", std::string_view(reinterpret_cast<const char*>(data), size));
    if (!readMap("level.map")) return 0;
    for (const std::string& line : mapLines) {
        if (!splitFaceLine(line)) continue;
        const std::array<std::string, 4> kept = pointsAndTexture();
        const std::string rebuilt = rebuildFaceLine();
        require(splitFaceLine(rebuilt) && rebuildFaceLine() == rebuilt && pointsAndTexture() == kept);
    }
    return 0;
}
