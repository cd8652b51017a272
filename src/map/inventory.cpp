#include "map/inventory.h"
// PLACEHOLDER
void collectTextures() {}
