#pragma once
// Face lines: three point groups, a texture and nine tokens (offsets, rotation,
// scales, content flags, surface flags, value). In the Valve 220 form the two
// offsets are bracketed axis groups "[ ux uy uz off ]" carried as text.
#include <string>
#include <string_view>

// Fills faceFields[1..12] with views into `line`. Runs of blanks and tabs
// separate tokens; missing trailing tokens are empty and anything after the
// twelfth is ignored. False when the line is not a face line (no three complete
// point groups, or an axis group without its "]"); faceFields are then empty.
bool splitFaceLine(std::string_view line);

// Joins faceFields into a face line: fields 1 to 4 (and axis groups) as they
// stand, the others as numberText of their number, one blank between fields.
std::string rebuildFaceLine();

// The number a field holds; 0 when it holds none.
double fieldNumber(std::string_view field);

// A number in the "%.16g" form, the same on every platform: at least three
// exponent digits ("1e+016"), "nan", "inf", "-inf" and "-0".
std::string numberText(double value);
