#include "config/texture_defaults.h"

#include <array>
#include <nlohmann/json.hpp>

#include "text/text.h"

namespace {

using json = nlohmann::json;

constexpr std::size_t WAL_SURFACE_AT = 88;
constexpr std::size_t WAL_CONTENT_AT = 92;

// The bits of every flag of `names` called `name`, letter case aside; false when none is.
bool namedFlags(std::string_view name, const std::array<std::string, FLAG_COUNT + 1>& names, std::uint32_t& flagSet) {
    const std::string lowerName = lowerText(name);
    bool found = false;
    for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
        if (names[i].empty() || lowerText(names[i]) != lowerName) continue;
        flagSet |= flagBit[i];
        found = true;
    }
    return found;
}

// ORs into `flagSet` one number or flag name. False for a value of any other kind.
bool addFlagValue(const json& value, const std::array<std::string, FLAG_COUNT + 1>& names, std::uint32_t& flagSet,
                  std::vector<std::string>& unknownNames) {
    // Numbers are taken modulo 2^32, as a face's flag fields are.
    if (value.is_number_unsigned()) {
        flagSet |= static_cast<std::uint32_t>(value.get<std::uint64_t>());
    } else if (value.is_number_integer()) {
        flagSet |= static_cast<std::uint32_t>(static_cast<std::uint64_t>(value.get<std::int64_t>()));
    } else if (value.is_number_float()) {
        flagSet |= flagSetFromNumber(value.get<double>());
    } else if (value.is_string()) {
        const std::string& name = value.get_ref<const std::string&>();
        if (!namedFlags(name, names, flagSet)) unknownNames.push_back(name);
    } else {
        return false;
    }
    return true;
}

// The flag set of the sidecar's `key`, when it has one: `flagSet` is then
// replaced. False for a value that is neither a number, a name nor an array of them.
bool readFlagKey(const json& sidecar, const char* key, const std::array<std::string, FLAG_COUNT + 1>& names,
                 std::uint32_t& flagSet, std::vector<std::string>& unknownNames) {
    const auto found = sidecar.find(key);
    if (found == sidecar.end()) return true;
    std::uint32_t read = 0;
    if (found->is_array()) {
        for (const json& item : *found) {
            if (item.is_array() || !addFlagValue(item, names, read, unknownNames)) return false;
        }
    } else if (!addFlagValue(*found, names, read, unknownNames)) {
        return false;
    }
    flagSet = read;
    return true;
}

}  // namespace

bool readWalHeader(std::string_view bytes, TextureRecord& record) {
    if (bytes.size() < WAL_HEADER_SIZE) return false;
    record.surfaceFlags = littleEndianWord(bytes, WAL_SURFACE_AT);
    record.contentFlags = littleEndianWord(bytes, WAL_CONTENT_AT);
    return true;
}

std::uint8_t readSidecar(std::string_view bytes, TextureRecord& record, std::vector<std::string>& unknownNames) {
    const json sidecar = json::parse(bytes.begin(), bytes.end(), nullptr, false, true);
    if (sidecar.is_discarded()) return SIDECAR_NOT_JSON;
    if (!sidecar.is_object()) return SIDECAR_VALUE_UNUSABLE;
    std::uint32_t contentFlags = record.contentFlags;
    std::uint32_t surfaceFlags = record.surfaceFlags;
    std::vector<std::string> unknown;
    if (!readFlagKey(sidecar, "contents", contentFlagNames, contentFlags, unknown) ||
        !readFlagKey(sidecar, "flags", surfaceFlagNames, surfaceFlags, unknown)) {
        return SIDECAR_VALUE_UNUSABLE;
    }
    record.contentFlags = contentFlags;
    record.surfaceFlags = surfaceFlags;
    unknownNames.insert(unknownNames.end(), unknown.begin(), unknown.end());
    return SIDECAR_READ;
}
