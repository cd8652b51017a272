#pragma once

// Makes all faces of each brush carry one content (field 10): the most frequent
// among its faces, content 0 only with -zero, a tie going to the content met
// first. Each brush is handled at its closing brace, nested blocks and all.
// Logs each fixed brush and prints the opening text and closing count.
void unifyBrushContents();
