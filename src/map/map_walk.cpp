#include "map/map_walk.h"

#include "app/state.h"

MapWalk startMapWalk(std::uint8_t depth) {
    entityIndex = 0;
    brushIndex = 0;
    return MapWalk{depth};
}
