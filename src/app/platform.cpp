#include "app/platform.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/read_ahead.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "text/text.h"
#else
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#endif

std::string_view finalComponent(std::string_view name) {
#ifdef _WIN32
    const std::size_t slash = name.find_last_of("/\\");
#else
    const std::size_t slash = name.find_last_of('/');
#endif
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

namespace {

// What a temporary file's name adds to the name of the file it will replace,
// before its unique part.
constexpr char TEMP_SUFFIX[] = ".brushup-";

#ifndef _WIN32

// Directory of `name` with its separator ("dir/"), or "" for the working directory.
std::string directoryPart(const std::string& name) {
    const std::string_view last = finalComponent(name);
    return name.substr(0, name.size() - last.size());
}

// On POSIX a hidden entry is one whose name starts with ".".
bool isHiddenName(std::string_view name) {
    const std::string_view last = finalComponent(name);
    return !last.empty() && last.front() == '.';
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Permission bits for a new file: what the user's umask leaves of rw-rw-rw-.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// Links followed before a chain of them counts as a loop.
constexpr int MAX_LINK_HOPS = 40;

// The path a write to `name` must replace: the file at the end of its chain of
// links (which may not exist yet), else `name` itself. Replacing the link would
// turn it into a plain file. False for a chain that loops or cannot be read.
bool replacementTarget(const std::string& name, std::string& target) {
    target = name;
    for (int hops = 0; hops < MAX_LINK_HOPS; ++hops) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) return false;
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : directoryPart(target) + link;
    }
    return false;
}

// Whether `name` is a plain file: opening a FIFO would wait for a writer.
bool isPlainFile(const std::string& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The size of the open file, when it is a plain file.
bool plainFileSize(std::FILE* file, std::uint64_t& size) {
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool seekTo(std::FILE* file, std::uint64_t offset) { return ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

void syncDirectory(const std::string& directory) {
    const int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: some file systems refuse it for directories
    ::close(fd);
}

#else

// Windows opens a device, not a file, for a final component whose part before
// its first dot is a device name, whatever its folder and extension: "con.map"
// is the console.
bool isDeviceName(std::string_view name) {
    std::string_view stem = finalComponent(name);
    stem = stem.substr(0, stem.find('.'));
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
        const std::string port = lowerText(stem.substr(0, 3));
        return port == "com" || port == "lpt";
    }
    const std::string device = lowerText(stem);
    return device == "con" || device == "prn" || device == "aux" || device == "nul";
}

// Whether `name` is a plain file, as the same ANSI name that fopen takes finds it.
bool isPlainFile(const std::string& name) {
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool plainFileSize(std::FILE* file, std::uint64_t& size) {
    struct _stat64 info {};
    if (::_fstat64(::_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool seekTo(std::FILE* file, std::uint64_t offset) {
    return ::_fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

#endif

}  // namespace

#ifndef _WIN32

void preparePlatform() { std::signal(SIGXFSZ, SIG_IGN); }

bool plainFileCounts(const std::string& name, bool allowReadOnly) {
    struct stat info {};
    if (name.empty() || ::stat(name.c_str(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) return false;
    if (isHiddenName(name)) return false;
    return allowReadOnly || !isReadOnlyFile(name);
}

bool isReadOnlyFile(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return false;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(name.c_str(), W_OK) != 0;
}

bool replaceFileInPieces(const std::string& name, const std::function<std::string_view()>& nextPiece) {
    std::string target;
    if (!replacementTarget(name, target)) return false;
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    // Renaming over a device, FIFO or socket would replace the node itself.
    if (exists && !S_ISREG(info.st_mode)) return false;
    const mode_t mode = exists ? static_cast<mode_t>(info.st_mode & 07777) : newFileMode();

    // Named after the file it replaces, so one left by a crash tells where it came from.
    std::string tempName = target + TEMP_SUFFIX + "XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) return false;
    // Keep the owner where allowed (only root may give a file away; otherwise
    // the writer owns the new file). The permission bits come after, as a
    // change of owner may clear some of them.
    if (exists) {
        const int ownerKept = ::fchown(fd, info.st_uid, info.st_gid);
        static_cast<void>(ownerKept);
    }
    bool written = ::fchmod(fd, mode) == 0;
    for (std::string_view piece = nextPiece(); written && !piece.empty(); piece = nextPiece()) {
        written = writeAll(fd, piece);
    }
    written = written && ::fsync(fd) == 0;
    written = (::close(fd) == 0) && written;
    if (!written || ::rename(tempName.c_str(), target.c_str()) != 0) {
        ::unlink(tempName.c_str());
        return false;
    }
    syncDirectory(directoryPart(target));
    return true;
}

bool listFolder(const std::string& folder,
                const std::function<void(std::string_view name, std::uint8_t kind)>& takeEntry) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        std::error_code statusError;
        std::uint8_t kind = FOLDER_ENTRY_OTHER;
        if (fs::is_directory(entry->symlink_status(statusError))) {
            kind = FOLDER_ENTRY_FOLDER;
        } else if (entry->is_regular_file(statusError)) {
            kind = FOLDER_ENTRY_FILE;
        }
        takeEntry(entry->path().filename().native(), kind);
    }
    return !error;
}

void adviseLargePages(void* memory, std::size_t size) {
#ifdef MADV_HUGEPAGE
    // The advice covers whole pages only.
    const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(memory) + pageSize - 1) / pageSize * pageSize;
    const auto end = reinterpret_cast<std::uintptr_t>(memory) + size;
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    static_cast<void>(memory);
    static_cast<void>(size);
#endif
}

LocalTime readLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

#else

// Standard output in text mode would turn each "\r\n" the program writes into
// "\r\r\n"; the program writes its own line ends.
void preparePlatform() { ::_setmode(::_fileno(stdout), _O_BINARY); }

bool plainFileCounts(const std::string& name, bool allowReadOnly) {
    if (name.empty() || isDeviceName(name)) return false;
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    DWORD refused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    if (!allowReadOnly) refused |= FILE_ATTRIBUTE_READONLY;
    return (attributes & refused) == 0;
}

bool isReadOnlyFile(const std::string& name) {
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool replaceFileInPieces(const std::string& name, const std::function<std::string_view()>& nextPiece) {
    std::string tempName = name + TEMP_SUFFIX + "XXXXXX";
    if (::_mktemp_s(tempName.data(), tempName.size() + 1) != 0) return false;
    // The C runtime MinGW links against refuses fopen's "x" on Windows (Wine
    // accepts it); _O_EXCL gives the same promise everywhere.
    const int fd = ::_open(tempName.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        ::_close(fd);
        std::remove(tempName.c_str());
        return false;
    }
    bool written = true;
    for (std::string_view piece = nextPiece(); written && !piece.empty(); piece = nextPiece()) {
        written = std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    }
    written = written && std::fflush(file) == 0 && ::_commit(::_fileno(file)) == 0;
    written = (std::fclose(file) == 0) && written;
    if (!written ||
        !::MoveFileExA(tempName.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        std::remove(tempName.c_str());
        return false;
    }
    return true;
}

bool listFolder(const std::string& folder,
                const std::function<void(std::string_view name, std::uint8_t kind)>& takeEntry) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const std::string_view name = found.cFileName;
        if (name == "." || name == "..") continue;
        const DWORD attributes = found.dwFileAttributes;
        std::uint8_t kind = FOLDER_ENTRY_OTHER;
        // A junction or folder link could lead back up the tree.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) kind = FOLDER_ENTRY_FOLDER;
        } else if ((attributes & FILE_ATTRIBUTE_DEVICE) == 0) {
            kind = FOLDER_ENTRY_FILE;
        }
        takeEntry(name, kind);
    } while (::FindNextFileA(search, &found));
    const bool complete = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(search);
    return complete;
}

void adviseLargePages(void*, std::size_t) {}

LocalTime readLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_s(&parts, &now);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

#endif

bool replaceFile(const std::string& name, std::string_view bytes) {
    bool handedOut = false;
    return replaceFileInPieces(name, [&]() -> std::string_view {
        if (handedOut) return {};
        handedOut = true;
        return bytes;
    });
}

bool readFileInPieces(const std::string& name, const PieceTaker& takePiece, bool readAhead) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    const bool complete = readAhead ? readPiecesAhead(file, takePiece) : readPieces(file, takePiece);
    std::fclose(file);
    return complete;
}

bool readFileParts(const std::string& name,
                   const std::function<void(std::uint64_t size, const PartReader& readPart)>& useFile) {
    if (!isPlainFile(name)) return false;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    std::uint64_t size = 0;
    if (!plainFileSize(file, size)) {
        std::fclose(file);
        return false;
    }
    useFile(size, [file, size](std::uint64_t offset, std::size_t count, std::string& bytes) {
        bytes.clear();
        if (offset >= size) return true;
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset)));
        if (!seekTo(file, offset)) return false;
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        return std::ferror(file) == 0;
    });
    std::fclose(file);
    return true;
}

std::size_t fileSizeHint(const std::string& name) {
    std::error_code error;
    const auto size = std::filesystem::file_size(name, error);
    return error ? 0 : static_cast<std::size_t>(size);
}

bool readWholeFile(const std::string& name, std::string& bytes) {
    bytes.clear();
    bytes.reserve(fileSizeHint(name));
    return readFileInPieces(name, [&](std::string_view piece) {
        bytes += piece;
        return true;
    });
}
