#include "app/state.h"

#include <unordered_map>

#include "app/output.h"
#include "text/text.h"

namespace {

// Position in mapTextures of each name; kept in step by addMapTexture.
std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> mapTextureIndex;

}  // namespace

std::uint8_t runOptions = 0;

std::vector<TextureRecord> textureDefs;
std::vector<TextureRecord> mapTextures;
std::vector<std::string> mapLines;

std::array<std::uint32_t, FLAG_COUNT + 1> flagBit{};
std::array<std::string, FLAG_COUNT + 1> surfaceFlagNames;
std::array<std::string, FLAG_COUNT + 1> contentFlagNames;
std::array<std::string_view, FACE_FIELD_COUNT + 1> faceFields;

std::uint32_t linesRead = 0;
std::int32_t entityIndex = 0;
std::int32_t brushIndex = 0;
std::int32_t lastEntityIndex = 0;
std::int32_t lastBrushIndex = 0;

void resetState() {
    closeLog();
    runOptions = 0;
    textureDefs.clear();
    mapTextures.clear();
    mapTextureIndex.clear();
    mapLines.clear();
    for (int i = 1; i <= FLAG_COUNT; ++i) {
        flagBit[static_cast<std::size_t>(i)] = std::uint32_t{1} << (i - 1);
        surfaceFlagNames[static_cast<std::size_t>(i)].clear();
        contentFlagNames[static_cast<std::size_t>(i)].clear();
    }
    faceFields.fill(std::string_view());
    linesRead = 0;
    entityIndex = 0;
    brushIndex = 0;
    lastEntityIndex = 0;
    lastBrushIndex = 0;
}

TextureRecord& addMapTexture(std::string name) {
    mapTextureIndex.emplace(name, mapTextures.size());
    TextureRecord& record = mapTextures.emplace_back();
    record.name = std::move(name);
    return record;
}

const TextureRecord* findMapTexture(std::string_view name) {
    const auto found = mapTextureIndex.find(name);
    if (found == mapTextureIndex.end()) return nullptr;
    return &mapTextures[found->second];
}
