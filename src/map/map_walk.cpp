#include "map/map_walk.h"

#include "app/state.h"

MapWalk startMapWalk(const MapSection& from) {
    entityIndex = from.entityIndex;
    brushIndex = from.brushIndex;
    // No face of the walk has been logged yet.
    lastEntityIndex = -1;
    lastBrushIndex = -1;
    return MapWalk{from.depth};
}
