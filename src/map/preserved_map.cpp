#include "map/preserved_map.h"

#include <algorithm>
#include <cstring>

#include "app/state.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "text/text.h"

namespace {

constexpr std::size_t PIECE_SIZE = BRUSHUP_WRITE_PIECE_SIZE;

// A face line set against its line as read: what changed, the fields as read
// (views into mapBytes) and the texture field it now holds.
struct FaceJudgement {
    FaceChange change;
    std::string_view line;  // as read
    FaceFieldTable before;
    std::string_view newTexture;
};

// The fields of kept line `index` as read, views into mapBytes: from the
// spots it had, which hold the texture, content and surface fields, or else
// (`whole`, or spots not known) from a split of the whole line. False when it
// is no face line.
bool fieldsAsRead(std::size_t index, std::string_view line, FaceFieldTable& fields, bool whole) {
    const FaceSpots spots = mapSpotsAsRead[index];
    if (whole || !hasFaceSpots(mapLines[index]) || spots.texture == 0 || spots.texture == FACE_SPOTS_NO_FACE) {
        if (!splitFaceLine(cleanMapLine(line))) return false;
        fields = faceFields;
        return true;
    }
    // The kept line is the line as read from its first non-blank on.
    const char* kept = line.data();
    while (*kept == ' ' || *kept == '\t') ++kept;
    fields.fill(std::string_view());
    fields[FIELD_TEXTURE] = std::string_view(kept + spots.texture, spots.textureSize);
    fields[FIELD_CONTENT] = std::string_view(kept + spots.content, spots.contentSize);
    fields[FIELD_SURFACE] = std::string_view(kept + spots.surface, spots.surfaceSize);
    return true;
}

// Sets kept line `index`, which a pass stored anew, against its line as read.
// True when a value or its texture differs.
bool judgeFace(std::size_t index, FaceJudgement& judgement) {
    FaceFieldTable& before = judgement.before;
    judgement.line = lineAsRead(index);
    if (!fieldsAsRead(index, judgement.line, before, false) || !findPassFields(index)) return false;
    const double oldContent = fieldNumber(before[FIELD_CONTENT]);
    const double oldSurface = fieldNumber(before[FIELD_SURFACE]);
    FaceChange& change = judgement.change;
    change.lineIndex = index;
    change.oldContent = flagSetFromNumber(oldContent);
    change.oldSurface = flagSetFromNumber(oldSurface);
    change.newContent = flagSetFromNumber(fieldNumber(faceFields[FIELD_CONTENT]));
    change.newSurface = flagSetFromNumber(fieldNumber(faceFields[FIELD_SURFACE]));
    judgement.newTexture = faceFields[FIELD_TEXTURE];
    // NaN never equals a number, so a field that read as not-a-number changes.
    const bool contentChanged = !(oldContent == static_cast<double>(change.newContent));
    const bool surfaceChanged = !(oldSurface == static_cast<double>(change.newSurface));
    const bool textureChanged = before[FIELD_TEXTURE] != judgement.newTexture;
    change.changed = static_cast<std::uint8_t>((contentChanged ? FACE_CONTENT_CHANGED : 0) |
                                               (surfaceChanged ? FACE_SURFACE_CHANGED : 0) |
                                               (textureChanged ? FACE_TEXTURE_CHANGED : 0));
    return change.changed != 0;
}

// The first kept line from `from` on that a pass stored anew and whose value
// or texture differs from the line as read, judged into `judgement`;
// mapLineChanged.size() when there is none.
std::size_t nextFaceChange(std::size_t from, FaceJudgement& judgement) {
    while (from < mapLineChanged.size() && (mapLineChanged[from] == 0 || !judgeFace(from, judgement))) ++from;
    return from;
}

// Where `text`, a view into mapBytes, starts in it.
std::size_t offsetInMap(std::string_view text) { return static_cast<std::size_t>(text.data() - mapBytes.data()); }

// The text a rebuild writes for field `field` of the judged face: its new
// texture or flag set, or 0 for a number it lacked.
std::string fieldAfter(const FaceJudgement& judgement, std::size_t field) {
    if (field == FIELD_TEXTURE) return std::string(judgement.newTexture);
    if (field == FIELD_CONTENT) return unsignedToText(judgement.change.newContent);
    if (field == FIELD_SURFACE) return unsignedToText(judgement.change.newSurface);
    return "0";
}

// The fields a change may replace, in the order they stand in a line, with
// the bit that tells whether they changed.
constexpr std::pair<std::size_t, std::uint8_t> REPLACED_FIELDS[] = {{FIELD_TEXTURE, FACE_TEXTURE_CHANGED},
                                                                    {FIELD_CONTENT, FACE_CONTENT_CHANGED},
                                                                    {FIELD_SURFACE, FACE_SURFACE_CHANGED}};

// Appends `text` to `out`, making room for it first.
void appendText(MapPiece& out, std::string_view text) {
    out.makeRoom(text.size());
    out.append(text);
}

// Appends to `out` the judged face's line as read, from mapBytes offset `from`,
// with its changed fields replaced. Returns the offset where the line ends.
std::size_t appendChangedLine(MapPiece& out, std::size_t from, FaceJudgement& judgement) {
    FaceFieldTable& before = judgement.before;
    const std::uint8_t changed = judgement.change.changed;
    bool fieldMissing = false;
    for (const auto& [field, bit] : REPLACED_FIELDS)
        fieldMissing = fieldMissing || ((changed & bit) != 0 && before[field].empty());
    // Missing fields are added after the last field the line has, which only a whole split finds.
    if (fieldMissing) fieldsAsRead(judgement.change.lineIndex, judgement.line, before, true);
    for (const auto& [field, bit] : REPLACED_FIELDS) {
        if ((changed & bit) == 0 || before[field].empty()) continue;
        appendText(out, std::string_view(mapBytes).substr(from, offsetInMap(before[field]) - from));
        appendText(out, fieldAfter(judgement, field));
        from = offsetInMap(before[field]) + before[field].size();
    }
    if (fieldMissing) {
        // Fields are missing only at the end.
        std::size_t present = FACE_FIELD_COUNT;
        while (before[present].empty()) --present;
        const std::size_t lastEnd = offsetInMap(before[present]) + before[present].size();
        appendText(out, std::string_view(mapBytes).substr(from, lastEnd - from));
        from = lastEnd;
        for (std::size_t field = present + 1; field <= FACE_FIELD_COUNT; ++field) {
            appendText(out, " ");
            appendText(out, fieldAfter(judgement, field));
        }
    }
    const std::size_t lineEnd = offsetInMap(judgement.line) + judgement.line.size();
    appendText(out, std::string_view(mapBytes).substr(from, lineEnd - from));
    return lineEnd;
}

// The written map, formed a piece at a time: mapBytes, with each face line a
// pass stored anew judged on the way and, where it changed, formed anew.
struct PreservedForming {
    std::size_t next = 0;      // the first byte of mapBytes not formed
    std::size_t nextLine = 0;  // the first kept line not looked at
};

std::string_view formNextPiece(PreservedForming& forming, MapPiece& piece) {
    piece.used = 0;
    FaceJudgement judgement;
    while (piece.used < PIECE_SIZE && forming.next < mapBytes.size()) {
        // The bytes up to the next changed line, or up to the piece's size, go as they are.
        const std::size_t line = nextFaceChange(forming.nextLine, judgement);
        const std::size_t until = line < mapLineChanged.size() ? mapLineStarts[line] : mapBytes.size();
        const std::size_t size = std::min(until - forming.next, PIECE_SIZE - piece.used);
        appendText(piece, std::string_view(mapBytes).substr(forming.next, size));
        forming.next += size;
        if (forming.next < until) {
            forming.nextLine = line;  // judged again in the next piece
            break;
        }
        if (line == mapLineChanged.size()) break;
        forming.next = appendChangedLine(piece, forming.next, judgement);
        forming.nextLine = line + 1;
    }
    return piece.text();
}

}  // namespace

