#include "fix/face_pass.h"

#include "app/output.h"
#include "map/face_line.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

std::string shownFlagList(std::uint32_t flagSet, std::uint8_t table) {
    const std::string names = flagNames(flagSet, table);
    if (names.empty()) return "NOTHING";
    return "\"" + names + "\"";
}

}  // namespace

std::uint32_t rewriteFaces(bool (*rewriteFace)(std::size_t lineIndex, TextureLookup& lookup)) {
    MapWalk walk = startMapWalk();
    TextureLookup lookup;
    std::uint32_t changedCount = 0;
    for (std::size_t i = 0; i < mapLines.size(); ++i) {
        if (walkMapLine(walk, mapLines[i]) != LINE_FACE) continue;
        if (!splitFaceLine(mapLines[i])) continue;
        if (rewriteFace(i, lookup)) ++changedCount;
    }
    return changedCount;
}

void lookUpFaceTexture(TextureLookup& lookup, std::string_view textureField) {
    auto known = lookup.recordOfField.find(textureField);
    if (known == lookup.recordOfField.end()) {
        known = lookup.recordOfField.emplace(textureField, findMapTexture(textureKey(textureField))).first;
    }
    lookup.record = known->second;
}

void logFaceChange(std::string_view key, std::uint32_t oldFlags, std::uint32_t newFlags, std::uint8_t table) {
    const bool newBrush = lastEntityIndex != entityIndex || lastBrushIndex != brushIndex;
    lastEntityIndex = entityIndex;
    lastBrushIndex = brushIndex;
    // Without -dump nothing is written, so the names need not be formed.
    if ((runOptions & OPT_DUMP) == 0) return;
    if (newBrush) logLine("--Entity " + signedToText(entityIndex) + ", brush " + signedToText(brushIndex) + "--");
    std::string line = "[";
    line += key;
    line += "] " + shownFlagList(oldFlags, table) + " >> " + shownFlagList(newFlags, table);
    logLine(line);
}

void storeFlagField(std::size_t lineIndex, std::size_t field, std::uint32_t flagSet) {
    // faceFields views this text until the rebuilt line is stored.
    const std::string flags = unsignedToText(flagSet);
    faceFields[field] = flags;
    mapLines[lineIndex] = rebuildFaceLine();
}

void printClosingCount(std::uint32_t count, std::string_view singular, std::string_view plural) {
    std::string line = "done (" + unsignedToText(count);
    line += count > 1 ? plural : singular;
    printLine(line);
}
