#include "map/field_table.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t HEAD_BYTES = 16;
constexpr std::size_t FIRST_SLOTS = 64;

struct FieldWords {
    std::uint64_t head[2] = {0, 0};
    std::uint64_t hash = 0;
};

FieldWords wordsOf(std::string_view text) {
    FieldWords words;
    std::memcpy(words.head, text.data(), std::min(text.size(), HEAD_BYTES));
    std::uint64_t mixed = (words.head[0] * 0x9E3779B97F4A7C15u) ^ words.head[1] ^ text.size();
    for (std::size_t at = HEAD_BYTES; at < text.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, std::min<std::size_t>(8, text.size() - at));
        mixed = (mixed ^ word) * 0xFF51AFD7ED558CCDu;
    }
    words.hash = (mixed ^ (mixed >> 29)) * 0xC4CEB9FE1A85EC53u;
    return words;
}

bool holds(const FieldTable& table, const FieldSlot& slot, const FieldWords& words, std::string_view text) {
    return slot.hash == words.hash && slot.textEnd == text.size() + 1 && slot.head[0] == words.head[0] &&
           slot.head[1] == words.head[1] &&
           (text.size() <= HEAD_BYTES ||
            std::memcmp(table.pool.data() + slot.tailAt, text.data() + HEAD_BYTES, text.size() - HEAD_BYTES) == 0);
}

// Doubles the slots, each text going to its place among them.
void growSlots(FieldTable& table) {
    std::vector<FieldSlot> old(std::max(FIRST_SLOTS, table.slots.size() * 2));
    old.swap(table.slots);
    const std::size_t mask = table.slots.size() - 1;
    for (const FieldSlot& slot : old) {
        if (slot.textEnd == 0) continue;
        std::size_t at = slot.hash & mask;
        while (table.slots[at].textEnd != 0) at = (at + 1) & mask;
        table.slots[at] = slot;
    }
}

}  // namespace

FieldSlot& findFieldSlot(FieldTable& table, std::string_view text, bool& added) {
    if (table.slots.empty()) growSlots(table);
    const FieldWords words = wordsOf(text);
    std::size_t mask = table.slots.size() - 1;
    std::size_t at = words.hash & mask;
    for (; table.slots[at].textEnd != 0; at = (at + 1) & mask) {
        if (holds(table, table.slots[at], words, text)) {
            added = false;
            return table.slots[at];
        }
    }
    if ((table.used + 1) * 4 > table.slots.size() * 3) {
        growSlots(table);
        mask = table.slots.size() - 1;
        at = words.hash & mask;
        while (table.slots[at].textEnd != 0) at = (at + 1) & mask;
    }
    FieldSlot& slot = table.slots[at];
    slot.hash = words.hash;
    slot.head[0] = words.head[0];
    slot.head[1] = words.head[1];
    slot.textEnd = text.size() + 1;
    slot.tailAt = table.pool.size();
    slot.record = nullptr;
    if (text.size() > HEAD_BYTES) table.pool.append(text.substr(HEAD_BYTES));
    ++table.used;
    added = true;
    return slot;
}