std::string_view lineAsRead(std::size_t index) {
    const std::size_t start = mapLineStarts[index];
    const void* const lineFeed = std::memchr(mapBytes.data() + start, '\n', mapBytes.size() - start);
    std::size_t end = lineFeed == nullptr
                          ? mapBytes.size()
                          : static_cast<std::size_t>(static_cast<const char*>(lineFeed) - mapBytes.data());
    // Only the last kept line may hold the Ctrl-Z that ended the text.
    if (index + 1 == mapLineStarts.size()) end = std::min(end, mapBytes.find('\x1a', start));
    std::string_view line(mapBytes.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

void findFaceChanges() {
    faceChanges.clear();
    FaceJudgement judgement;
    for (std::size_t i = nextFaceChange(0, judgement); i < mapLineChanged.size();
         i = nextFaceChange(i + 1, judgement)) {
        faceChanges.push_back(judgement.change);
    }
}

bool anyFaceChange() {
    FaceJudgement judgement;
    return nextFaceChange(0, judgement) < mapLineChanged.size();
}

bool writeMapAsRead(const std::string& fileName, std::string_view shownName) {
    // The pieces are handed out from mapBytes itself, with no copy.
    std::size_t next = 0;
    const auto nextPiece = [&next](MapPiece&) {
        const std::string_view piece = std::string_view(mapBytes).substr(next, PIECE_SIZE);
        next += piece.size();
        return piece;
    };
    return writeFormedPieces(fileName, shownName, nextPiece, false);
}

bool writePreservedMap(const std::string& fileName, std::string_view shownName) {
    PreservedForming forming;
    return writeFormedPieces(
        fileName, shownName, [&forming](MapPiece& piece) { return formNextPiece(forming, piece); }, true);
}
