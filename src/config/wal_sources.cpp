#include "config/wal_sources.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "app/state.h"
#include "config/config.h"
#include "config/pak_archive.h"
#include "config/texture_defaults.h"
#include "text/text.h"

namespace {

constexpr std::string_view FOLDER_UNREADABLE = "INIT_INI: Folder unreadable \"";
constexpr std::string_view FILE_UNREADABLE = "INIT_INI: File unreadable \"";
constexpr std::string_view PAK_HEADER_UNKNOWN = "INIT_INI: Pak header unknown \"";
constexpr std::string_view PAK_DIRECTORY_OUTSIDE_FILE = "INIT_INI: Pak directory outside the file \"";
constexpr std::string_view PAK_ENTRY_OUTSIDE_FILE = "INIT_INI: Pak entry outside the file \"";
constexpr std::string_view WAL_TOO_SHORT = "INIT_INI: WAL header too short \"";
constexpr std::string_view SIDECAR_TOO_LARGE = "INIT_INI: Sidecar too large \"";
constexpr std::string_view SIDECAR_NO_JSON = "INIT_INI: Sidecar not JSON \"";
constexpr std::string_view SIDECAR_UNUSABLE = "INIT_INI: Sidecar value unusable \"";
constexpr std::string_view SIDECAR_FLAG_UNKNOWN = "INIT_INI: Sidecar flag unknown \"";

constexpr std::string_view WAL_EXTENSION = ".wal";
constexpr std::string_view SIDECAR_EXTENSION = ".wal_json";
constexpr std::string_view PAK_TEXTURE_FOLDER = "textures/";
constexpr std::size_t NO_FILE = static_cast<std::size_t>(-1);
// The kinds of file a texture may have in a source.
constexpr std::uint8_t NO_TEXTURE_FILE = 0;
constexpr std::uint8_t WAL_FILE = 1;
constexpr std::uint8_t SIDECAR_FILE = 2;

// The files one source holds for a texture: their places in its file list.
struct TextureFiles {
    std::string key;
    std::size_t wal = NO_FILE;
    std::size_t sidecar = NO_FILE;
};

// What one source holds, its textures in the order they are met.
struct SourceFiles {
    const WalSource* source = nullptr;
    std::string_view configName;
    std::unordered_set<std::string> definedBefore;  // the names textureDefs held when the source began
    std::vector<std::string> shownNames;            // of each file, as messages name it
    std::vector<TextureFiles> textures;
    std::unordered_map<std::string, std::size_t> textureIndex;  // of each key, in textures
};

// Reads up to `limit` bytes from the start of file `file` of a source. False when it cannot be read.
using FileStartReader = std::function<bool(std::size_t file, std::size_t limit, std::string& bytes)>;

void report(const WalSource& source, std::string_view configName, std::string_view opening, std::string_view name) {
    printConfigMessage(opening, name, configName, source.lineNumber);
}

SourceFiles startSource(const WalSource& source, std::string_view configName) {
    SourceFiles files;
    files.source = &source;
    files.configName = configName;
    for (const TextureRecord& record : textureDefs) files.definedBefore.insert(record.name);
    return files;
}

// The length of the extension that makes `name` a .wal or a sidecar, as
// `kind` says, letter case aside; 0 for any other file.
std::size_t textureExtension(std::string_view name, std::uint8_t& kind) {
    const std::string lowerName = lowerText(name);
    kind = NO_TEXTURE_FILE;
    if (lowerName.ends_with(WAL_EXTENSION)) kind = WAL_FILE;
    if (lowerName.ends_with(SIDECAR_EXTENSION)) kind = SIDECAR_FILE;
    return kind == WAL_FILE ? WAL_EXTENSION.size() : kind == SIDECAR_FILE ? SIDECAR_EXTENSION.size() : 0;
}

// Adds the file `shownName`, at `pathBelow` below the source's root, as the
// .wal or sidecar of its texture: the first one of its kind, of a texture not
// defined before. Returns its place in the file list, or NO_FILE.
std::size_t addTextureFile(SourceFiles& files, std::string shownName, std::string_view pathBelow) {
    std::uint8_t kind = 0;
    const std::string_view stem = pathBelow.substr(0, pathBelow.size() - textureExtension(pathBelow, kind));
    if (kind == NO_TEXTURE_FILE || stem.empty() || stem.back() == '/' || stem.back() == '\\') return NO_FILE;
    std::string key = textureKey(stem);
    if (files.definedBefore.contains(key)) return NO_FILE;
    const auto [slot, added] = files.textureIndex.try_emplace(key, files.textures.size());
    if (added) files.textures.push_back(TextureFiles{std::move(key)});
    std::size_t& file = kind == WAL_FILE ? files.textures[slot->second].wal : files.textures[slot->second].sidecar;
    if (file != NO_FILE) return NO_FILE;
    file = files.shownNames.size();
    files.shownNames.push_back(std::move(shownName));
    return file;
}

bool readWalFile(const SourceFiles& files, std::size_t file, const FileStartReader& readStart, TextureRecord& record) {
    std::string bytes;
    const std::string& name = files.shownNames[file];
    if (!readStart(file, WAL_HEADER_SIZE, bytes)) {
        report(*files.source, files.configName, FILE_UNREADABLE, name);
        return false;
    }
    if (!readWalHeader(bytes, record)) {
        report(*files.source, files.configName, WAL_TOO_SHORT, name);
        return false;
    }
    return true;
}

bool readSidecarFile(const SourceFiles& files, std::size_t file, const FileStartReader& readStart,
                     TextureRecord& record) {
    std::string bytes;
    const std::string& name = files.shownNames[file];
    std::string_view problem;
    std::vector<std::string> unknownNames;
    if (!readStart(file, SIDECAR_SIZE_LIMIT + 1, bytes)) {
        problem = FILE_UNREADABLE;
    } else if (bytes.size() > SIDECAR_SIZE_LIMIT) {
        problem = SIDECAR_TOO_LARGE;
    } else {
        const std::uint8_t result = readSidecar(bytes, record, unknownNames);
        if (result == SIDECAR_NOT_JSON) problem = SIDECAR_NO_JSON;
        if (result == SIDECAR_VALUE_UNUSABLE) problem = SIDECAR_UNUSABLE;
    }
    if (!problem.empty()) report(*files.source, files.configName, problem, name);
    for (const std::string& unknown : unknownNames) {
        report(*files.source, files.configName, SIDECAR_FLAG_UNKNOWN, name + ": " + unknown);
    }
    return problem.empty();
}

// Appends a record for each texture of the source whose .wal or sidecar could
// be read; a sidecar with no .wal beside it stands alone.
void addSourceTextures(const SourceFiles& files, const FileStartReader& readStart) {
    for (const TextureFiles& texture : files.textures) {
        TextureRecord record;
        record.name = texture.key;
        bool found = texture.wal != NO_FILE && readWalFile(files, texture.wal, readStart, record);
        found = (texture.sidecar != NO_FILE && readSidecarFile(files, texture.sidecar, readStart, record)) || found;
        if (!found) continue;
        textureDefs.push_back(std::move(record));
        ++walTextureCount;
    }
}

// `name` in `folder`, joined by "/" unless either is empty or the folder ends with a separator.
std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && !name.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    path += name;
    return path;
}

