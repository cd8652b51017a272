#pragma once
#include <cstdint>

// Gives every face of a defined texture that texture's content flags (field 10),
// keeping content flag 28 of the face. Logs each changed face and prints the
// opening text and closing count. Returns how many faces changed.
std::uint32_t applyFaceContents();
