#pragma once
#include <cstdint>

// Makes all faces of each brush carry one content (field 10). A brush is mixed
// when a later face's number differs from the first face's content taken as a
// flag set; it then takes the most frequent content among its faces, content 0
// only with -zero, a tie going to the content met first. Each brush is handled at its closing brace, nested blocks and all.
// Logs each fixed brush and prints the opening text and closing count.
// Returns how many brushes were fixed.
std::uint32_t unifyBrushContents();
