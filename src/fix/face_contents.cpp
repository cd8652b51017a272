#include "fix/face_contents.h"

#include "app/output.h"
#include "app/state.h"
#include "fix/face_pass.h"
#include "map/face_line.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

// The content flag a face keeps whatever its texture says.
constexpr std::size_t KEPT_CONTENT_FLAG = 28;

}  // namespace

void applyFaceContents() {
    printText("Setting cpntents... ");
    MapWalk walk = startMapWalk();
    std::uint32_t replacedCount = 0;
    TextureLookup lookup;
    for (std::size_t i = 0; i < mapLines.size(); ++i) {
        if (walkMapLine(walk, mapLines[i]) != LINE_FACE) continue;
        if (!splitFaceLine(mapLines[i])) continue;
        lookUpFaceTexture(lookup, faceFields[FIELD_TEXTURE]);
        const TextureRecord* record = lookup.record;
        if (record == nullptr || record->defined == 0) continue;

        const double contentValue = fieldNumber(faceFields[FIELD_CONTENT]);
        const std::uint32_t contentBits = flagSetFromNumber(contentValue);
        const std::uint32_t keptFlag = contentBits & flagBit[KEPT_CONTENT_FLAG];
        const std::uint32_t newContent = record->contentFlags | keptFlag;
        // A field reading as not-a-number matches every value and is never changed.
        if (sameNumber(static_cast<double>(newContent), contentValue)) continue;

        logFaceChange(record->name, contentBits, newContent, FLAG_TABLE_CONTENT);
        storeFlagField(i, FIELD_CONTENT, newContent);
        ++replacedCount;
    }
    printClosingCount(replacedCount, " face content replaced)", " face contents replaced)");
}
