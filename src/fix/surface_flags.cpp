#include "fix/surface_flags.h"
// PLACEHOLDER
void applySurfaceFlags() {}
