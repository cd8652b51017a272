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
// faceFields are then empty. With `lastField` below 12, fields after it are not
// taken and stay empty: a step that looks at the first fields only spares itself
// the rest of the line.
bool splitFaceLine(std::string_view line, std::size_t lastField = FACE_FIELD_COUNT);

// Joins faceFields into a face line: fields 1 to 4 (and axis groups) as they
// stand, the others as numberText of their number, one blank between fields.
std::string rebuildFaceLine();

// rebuildFaceLine into `line`, whose earlier text goes (and whose room is
// reused). `line` must not be the text faceFields look into.
void rebuildFaceLineInto(std::string& line);

// The number a field holds; 0 when it holds none.
double fieldNumber(std::string_view field);

// A number in the "%.16g" form, the same on every platform: at least three
// exponent digits ("1e+016"), "nan", "inf", "-inf" and "-0".
std::string numberText(double value);
