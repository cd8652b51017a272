#pragma once
// Face lines: three point groups, a texture and nine tokens (offsets, rotation,
// scales, content flags, surface flags, value). In the Valve 220 form the two
// offsets are bracketed axis groups "[ ux uy uz off ]" carried as text.
#include <cstddef>
#include <string>
#include <string_view>

#include "app/state.h"

// Fills faceFields[1..12] with views into `line`. Runs of blanks and tabs
// separate tokens; missing trailing tokens are empty and anything after the
// twelfth is ignored. False when the line is not a face line (no three complete
// point groups, no texture after them, or an axis group without its "]");
// faceFields are then empty.
bool splitFaceLine(std::string_view line);

// splitFaceLine of kept line `index`, remembering in its spots, when it has
// them (hasFaceSpots), where its texture, content and surface fields start.
bool splitMapFace(std::size_t index);

// Fills faceFields[FIELD_TEXTURE], [FIELD_CONTENT] and [FIELD_SURFACE] of kept
// line `index`, the fields the passes read, from its spots; the other fields
// are empty. A line whose spots are not known yet, or that has none, is split
// whole (splitMapFace).
// False when the line is no face line.
bool findPassFields(std::size_t index);

// Sets flag field `field` (FIELD_CONTENT or FIELD_SURFACE) of kept line `index`
// to `text`, a whole number as numberText writes it, when the line is as a
// rebuild left it: a rebuild would then change that field only, so only the
// field is replaced. False, with nothing changed, for any other line.
bool replaceRebuiltField(std::size_t index, std::size_t field, std::string_view text);

// Joins faceFields into a face line: fields 1 to 4 (and axis groups) as they
// stand, the others as numberText of their number, one blank between fields.
std::string rebuildFaceLine();

// rebuildFaceLine into `line`, whose earlier text goes (and whose room is
// reused), and where its texture, content and surface fields start into
// `spots`. `line` must not be the text faceFields look into.
void rebuildFaceLineInto(std::string& line, FaceSpots& spots);

// The number a field holds; 0 when it holds none.
double fieldNumber(std::string_view field);

// A number in the "%.16g" form, the same on every platform: at least three
// exponent digits ("1e+016"), "nan", "inf", "-inf" and "-0".
std::string numberText(double value);
