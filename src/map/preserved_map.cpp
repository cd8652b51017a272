#include "map/preserved_map.h"

#include <algorithm>
#include <functional>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "text/text.h"

namespace {

// The written map is handed to the file in pieces of about this size.
constexpr std::size_t PIECE_SIZE = BRUSHUP_WRITE_PIECE_SIZE;

// The fields a change may replace, in the order they stand in a line.
constexpr std::size_t REPLACED_FIELDS[] = {FIELD_TEXTURE, FIELD_CONTENT, FIELD_SURFACE};

std::uint8_t changeBitOf(std::size_t field) {
    if (field == FIELD_TEXTURE) return FACE_TEXTURE_CHANGED;
    return field == FIELD_CONTENT ? FACE_CONTENT_CHANGED : FACE_SURFACE_CHANGED;
}

// Where `field`, a view into mapBytes, starts in it.
std::size_t offsetInMap(std::string_view field) { return static_cast<std::size_t>(field.data() - mapBytes.data()); }

// Appends to `out` the line of `change` from mapBytes offset `from` to its end
// as read, with its changed fields replaced. `before` holds its fields as read,
// `after` as the passes left them: every field in a rebuild's form.
void appendChangedLine(std::string& out, std::size_t from, const FaceChange& change, const FaceFieldTable& before,
                       const FaceFieldTable& after) {
    const std::string_view line = lineAsRead(change.lineIndex);
    bool fieldMissing = false;
    for (const std::size_t field : REPLACED_FIELDS) {
        if ((change.changed & changeBitOf(field)) == 0) continue;
        if (before[field].empty()) {
            fieldMissing = true;
            continue;
        }
        out.append(mapBytes, from, offsetInMap(before[field]) - from);
        out += after[field];
        from = offsetInMap(before[field]) + before[field].size();
    }
    if (fieldMissing) {
        // Fields are missing only at the end, after the last one the line has.
        std::size_t present = FACE_FIELD_COUNT;
        while (before[present].empty()) --present;
        const std::size_t lastEnd = offsetInMap(before[present]) + before[present].size();
        out.append(mapBytes, from, lastEnd - from);
        from = lastEnd;
        for (std::size_t field = present + 1; field <= FACE_FIELD_COUNT; ++field) {
            out += ' ';
            out += after[field];
        }
    }
    out.append(mapBytes, from, offsetInMap(line) + line.size() - from);
}

// Hands out the written map a piece at a time: mapBytes, with each changed
// line formed anew on its way.
struct PreservedForming {
    std::size_t next = 0;       // the first byte of mapBytes not handed out
    std::size_t nextChange = 0;  // the first entry of faceChanges not formed
    std::string piece;
};

std::string_view formNextPiece(PreservedForming& forming) {
    forming.piece.clear();
    while (forming.piece.size() < PIECE_SIZE && forming.next < mapBytes.size()) {
        if (forming.nextChange == faceChanges.size()) {
            const std::size_t size = std::min(PIECE_SIZE, mapBytes.size() - forming.next);
            forming.piece.append(mapBytes, forming.next, size);
            forming.next += size;
            continue;
        }
        const FaceChange& change = faceChanges[forming.nextChange];
        const std::size_t lineStart = mapLineStarts[change.lineIndex];
        if (lineStart > forming.next) {
            const std::size_t size = std::min(PIECE_SIZE, lineStart - forming.next);
            forming.piece.append(mapBytes, forming.next, size);
            forming.next += size;
            continue;
        }
        splitFaceLine(mapLines[change.lineIndex]);
        const FaceFieldTable after = faceFields;
        splitFaceLine(cleanMapLine(lineAsRead(change.lineIndex)));
        appendChangedLine(forming.piece, forming.next, change, faceFields, after);
        const std::string_view line = lineAsRead(change.lineIndex);
        forming.next = offsetInMap(line) + line.size();
        ++forming.nextChange;
    }
    return forming.piece;
}

// Safely replaces `fileName` with the pieces `nextPiece` hands out, after
// printing what is written.
bool writeFile(const std::string& fileName, std::string_view shownName,
               const std::function<std::string_view()>& nextPiece) {
    printLine("Writing " + std::string(shownName));
    if (isReadOnlyFile(fileName)) return false;  // the user protected it
    return replaceFileInPieces(fileName, nextPiece);
}

}  // namespace

std::string_view lineAsRead(std::size_t index) {
    const std::size_t start = mapLineStarts[index];
    std::string_view line(mapBytes.data() + start, findEither(mapBytes, start, '\n', '\x1a') - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

void findFaceChanges() {
    faceChanges.clear();
    for (std::size_t i = 0; i < mapLineChanged.size(); ++i) {
        if (mapLineChanged[i] == 0 || !splitFaceLine(cleanMapLine(lineAsRead(i)))) continue;
        const std::string_view oldTexture = faceFields[FIELD_TEXTURE];
        const double oldContent = fieldNumber(faceFields[FIELD_CONTENT]);
        const double oldSurface = fieldNumber(faceFields[FIELD_SURFACE]);
        if (!findPassFields(i)) continue;
        FaceChange change;
        change.lineIndex = i;
        change.oldContent = flagSetFromNumber(oldContent);
        change.oldSurface = flagSetFromNumber(oldSurface);
        change.newContent = flagSetFromNumber(fieldNumber(faceFields[FIELD_CONTENT]));
        change.newSurface = flagSetFromNumber(fieldNumber(faceFields[FIELD_SURFACE]));
        // NaN never equals a number, so a field that read as not-a-number changes.
        const bool contentChanged = !(oldContent == static_cast<double>(change.newContent));
        const bool surfaceChanged = !(oldSurface == static_cast<double>(change.newSurface));
        const bool textureChanged = oldTexture != faceFields[FIELD_TEXTURE];
        change.changed = static_cast<std::uint8_t>((contentChanged ? FACE_CONTENT_CHANGED : 0) |
                                                   (surfaceChanged ? FACE_SURFACE_CHANGED : 0) |
                                                   (textureChanged ? FACE_TEXTURE_CHANGED : 0));
        if (change.changed != 0) faceChanges.push_back(change);
    }
}

bool writeMapAsRead(const std::string& fileName, std::string_view shownName) {
    std::size_t next = 0;
    return writeFile(fileName, shownName, [&next]() {
        const std::string_view piece = std::string_view(mapBytes).substr(next, PIECE_SIZE);
        next += piece.size();
        return piece;
    });
}

bool writePreservedMap(const std::string& fileName, std::string_view shownName) {
    PreservedForming forming;
    return writeFile(fileName, shownName, [&forming] { return formNextPiece(forming); });
}
