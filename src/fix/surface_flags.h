#pragma once
#include <cstdint>

// Gives every face of a defined texture that texture's surface flags (field 11).
// Honours -nosurf and replaces a "null" texture by common/0_sky1 unless -nonull.
// Logs each changed face and prints the opening text and closing count.
// Returns how many faces changed.
std::uint32_t applySurfaceFlags();
