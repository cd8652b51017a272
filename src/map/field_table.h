#pragma once
// Tables keyed by the text of a face's texture field, which the inventory and
// the passes look up for every face. A map of thousands of textures makes a
// general hash table cost several cache misses a face (its node, its key's
// heap text, its bucket); here a field of up to 16 bytes is found in one slot,
// which holds its text as two words, and its hash is a few multiplications.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/state.h"

struct FieldSlot {
    std::uint64_t hash = 0;
    std::uint64_t head[2] = {0, 0};  // the text's first 16 bytes, zero after its end
    std::size_t textEnd = 0;         // the text's size plus one; 0 while the slot is free
    std::size_t tailAt = 0;          // where the text past its first 16 bytes starts in the pool
    const TextureRecord* record = nullptr;  // the caller's
};

struct FieldTable {
    std::vector<FieldSlot> slots;  // a power of two of them, at most three quarters used
    std::string pool;              // the texts past their first 16 bytes
    std::size_t used = 0;
};

// The slot of `text` in `table`; a new one, with `added` set and no record,
// when the text was not there. Valid until the next new text.
FieldSlot& findFieldSlot(FieldTable& table, std::string_view text, bool& added);
