#pragma once
// The configuration file: flag names of the [SURFACE] and [CONTENT] sections,
// the texture definitions of [TEXTURES] and the game's texture files that
// [WAL] names.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/wal_sources.h"

// Reads `fileName` into surfaceFlagNames, contentFlagNames and textureDefs,
// and then the textures of its [WAL] lines (readWalSources). Faulty lines
// print one console line each and loading goes on. False when the file does
// not count as present (missing, a directory, hidden, not a plain file) or is
// zero bytes long; then nothing is stored or printed.
bool loadConfig(const std::string& fileName);

// Reads the lines of a configuration held in `bytes`, its messages naming
// `shownName`, as loadConfig does, but only lists its [WAL] lines in
// `walSources`, in line order, without reading what they name.
void readConfigText(std::string_view bytes, const std::string& shownName, std::vector<WalSource>& walSources);

// Prints one loader message: `opening` (which ends with a double quote), then
// `quoted`, a double quote, " in ", `shownName`, "! [L", `lineNumber` and "]".
void printConfigMessage(std::string_view opening, std::string_view quoted, std::string_view shownName,
                        std::uint32_t lineNumber);
