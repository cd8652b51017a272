#pragma once
// The texture inventory: the distinct textures of the map's faces.

// Builds mapTextures from the face lines of mapLines, joining each texture with
// its first definition in textureDefs; logs the textures without one, prints
// the verbose summary and empties textureDefs.
void collectTextures();