// The paths below the source's folder, at any depth, of its .wal and sidecar
// files, in name order, so that every system meets them alike.
std::vector<std::string> texturePathsBelow(const WalSource& source, std::string_view configName) {
    std::vector<std::string> pathsBelow;
    std::vector<std::string> foldersLeft{""};
    while (!foldersLeft.empty()) {
        const std::string below = std::move(foldersLeft.back());
        foldersLeft.pop_back();
        const std::string folder = joinPath(source.path, below);
        std::vector<std::string> subfolders;
        const bool listed = listFolder(folder, [&](std::string_view name, std::uint8_t kind) {
            std::uint8_t textureKind = 0;
            if (kind == FOLDER_ENTRY_FOLDER) subfolders.push_back(joinPath(below, name));
            if (kind == FOLDER_ENTRY_FILE && textureExtension(name, textureKind) > 0) {
                pathsBelow.push_back(joinPath(below, name));
            }
        });
        if (!listed) report(source, configName, FOLDER_UNREADABLE, folder);
        // Taken from the back, so in name order too.
        std::sort(subfolders.rbegin(), subfolders.rend());
        std::move(subfolders.begin(), subfolders.end(), std::back_inserter(foldersLeft));
    }
    std::sort(pathsBelow.begin(), pathsBelow.end());
    return pathsBelow;
}

void readFolderTextures(const WalSource& source, std::string_view configName) {
    SourceFiles files = startSource(source, configName);
    for (const std::string& below : texturePathsBelow(source, configName)) {
        addTextureFile(files, joinPath(source.path, below), below);
    }
    addSourceTextures(files, [&files](std::size_t file, std::size_t limit, std::string& bytes) {
        bool read = false;
        const bool opened = readFileParts(files.shownNames[file], [&](std::uint64_t, const PartReader& readPart) {
            read = readPart(0, limit, bytes);
        });
        return opened && read;
    });
}

}  // namespace

void readPakTextures(const WalSource& source, std::uint64_t size, const PartReader& readPart,
                     std::string_view configName) {
    SourceFiles files = startSource(source, configName);
    std::vector<PakEntry> entries;  // of each file in the file list
    const std::uint8_t read = readPakDirectory(size, readPart, [&](const PakEntry& entry) {
        std::string folder = lowerText(std::string_view(entry.name).substr(0, PAK_TEXTURE_FOLDER.size()));
        std::replace(folder.begin(), folder.end(), '\\', '/');
        std::uint8_t kind = 0;
        if (folder != PAK_TEXTURE_FOLDER || textureExtension(entry.name, kind) == 0) return;
        const std::string shownName = source.path + ":" + entry.name;
        if (std::uint64_t{entry.offset} + entry.length > size) {
            report(source, configName, PAK_ENTRY_OUTSIDE_FILE, shownName);
            return;
        }
        const std::size_t file = addTextureFile(files, shownName, std::string_view(entry.name).substr(folder.size()));
        if (file != NO_FILE) entries.push_back(entry);
    });
    if (read == PAK_UNREADABLE) report(source, configName, FILE_UNREADABLE, source.path);
    if (read == PAK_NOT_A_PAK) report(source, configName, PAK_HEADER_UNKNOWN, source.path);
    if (read == PAK_DIRECTORY_OUTSIDE) report(source, configName, PAK_DIRECTORY_OUTSIDE_FILE, source.path);
    // What the directory gave before it failed is read all the same.
    addSourceTextures(files, [&](std::size_t file, std::size_t limit, std::string& bytes) {
        return readPart(entries[file].offset, std::min<std::size_t>(limit, entries[file].length), bytes);
    });
}

void readWalSources(const std::vector<WalSource>& sources, std::string_view configName) {
    for (const WalSource& source : sources) {
        ++walSourceCount;
        if (!source.pak) {
            readFolderTextures(source, configName);
            continue;
        }
        const bool opened = readFileParts(source.path, [&](std::uint64_t size, const PartReader& readPart) {
            readPakTextures(source, size, readPart, configName);
        });
        if (!opened) report(source, configName, FILE_UNREADABLE, source.path);
    }
}
