#include "app/state.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "app/output.h"
#include "app/platform.h"
#include "text/text.h"

namespace {

// Position in mapTextures of each name; kept in step by addMapTexture.
std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> mapTextureIndex;

// The memory of the kept lines: chunks that never move, so the views of
// mapLines stay valid. Each line is followed by its room to grow, NUL bytes,
// and a line feed that ends the room. One heap string per line would cost an
// allocation for each of a large map's million lines.
// Chunks grow from small to large, so a small map takes little memory and a
// large one few chunks.
constexpr std::size_t FIRST_CHUNK_SIZE = std::size_t{4} << 10;
constexpr std::size_t LINE_CHUNK_SIZE = std::size_t{16} << 20;
// A chunk of a large page's size or more starts on a large page and is advised
// to take them, so that all of it, not only the large pages that happen to fall
// inside it, can be backed by them. A smaller one could take none.
constexpr std::size_t LARGE_PAGE_SIZE = std::size_t{2} << 20;
struct ChunkRelease {
    std::align_val_t alignment;
    void operator()(char* chunk) const { ::operator delete[](chunk, alignment); }
};
using LineChunk = std::unique_ptr<char[], ChunkRelease>;
std::vector<LineChunk> lineChunks;
std::mutex lineMemoryMutex;  // held where more than one thread may store lines
char* chunkFree = nullptr;
std::size_t chunkLeft = 0;
std::size_t nextChunkSize = FIRST_CHUNK_SIZE;

LineChunk newChunk(std::size_t size) {
    const bool large = size >= LARGE_PAGE_SIZE;
    const std::align_val_t alignment{large ? LARGE_PAGE_SIZE : alignof(std::max_align_t)};
    LineChunk chunk(static_cast<char*>(::operator new[](size, alignment)), ChunkRelease{alignment});
    if (large) adviseLargePages(chunk.get(), size);
    return chunk;
}

// Room for `size` bytes in the lines' memory.
char* takeLineMemory(std::size_t size) {
    // A long line gets a chunk of its own, so the current chunk's rest is not lost.
    if (size > LINE_CHUNK_SIZE / 8) return lineChunks.emplace_back(newChunk(size)).get();
    if (size > chunkLeft) {
        const std::size_t chunkSize = std::max(nextChunkSize, size);
        chunkFree = lineChunks.emplace_back(newChunk(chunkSize)).get();
        chunkLeft = chunkSize;
        nextChunkSize = std::min(chunkSize * 2, LINE_CHUNK_SIZE);
    }
    char* taken = chunkFree;
    chunkFree += size;
    chunkLeft -= size;
    return taken;
}

std::string_view storeLine(std::string_view text, std::size_t growthRoom) {
    const std::size_t spotsRoom = hasFaceSpots(text) ? sizeof(FaceSpots) : 0;
    char* stored = takeLineMemory(spotsRoom + text.size() + growthRoom + 1) + spotsRoom;
    std::memset(stored - spotsRoom, 0, spotsRoom);  // the spots are not known yet
    std::memcpy(stored, text.data(), text.size());
    std::memset(stored + text.size(), '\0', growthRoom);
    stored[text.size() + growthRoom] = '\n';
    return std::string_view(stored, text.size());
}

// The bytes of a kept line. The lines' memory is this file's own; mapLines
// only shows it read-only.
char* lineBytes(std::string_view line) { return const_cast<char*>(line.data()); }

// How long a kept line may grow in its place: its size and its room to grow.
std::size_t lineRoom(std::string_view line) {
    std::size_t room = line.size();
    while (line.data()[room] == '\0') ++room;
    return room;
}

}  // namespace

std::uint8_t runOptions = 0;

std::vector<TextureRecord> textureDefs;
std::uint32_t walSourceCount = 0;
std::uint32_t walTextureCount = 0;
std::vector<TextureRecord> mapTextures;
std::vector<std::string_view> mapLines;
std::vector<std::uint32_t> mapLineNumbers;
std::vector<MapSection> mapSections;
std::vector<FixNote> fixNotes;
std::vector<BrushFix> brushFixes;
std::string mapBytes;
std::vector<std::size_t> mapLineStarts;
std::vector<std::uint8_t> mapLineChanged;
std::vector<FaceSpots> mapSpotsAsRead;
std::vector<FaceChange> faceChanges;
std::string mapHeader;
std::uint32_t brushDefBlocks = 0;
std::uint32_t patchDefBlocks = 0;
std::uint32_t braceFaultLine = 0;

std::array<std::uint32_t, FLAG_COUNT + 1> flagBit{};
std::array<std::string, FLAG_COUNT + 1> surfaceFlagNames;
std::array<std::string, FLAG_COUNT + 1> contentFlagNames;
thread_local constinit FaceFieldTable faceFields;

