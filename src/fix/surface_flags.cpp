#include "fix/surface_flags.h"

#include "app/output.h"
#include "app/state.h"
#include "fix/face_pass.h"
#include "map/face_line.h"
#include "text/text.h"

namespace {

// The texture field as written is "null" in any letter case. "/null" is not:
// the replacement looks at the field before it is normalised.
bool isNullTexture(std::string_view textureField) {
    // The length test first keeps the common case free of any copy.
    return textureField.size() == 4 && lowerText(textureField) == "null";
}

// Gives one face its texture's surface flags. True when the face changed.
bool rewriteSurface(std::size_t lineIndex, TextureLookup& lookup) {
    const double surfaceValue = fieldNumber(faceFields[FIELD_SURFACE]);
    // A field reading as not-a-number counts as 0 here, as it matches every number.
    if ((runOptions & OPT_NOSURF) != 0 && !sameNumber(surfaceValue, 0)) return false;

    const bool nullReplaced = (runOptions & OPT_NONULL) == 0 && isNullTexture(faceFields[FIELD_TEXTURE]);
    const TextureRecord* record = nullptr;
    if (nullReplaced) {
        record = findMapTexture(NULL_TEXTURE_STANDIN);
    } else {
        lookUpFaceTexture(lookup, faceFields[FIELD_TEXTURE]);
        record = lookup.record;
    }
    if (record == nullptr || record->defined == 0) return false;
    if (sameNumber(static_cast<double>(record->surfaceFlags), surfaceValue)) return false;

    logFaceChange(record->name, flagSetFromNumber(surfaceValue), record->surfaceFlags, FLAG_TABLE_SURFACE);
    storeFlagField(lineIndex, FIELD_SURFACE, record->surfaceFlags, nullReplaced ? NULL_TEXTURE_STANDIN : "");
    return true;
}

}  // namespace

std::uint32_t applySurfaceFlags() {
    printText("Setting surfaces... ");
    const std::uint32_t replacedCount = rewriteFaces(rewriteSurface);
    printClosingCount(replacedCount, " surface replaced)", " surfaces replaced)");
    return replacedCount;
}
