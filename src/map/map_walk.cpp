#include "map/map_walk.h"

#include "app/state.h"

MapWalk startMapWalk() {
    entityIndex = 0;
    brushIndex = 0;
    return MapWalk{};
}

std::uint8_t walkMapLine(MapWalk& walk, std::string_view line) {
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
