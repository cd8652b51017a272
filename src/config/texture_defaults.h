#pragma once
// A texture's default flags as the game's files give them: the header of its
// .wal and its .wal_json sidecar.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.h"

// A .wal header: name[32], width, height, offsets[4], animname[32], then the
// surface flags, the content flags and the value, little-endian 32-bit words.
constexpr std::size_t WAL_HEADER_SIZE = 100;

// Sets the record's surface and content flags from the .wal header at the
// start of `bytes`, bit for bit. The value is not kept: no pass writes a
// face's value. False, leaving the record alone, when `bytes` is shorter than
// a header.
bool readWalHeader(std::string_view bytes, TextureRecord& record);

// A sidecar is a few lines; anything longer is no sidecar, and is not read whole.
constexpr std::size_t SIDECAR_SIZE_LIMIT = 65536;

constexpr std::uint8_t SIDECAR_READ = 0;
constexpr std::uint8_t SIDECAR_NOT_JSON = 1;
constexpr std::uint8_t SIDECAR_VALUE_UNUSABLE = 2;  // no object, or a value of another kind

// Reads the sidecar in `bytes`, JSON with comments: "contents" and "flags",
// each a number, a flag name (any letter case, from contentFlagNames and
// surfaceFlagNames) or an array of both, OR'd together, replace the record's
// content and surface flags; an absent key leaves them. Names that name no
// flag are listed in `unknownNames` and add nothing. Anything but
// SIDECAR_READ leaves the record alone.
std::uint8_t readSidecar(std::string_view bytes, TextureRecord& record, std::vector<std::string>& unknownNames);
