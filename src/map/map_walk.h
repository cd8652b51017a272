#pragma once
// The brace walk that every step over mapLines shares. Only a line's first
// character counts: "{" opens a block, "}" closes one. The depth is 8 bits and
// wraps, so a stray "}" at depth 0 gives 255. A block opened at depth 1 is an
// entity, one at depth 2 a brush; every other line at depth 2 is a face line.
#include <cstdint>
#include <string_view>

#include "app/state.h"

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

// Starts a walk at the first line of section `from`, with its depth, entityIndex
// and brushIndex (by default at the map's first line, all 0), and both
// last-markers -1.
MapWalk startMapWalk(const MapSection& from = MapSection{});

// Steps over one line and tells its kind. An entity's "{" adds one to
// entityIndex, sets brushIndex to 0 and both last-markers to -1; a brush's "{"
// adds one to brushIndex and sets lastBrushIndex to -1. Every pass takes this
// step for each line of the map, so it is defined here, where it can be inlined.
inline std::uint8_t walkMapLine(MapWalk& walk, std::string_view line) {
    const char first = line.empty() ? '\0' : line.front();
    if (first == '{') {
        ++walk.depth;
        if (walk.depth == 1) {
            ++entityIndex;
            brushIndex = 0;
            lastEntityIndex = -1;
            lastBrushIndex = -1;
            return LINE_ENTITY_OPEN;
        }
        if (walk.depth == 2) {
            ++brushIndex;
            lastBrushIndex = -1;
            return LINE_BRUSH_OPEN;
        }
        return LINE_BLOCK_OPEN;
    }
    if (first == '}') {
        --walk.depth;
        return walk.depth == 1 ? LINE_BRUSH_CLOSE : LINE_BLOCK_CLOSE;
    }
    return walk.depth == 2 ? LINE_FACE : LINE_OTHER;
}
