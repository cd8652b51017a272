#pragma once
// The game's own texture files that brushup.ini's [WAL] lines name: folders of
// .wal files and pak archives, each texture with its .wal_json sidecar.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.h"

// A [WAL] line: a folder ("textures = PATH") or a pak ("pak = PATH"), the path
// as written, and the number of the line.
struct WalSource {
    std::string path;
    bool pak = false;
    std::uint32_t lineNumber = 0;
};

// Reads the sources in turn and appends a textureDefs record for each texture
// found that no definition before it names, so that [TEXTURES] and earlier
// sources come first; counts them in walTextureCount and the sources in
// walSourceCount. A texture's name is its path below the folder, or below
// "textures/" in a pak, without the extension, as a texture key. Whatever
// cannot be read gets one loader message naming the file and the [WAL] line
// (under `configName`), and reading goes on.
void readWalSources(const std::vector<WalSource>& sources, std::string_view configName);

// readWalSources for one pak of `size` bytes read through `readPart`, named
// as `source` says: a pak held in memory is read this way too.
void readPakTextures(const WalSource& source, std::uint64_t size, const PartReader& readPart,
                     std::string_view configName);
