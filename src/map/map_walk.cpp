#include "map/map_walk.h"

#include "app/state.h"

MapWalk startMapWalk() {
    entityIndex = 0;
    brushIndex = 0;
    return MapWalk{};
}
