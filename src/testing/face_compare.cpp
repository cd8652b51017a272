#include "testing/face_compare.h"

#include "app/state.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "text/text.h"

namespace {

// The fields of `line` without its comment and a CR that ends it, as views into it; false for no face.
bool splitLine(const std::string& line, FaceFieldTable& fields) {
    std::string_view face(line);
    if (face.ends_with('\r')) face.remove_suffix(1);
    if (!splitFaceLine(cleanMapLine(face))) return false;
    fields = faceFields;
    return true;
}

// `line`, split into `fields`, without its texture, its flag fields and every field from `firstErased` on,
// each erased field but the texture with the blanks before it.
std::string erased(const std::string& original, const FaceFieldTable& fields, std::size_t firstErased) {
    std::string line = original;
    for (std::size_t field = FACE_FIELD_COUNT; field >= FIELD_TEXTURE; --field) {
        const bool flags = field == FIELD_CONTENT || field == FIELD_SURFACE;
        if (fields[field].empty() || !(flags || field == FIELD_TEXTURE || field >= firstErased)) continue;
        std::size_t at = static_cast<std::size_t>(fields[field].data() - original.data());
        const std::size_t end = at + fields[field].size();
        while (field != FIELD_TEXTURE && at > 0 && (line[at - 1] == ' ' || line[at - 1] == '\t')) --at;
        line.erase(at, end - at);
    }
    return line;
}

}  // namespace

bool changedOnlyInFlags(const std::string& before, const std::string& after) {
    FaceFieldTable fieldsBefore, fieldsAfter;
    if (!splitLine(before, fieldsBefore) || !splitLine(after, fieldsAfter)) return before == after;
    const std::string_view texture = fieldsBefore[FIELD_TEXTURE];
    const bool standIn = lowerText(texture) == "null" && fieldsAfter[FIELD_TEXTURE] == NULL_TEXTURE_STANDIN;
    std::size_t present = FACE_FIELD_COUNT;
    while (fieldsBefore[present].empty()) --present;
    return (fieldsAfter[FIELD_TEXTURE] == texture || standIn) &&
           erased(before, fieldsBefore, FACE_FIELD_COUNT + 1) == erased(after, fieldsAfter, present + 1);
}
