#include "fix/face_contents.h"

#include "app/output.h"
#include "app/state.h"
#include "fix/face_pass.h"
#include "map/face_line.h"
#include "text/text.h"

namespace {

// The content flag a face keeps whatever its texture says.
constexpr std::size_t KEPT_CONTENT_FLAG = 28;

// Gives one face its texture's content flags, keeping its flag 28. True when
// the face changed.
bool rewriteContent(std::size_t lineIndex, TextureLookup& lookup) {
    lookUpFaceTexture(lookup, faceFields[FIELD_TEXTURE]);
    const TextureRecord* record = lookup.record;
    if (record == nullptr || record->defined == 0) return false;

    const double contentValue = fieldNumber(faceFields[FIELD_CONTENT]);
    const std::uint32_t contentBits = flagSetFromNumber(contentValue);
    const std::uint32_t keptFlag = contentBits & flagBit[KEPT_CONTENT_FLAG];
    const std::uint32_t newContent = record->contentFlags | keptFlag;
    // A field reading as not-a-number matches every value and is never changed.
    if (sameNumber(static_cast<double>(newContent), contentValue)) return false;

    logFaceChange(record->name, contentBits, newContent, FLAG_TABLE_CONTENT);
    storeFlagField(lineIndex, FIELD_CONTENT, newContent);
    return true;
}

}  // namespace

std::uint32_t applyFaceContents() {
    printText("Setting cpntents... ");
    const std::uint32_t replacedCount = rewriteFaces(rewriteContent);
    printClosingCount(replacedCount, " face content replaced)", " face contents replaced)");
    return replacedCount;
}
