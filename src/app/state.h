#pragma once
// Values that live for the whole run; defined in state.cpp.
//
// Numbering: the fixed tables are numbered from 1 and get one slot more than
// they hold, with slot 0 unused (flagBit[1] .. flagBit[32], faceFields[1] ..
// faceFields[12]). The growable tables are plain vectors: entry i of a table
// sits at index i - 1, and only the counts of those tables are ever shown.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

struct TextureRecord {
    std::string name;                // texture key: lower case, normalised
    std::uint32_t contentFlags = 0;
    std::uint32_t surfaceFlags = 0;
    std::uint8_t defined = 0;        // 1 once a definition matched (mapTextures only)
};

// A change a -check run would make: the map's physical line it is due at
// (from 1) and what would change, in the words of the log.
struct FixNote {
    std::uint32_t lineNumber = 0;
    std::string text;
};

// A face whose flags (or NULL texture) the passes changed from what was read:
// its kept line, its content and surface flag sets as read and as written, and
// which of its fields differ (FACE_*_CHANGED bits).
struct FaceChange {
    std::size_t lineIndex = 0;
    std::uint32_t oldContent = 0;
    std::uint32_t newContent = 0;
    std::uint32_t oldSurface = 0;
    std::uint32_t newSurface = 0;
    std::uint8_t changed = 0;
};
constexpr std::uint8_t FACE_CONTENT_CHANGED = 1;
constexpr std::uint8_t FACE_SURFACE_CHANGED = 2;
constexpr std::uint8_t FACE_TEXTURE_CHANGED = 4;

// A brush a -check run gave one content: its "{" line, its last line and what
// the log says of it. It is due only when one of its faces' content changes.
struct BrushFix {
    std::size_t openIndex = 0;
    std::size_t endIndex = 0;
    std::string text;
};

constexpr std::uint8_t OPT_VERBOSE = 1;
constexpr std::uint8_t OPT_NOSURF = 2;
constexpr std::uint8_t OPT_NONULL = 4;
constexpr std::uint8_t OPT_DUMP = 8;
constexpr std::uint8_t OPT_CONTENT = 16;
constexpr std::uint8_t OPT_ZERO = 32;
constexpr std::uint8_t OPT_CHECK = 64;
constexpr std::uint8_t OPT_PRESERVE = 128;

constexpr int FLAG_COUNT = 32;
constexpr int FACE_FIELD_COUNT = 12;

// Face field numbers, as a face line lists them.
constexpr int FIELD_TEXTURE = 4;
constexpr int FIELD_CONTENT = 10;
constexpr int FIELD_SURFACE = 11;

// The texture that "null" faces stand for unless -nonull is given.
inline constexpr std::string_view NULL_TEXTURE_STANDIN = "common/0_sky1";

extern std::uint8_t runOptions;

extern std::vector<TextureRecord> textureDefs;  // from the configuration, file order, then from [WAL]
// The folders and paks brushup.ini's [WAL] names, and the textureDefs records
// their textures gave.
extern std::uint32_t walSourceCount;
extern std::uint32_t walTextureCount;
extern std::vector<TextureRecord> mapTextures;   // distinct textures of the map, first-use order
// The kept lines of the map, file order. They view memory of their own that
// appendMapLine and replaceMapLine fill and clearMapLines frees.
extern std::vector<std::string_view> mapLines;
extern std::vector<std::uint32_t> mapLineNumbers;  // with -check: physical line of each mapLines entry, from 1
extern std::vector<FixNote> fixNotes;              // with -check: every change due, in the order found
extern std::vector<BrushFix> brushFixes;           // with -check: every brush given one content, file order

// The map as read, which -check and -preserve compare the passes' work with:
// its bytes (a byte order mark included), where in them each kept line's
// physical line starts, and which kept lines a pass has stored anew (1);
// mapSpotsAsRead, below, has the spots such a line had as read.
extern std::string mapBytes;
extern std::vector<std::size_t> mapLineStarts;
extern std::vector<std::uint8_t> mapLineChanged;
extern std::vector<FaceChange> faceChanges;  // file order; filled after the passes

// The editor's header: a first line "// Game: ..." and a "// Format: ..." line
// first or after it, each with CR LF, which the written map starts with.
extern std::string mapHeader;

// Kept lines that begin with "brushDef" and with "patchDef": blocks whose
// faces no pass reads.
extern std::uint32_t brushDefBlocks;
extern std::uint32_t patchDefBlocks;

// The physical line (from 1) readMap's MAP_STRAY_CLOSE or MAP_OPEN_BLOCK is about.
extern std::uint32_t braceFaultLine;

// Where the fields the passes read (texture, content, surface) stand in a kept
// line, once a split has found them: a later pass then need not split the line
// again. All 0 while not known; `texture` is FACE_SPOTS_NO_FACE when the line is
// no face line. Only a line that opens with "(" has spots (hasFaceSpots): they
// are kept in the lines' memory just before its text, so a line of another
// kind, seldom a face, costs no room for them and is split whenever needed.
struct FaceSpots {
    std::uint16_t texture = 0;
    std::uint16_t content = 0;
    std::uint16_t surface = 0;
    std::uint8_t textureSize = 0;
    std::uint8_t contentSize = 0;
    std::uint8_t surfaceSize = 0;
    std::uint8_t rebuilt = 0;  // 1 when the line is as a face rebuild left it
};
constexpr std::uint16_t FACE_SPOTS_NO_FACE = 0xFFFF;

