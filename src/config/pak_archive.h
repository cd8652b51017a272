#pragma once
// The directory of a pak archive: "PACK", the directory's offset and length,
// then 64-byte entries of a name (56 bytes, ended by a NUL unless it fills
// them), an offset and a length. Numbers are little-endian 32-bit words.
#include <cstdint>
#include <functional>
#include <string>

#include "app/platform.h"

// One entry of the directory, as the archive states it.
struct PakEntry {
    std::string name;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

constexpr std::uint8_t PAK_READ = 0;
constexpr std::uint8_t PAK_UNREADABLE = 1;         // a read failed
constexpr std::uint8_t PAK_NOT_A_PAK = 2;          // no "PACK" and directory at its start
constexpr std::uint8_t PAK_DIRECTORY_OUTSIDE = 3;  // the directory does not lie inside the file

// Hands each entry of the directory of a pak of `size` bytes, read through
// `readPart` a piece at a time, to `takeEntry`, in directory order. Whether an
// entry's bytes lie inside the file is the taker's to check. Returns PAK_READ,
// or what stopped the reading; entries handed out before stay handed out.
std::uint8_t readPakDirectory(std::uint64_t size, const PartReader& readPart,
                              const std::function<void(const PakEntry& entry)>& takeEntry);