std::uint32_t linesRead = 0;
thread_local constinit std::int32_t entityIndex = 0;
thread_local constinit std::int32_t brushIndex = 0;
thread_local constinit std::int32_t lastEntityIndex = 0;
thread_local constinit std::int32_t lastBrushIndex = 0;

bool secondThreadAllowed = true;

bool worthSecondThread() {
    constexpr std::size_t SECOND_THREAD_LINES = 32768;
    return secondThreadAllowed && mapLines.size() > SECOND_THREAD_LINES;
}

void resetState() {
    closeLog();
    runOptions = 0;
    textureDefs.clear();
    walSourceCount = 0;
    walTextureCount = 0;
    for (int i = 1; i <= FLAG_COUNT; ++i) {
        flagBit[static_cast<std::size_t>(i)] = std::uint32_t{1} << (i - 1);
        surfaceFlagNames[static_cast<std::size_t>(i)].clear();
        contentFlagNames[static_cast<std::size_t>(i)].clear();
    }
    resetMapState();
}

void resetMapState() {
    mapTextures.clear();
    mapTextureIndex.clear();
    clearMapLines();
    fixNotes.clear();
    brushFixes.clear();
    faceChanges.clear();
    faceFields.fill(std::string_view());
    linesRead = 0;
    entityIndex = 0;
    brushIndex = 0;
    lastEntityIndex = 0;
    lastBrushIndex = 0;
}

TextureRecord& addMapTexture(std::string name) {
    mapTextureIndex.emplace(name, mapTextures.size());
    TextureRecord& record = mapTextures.emplace_back();
    record.name = std::move(name);
    return record;
}

const TextureRecord* findMapTexture(std::string_view name) {
    const auto found = mapTextureIndex.find(name);
    if (found == mapTextureIndex.end()) return nullptr;
    return &mapTextures[found->second];
}

void addFixNote(std::size_t lineIndex, std::string text) {
    const std::uint32_t lineNumber = lineIndex < mapLineNumbers.size() ? mapLineNumbers[lineIndex] : 0;
    fixNotes.push_back(FixNote{lineNumber, std::move(text)});
}

void clearMapLines() {
    mapLines.clear();
    mapLineNumbers.clear();
    mapSections.clear();
    std::string().swap(mapBytes);
    mapLineStarts.clear();
    mapLineChanged.clear();
    mapSpotsAsRead.clear();
    mapHeader.clear();
    brushDefBlocks = 0;
    patchDefBlocks = 0;
    braceFaultLine = 0;
    lineChunks.clear();
    chunkFree = nullptr;
    chunkLeft = 0;
    nextChunkSize = FIRST_CHUNK_SIZE;
}

void appendMapLine(std::string_view text, std::size_t growthRoom) { mapLines.push_back(storeLine(text, growthRoom)); }

void replaceMapLine(std::size_t index, std::string_view text, FaceSpots spots) {
    std::string_view& line = mapLines[index];
    char* start = lineBytes(line);
    // A line that comes to need room for spots, or no longer does, moves too.
    if (text.size() > lineRoom(line) || hasFaceSpots(text) != hasFaceSpots(line)) {
        // Both threads of a pass may store lines that outgrew their room.
        const std::lock_guard lock(lineMemoryMutex);
        line = storeLine(text, FACE_GROWTH_ROOM);
    } else {
        std::memmove(start, text.data(), text.size());
        // What the old text leaves free becomes room to grow again.
        if (text.size() < line.size()) std::memset(start + text.size(), '\0', line.size() - text.size());
        line = std::string_view(start, text.size());
    }
    if (hasFaceSpots(line)) setFaceSpots(index, spots);
}

void replaceMapLinePart(std::size_t index, std::size_t from, std::size_t size, std::string_view text,
                        FaceSpots spots) {
    std::string_view& line = mapLines[index];
    const std::size_t newSize = line.size() - size + text.size();
    if (newSize > lineRoom(line) || from == 0) {
        // Joined aside and stored whole, which also sees to a first character
        // that changes; kept to spare an allocation each time.
        thread_local std::string joined;
        joined.assign(line.substr(0, from));
        joined += text;
        joined += line.substr(from + size);
        replaceMapLine(index, joined, spots);
        return;
    }
    char* const bytes = lineBytes(line);
    std::memmove(bytes + from + text.size(), bytes + from + size, line.size() - from - size);
    std::memcpy(bytes + from, text.data(), text.size());
    if (newSize < line.size()) std::memset(bytes + newSize, '\0', line.size() - newSize);
    line = std::string_view(bytes, newSize);
    if (hasFaceSpots(line)) setFaceSpots(index, spots);
}