// With -check or -preserve: the spots each kept line that a pass stored anew
// had as read (all 0 where they were not known).
extern std::vector<FaceSpots> mapSpotsAsRead;

// Whether kept line `line` has spots: whether it opens with "(". A face line
// keeps its first character when it is rebuilt.
inline bool hasFaceSpots(std::string_view line) { return !line.empty() && line.front() == '('; }

// The spots of kept line `index`, which has them. Inline, as every pass reads
// and writes them; the lines' memory is state.cpp's own, which mapLines only
// shows read-only.
inline FaceSpots faceSpotsOf(std::size_t index) {
    FaceSpots spots;
    std::memcpy(&spots, mapLines[index].data() - sizeof(FaceSpots), sizeof(FaceSpots));
    return spots;
}
inline void setFaceSpots(std::size_t index, const FaceSpots& spots) {
    std::memcpy(const_cast<char*>(mapLines[index].data()) - sizeof(FaceSpots), &spots, sizeof(FaceSpots));
}

// A section of the map: the kept lines from `begin` to the next section's
// begin (or the end), which a pass can work on apart from the others, as the
// walk is in no brush before its first line. `depth`, `entityIndex` and
// `brushIndex` are the walk's before that line.
struct MapSection {
    std::size_t begin = 0;
    std::uint8_t depth = 0;
    std::int32_t entityIndex = 0;
    std::int32_t brushIndex = 0;
};
// A section takes at least this many lines, and ends at the first place after
// them that no brush holds: a pass's threads take a section at a time.
constexpr std::size_t SECTION_LINES = 4096;
extern std::vector<MapSection> mapSections;  // file order; filled as the map is read

extern std::array<std::uint32_t, FLAG_COUNT + 1> flagBit;        // [i] = 2^(i-1)
extern std::array<std::string, FLAG_COUNT + 1> surfaceFlagNames;
extern std::array<std::string, FLAG_COUNT + 1> contentFlagNames;

// The fields of the face line last split, as views into that line (or into a
// text a pass put there). Valid until the next split or until the line changes.
// Each thread that works on faces has its own, as it has its own walk indices.
using FaceFieldTable = std::array<std::string_view, FACE_FIELD_COUNT + 1>;
extern thread_local constinit FaceFieldTable faceFields;

extern std::uint32_t linesRead;
extern thread_local constinit std::int32_t entityIndex;
extern thread_local constinit std::int32_t brushIndex;
extern thread_local constinit std::int32_t lastEntityIndex;
extern thread_local constinit std::int32_t lastBrushIndex;

// Whether work on a large map may take a second thread: always, but in tests
// that work on a map on one thread to compare. A switch of the process, which
// resetState leaves as it is.
extern bool secondThreadAllowed;

// True when the map is large enough that a second thread pays: handing work
// to it and back, and the memory its own tables take, cost about as much as
// the work on some tens of thousands of lines.
bool worthSecondThread();

// Empties every table, zeroes every counter and option and fills flagBit.
// The run calls it at start-up; tests call it in SetUp().
void resetState();

// Empties the tables and counters of one map (mapLines and every table beside
// it, mapTextures, fixNotes, brushFixes, faceChanges, faceFields, linesRead and the indices),
// keeping the options and the configuration. A run calls it before each further map.
void resetMapState();

// Appends a new record named `name` to mapTextures and indexes it.
TextureRecord& addMapTexture(std::string name);

// The mapTextures record named exactly `name`, or nullptr when there is none.
const TextureRecord* findMapTexture(std::string_view name);

// Adds to fixNotes a change due at mapLines[lineIndex], at that line's physical line.
void addFixNote(std::size_t lineIndex, std::string text);

// Room to grow a stored face line gets, so the passes seldom have to move a
// face: a rebuild mostly shortens the other fields ("0.500000" becomes "0.5")
// about as much as the flag fields grow. A face that outgrows it is copied anew.
constexpr std::size_t FACE_GROWTH_ROOM = 10;

// Empties mapLines and the tables beside it (mapLineNumbers, mapSections, the
// map as read, mapHeader and the block counts) and frees the memory the lines
// (and their spots) live in.
void clearMapLines();

// Copies `text` into the lines' memory, with `growthRoom` bytes to grow in, and
// appends it to mapLines, with its spots not known.
void appendMapLine(std::string_view text, std::size_t growthRoom);

// Makes `text` kept line `index`, with `spots` as its spots (when it has
// them): in the old line's place when it fits in the line and its room to grow
// and has spots as the old line has, otherwise copied anew with FACE_GROWTH_ROOM.
void replaceMapLine(std::size_t index, std::string_view text, FaceSpots spots = {});

// Replaces bytes `from` to `from + size` of kept line `index` with `text`, and
// makes `spots` its spots: in the line's place, moving only what follows the
// part, when the line fits in its room to grow; otherwise as replaceMapLine.
void replaceMapLinePart(std::size_t index, std::size_t from, std::size_t size, std::string_view text,
                        FaceSpots spots);
