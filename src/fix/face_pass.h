#pragma once
// What the passes that rewrite faces share: the texture look-up of a face, the
// log lines of a changed face, storing a changed flag field and the closing count.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/state.h"
#include "map/field_table.h"
#include "text/text.h"

// A texture field and its mapTextures record (nullptr when its key is not there).
struct FieldRecord {
    bool filled = false;
    std::string field;
    const TextureRecord* record = nullptr;
};

// The mapTextures record of the texture field last looked up, and of every
// field met before: a map writes each texture's field in a few ways at most,
// so each is turned into its key and looked up once per pass. A brush mostly
// shows one texture and one for its hidden faces, so the two fields met last
// are tried before the table.
struct TextureLookup {
    const TextureRecord* record = nullptr;  // nullptr when the key is not in mapTextures
    FieldRecord last;
    FieldRecord beforeLast;
    FieldTable recordOfField;
};

// Adds `line` to the log lines of the section being worked on (sectionLog),
// only with -dump.
void logPassLine(std::string_view line);

// Walks mapLines and calls `rewriteFace` for every face line, with faceFields
// holding the fields findPassFields fills; lines that are not faces are passed over. `rewriteFace`
// gets the line's index and the shared texture look-up and returns true when it
// changed the face. Returns how many faces were changed.
std::uint32_t rewriteFaces(bool (*rewriteFace)(std::size_t lineIndex, TextureLookup& lookup));

// Looks up the texture key of `textureField` in mapTextures, through `lookup`,
// which then holds the record (nullptr when there is none).
void lookUpFaceTexture(TextureLookup& lookup, std::string_view textureField);

// Logs a changed face: first "--Entity N, brush M--" when the current brush has
// had no changed face yet (lastEntityIndex/lastBrushIndex tell; both are set to
// the current numbers), then "[key] old >> new" with the flag names of `table`,
// each list in double quotes, or NOTHING when it is empty. Only with -dump,
// and through the log lines of the pass.
void logFaceChange(std::string_view key, std::uint32_t oldFlags, std::uint32_t newFlags, std::uint8_t table);

// Splits face line mapLines[lineIndex] whole, sets its field `field` to
// `flagSet` (and its texture to `newTexture`, when given), rebuilds the face
// and stores it at mapLines[lineIndex]. A line a rebuild left gets the field
// replaced, which is the same. Marks the line in mapLineChanged, when that is
// kept, and keeps its spots as read in mapSpotsAsRead.
void storeFlagField(std::size_t lineIndex, std::size_t field, std::uint32_t flagSet, std::string_view newTexture = {});

// Fills fixNotes from faceChanges, in the log's words: "surface flags " or
// "content flags " and "[key] old >> new" for each value that changes, surface
// first; and each brushFixes entry at its "{" line when the content of one of
// its faces changes.
void noteFaceChanges();

// Finishes a pass's console line: "done (" + count + the ending, `singular` for
// a count of 0 or 1, `plural` for more.
void printClosingCount(std::uint32_t count, std::string_view singular, std::string_view plural);
