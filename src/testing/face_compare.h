#pragma once
// Test-only: whether two lines differ only where -preserve may change a face.
#include <string>

// True when `after` is `before` but for the flag fields of a face, a NULL texture become common/0_sky1,
// and fields added after the last one `before` has; the rest (blanks, other fields, a comment, a CR that ends the line)
// must be as it was. A line that is no face must be the same.
bool changedOnlyInFlags(const std::string& before, const std::string& after);
