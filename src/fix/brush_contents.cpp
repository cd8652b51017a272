#include "fix/brush_contents.h"
// PLACEHOLDER
void unifyBrushContents() {}
