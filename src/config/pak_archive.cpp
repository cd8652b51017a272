#include "config/pak_archive.h"

#include <algorithm>
#include <string_view>

#include "text/text.h"

namespace {

constexpr std::string_view PAK_MAGIC = "PACK";
constexpr std::size_t PAK_HEADER_SIZE = 12;
constexpr std::size_t PAK_ENTRY_SIZE = 64;
constexpr std::size_t PAK_NAME_SIZE = 56;
// The directory is read this many entries at a time, so a huge one stated by
// a damaged archive never has to be in memory whole.
constexpr std::size_t ENTRIES_PER_READ = 1024;

}  // namespace

std::uint8_t readPakDirectory(std::uint64_t size, const PartReader& readPart,
                              const std::function<void(const PakEntry& entry)>& takeEntry) {
    std::string bytes;
    if (!readPart(0, PAK_HEADER_SIZE, bytes)) return PAK_UNREADABLE;
    if (bytes.size() < PAK_HEADER_SIZE || !bytes.starts_with(PAK_MAGIC)) return PAK_NOT_A_PAK;
    const std::uint64_t directoryOffset = littleEndianWord(bytes, 4);
    const std::uint64_t directoryLength = littleEndianWord(bytes, 8);
    if (directoryOffset + directoryLength > size) return PAK_DIRECTORY_OUTSIDE;
    // A length that is no whole number of entries leaves its last bytes unused, as the game does.
    const std::uint64_t entryCount = directoryLength / PAK_ENTRY_SIZE;
    for (std::uint64_t first = 0; first < entryCount; first += ENTRIES_PER_READ) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(ENTRIES_PER_READ, entryCount - first));
        if (!readPart(directoryOffset + first * PAK_ENTRY_SIZE, count * PAK_ENTRY_SIZE, bytes)) return PAK_UNREADABLE;
        // The file may have shrunk since its size was told.
        if (bytes.size() < count * PAK_ENTRY_SIZE) return PAK_UNREADABLE;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view entry = std::string_view(bytes).substr(i * PAK_ENTRY_SIZE, PAK_ENTRY_SIZE);
            const std::string_view name = entry.substr(0, PAK_NAME_SIZE);
            takeEntry(PakEntry{std::string(name.substr(0, name.find('\0'))), littleEndianWord(entry, PAK_NAME_SIZE),
                               littleEndianWord(entry, PAK_NAME_SIZE + 4)});
        }
    }
    return PAK_READ;
}
