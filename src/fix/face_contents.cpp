#include "fix/face_contents.h"
// PLACEHOLDER
void applyFaceContents() {}
