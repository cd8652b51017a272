#pragma once
// The configuration file: flag names of the [SURFACE] and [CONTENT] sections
// and the texture definitions of [TEXTURES].
#include <string>

// Reads `fileName` into surfaceFlagNames, contentFlagNames and textureDefs.
// Faulty lines print one console line each and loading goes on. False when the
// file does not count as present (missing, a directory, hidden, not a plain
// file) or is zero bytes long; then nothing is stored or printed.
bool loadConfig(const std::string& fileName);
