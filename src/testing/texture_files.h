#pragma once
// Test-only: the bytes of the game's texture files, made at run time.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// `word` as four little-endian bytes.
inline std::string wordBytes(std::size_t word) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((word >> (8 * i)) & 0xFF);
    return bytes;
}

// A .wal header with these flags and value, in bytes that differ from their neighbours, and pixels after it.
inline std::string walBytes(std::uint32_t surface, std::uint32_t content, std::uint32_t value) {
    return std::string(88, '\x7F') + wordBytes(surface) + wordBytes(content) + wordBytes(value) + "pixels";
}

// A pak of `entries` (name, bytes) in this order, with its directory at the end.
inline std::string pakBytes(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string data, directory;
    for (const auto& [name, bytes] : entries) {
        directory += name + std::string(56 - name.size(), '\0') + wordBytes(12 + data.size()) + wordBytes(bytes.size());
        data += bytes;
    }
    return "PACK" + wordBytes(12 + data.size()) + wordBytes(directory.size()) + data + directory;
}
