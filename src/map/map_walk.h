#pragma once
// The brace walk that every step over mapLines shares. Only a line's first
// character counts: "{" opens a block, "}" closes one. The depth is 8 bits and
// wraps, so a stray "}" at depth 0 gives 255. A block opened at depth 1 is an
// entity, one at depth 2 a brush; every other line at depth 2 is a face line.
#include <cstdint>
#include <string_view>

constexpr std::uint8_t LINE_ENTITY_OPEN = 1;
constexpr std::uint8_t LINE_BRUSH_OPEN = 2;
constexpr std::uint8_t LINE_BLOCK_OPEN = 3;   // a "{" that reaches any other depth
constexpr std::uint8_t LINE_BRUSH_CLOSE = 4;  // the "}" that takes the depth from 2 to 1
constexpr std::uint8_t LINE_BLOCK_CLOSE = 5;  // any other "}"
constexpr std::uint8_t LINE_FACE = 6;         // any other line at depth 2
constexpr std::uint8_t LINE_OTHER = 7;        // any other line at another depth

struct MapWalk {
    std::uint8_t depth = 0;
};

// Starts a walk: depth 0, and entityIndex and brushIndex 0.
MapWalk startMapWalk();

// Steps over one line and tells its kind. An entity's "{" adds one to
// entityIndex, sets brushIndex to 0 and both last-markers to -1; a brush's "{"
// adds one to brushIndex and sets lastBrushIndex to -1.
std::uint8_t walkMapLine(MapWalk& walk, std::string_view line);
