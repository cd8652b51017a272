// Map reading on any bytes, straight from memory, with the face split and rebuild of every kept line: the
// lines are the same whether the bytes come whole or in pieces of a few bytes; a split ends; a rebuilt line
// splits and rebuilds to itself; the point groups and the texture survive a rebuild unchanged; the fields
// found from a line's remembered spots are those a split finds, also in a rebuilt line; a flag field
// replaced in a rebuilt line gives the line a rebuild gives, unless it keeps no spots.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "map/face_line.h"
#include "map/map_file.h"

namespace {

// The map read in pieces of `pieceSize` bytes, as a file is read; no lines when it is no text.
std::vector<std::string> linesReadInPieces(std::string_view bytes, std::size_t pieceSize, bool& text) {
    MapReading reading;
    startMapReading(reading, 0);
    for (std::size_t at = 0; at < bytes.size() && takeMapPiece(reading, bytes.substr(at, pieceSize));) at += pieceSize;
    text = !reading.notText;
    if (!text) return {};
    endMapReading(reading);
    return std::vector<std::string>(mapLines.begin(), mapLines.end());
}

// Whether the fields the passes read are those of `split`.
bool samePassFields(const std::array<std::string_view, FACE_FIELD_COUNT + 1>& split) {
    return faceFields[FIELD_TEXTURE] == split[FIELD_TEXTURE] && faceFields[FIELD_CONTENT] == split[FIELD_CONTENT] &&
           faceFields[FIELD_SURFACE] == split[FIELD_SURFACE];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    resetState();
    bool textInPieces = false;
    const std::vector<std::string> inPieces = linesReadInPieces(bytes, size == 0 ? 1 : 1 + data[0] % 7, textInPieces);
    const std::uint32_t linesInPieces = linesRead;
    resetState();
    const bool text = readMapBytes(bytes);
    require(text == textInPieces && (bytes.find('\0') == std::string_view::npos || !text));
    if (!text) return 0;
    require(linesRead == linesInPieces && std::vector<std::string>(mapLines.begin(), mapLines.end()) == inPieces);
    for (std::size_t i = 0; i < mapLines.size(); ++i) {
        // Twice: the first finds the spots with a split, the second uses them.
        const bool face = findPassFields(i);
        const auto kept = faceFields;  // views into mapLines[i], which stays as it is for now
        require(findPassFields(i) == face);
        if (!face) continue;
        require(samePassFields(kept));
        faceFields = kept;
        FaceSpots spots;
        std::string rebuilt;
        rebuildFaceLineInto(rebuilt, spots);
        require(splitFaceLine(rebuilt) && rebuildFaceLine() == rebuilt);
        for (std::size_t field = 1; field <= FIELD_TEXTURE; ++field) require(faceFields[field] == kept[field]);
        const auto rebuiltFields = faceFields;
        replaceMapLine(i, rebuilt, spots);
        require(findPassFields(i) && samePassFields(rebuiltFields));
        // A flag field replaced in the rebuilt line leaves a line that a rebuild
        // leaves as it is, with that field changed only, and the spots moved with it.
        const std::string flags = std::to_string(i * 977 % 100000);
        const std::size_t changed = i % 2 == 0 ? FIELD_CONTENT : FIELD_SURFACE;
        // Spots too long to record (a texture of over 255 bytes), or a line that
        // keeps none (one that does not open with "("), leave the change to a rebuild.
        if (spots.texture == 0 || !hasFaceSpots(rebuilt)) {
            require(!replaceRebuiltField(i, changed, flags) && mapLines[i] == rebuilt);
            continue;
        }
        require(replaceRebuiltField(i, changed, flags) && splitFaceLine(mapLines[i]));
        require(mapLines[i].size() == rebuilt.size() - rebuiltFields[changed].size() + flags.size());
        for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
            require(faceFields[field] == (field == changed ? std::string_view(flags) : rebuiltFields[field]));
        }
        const auto changedFields = faceFields;
        require(findPassFields(i) && samePassFields(changedFields));
    }
    return 0;
}
