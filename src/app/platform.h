#pragma once
// The few services the program needs from the operating system: the existence
// test, whole-file reading, safe file replacement and the local time.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/read_ahead.h"

// Prepares the process: a file-size limit makes writes fail with an error the
// program reports, instead of ending the process; on Windows, standard output
// passes bytes through unchanged.
void preparePlatform();

// The final component of a path: what follows the last "/" (and, on Windows,
// the last "\").
std::string_view finalComponent(std::string_view name);

// The existence test. True when `name` is a plain file (after following links;
// devices, FIFOs and sockets do not count) that is not hidden (a name starting
// with "."), and, unless `allowReadOnly`, not read-only. Directories never count.
// On Windows the file's attributes decide: directory, hidden, system and device
// entries never count, read-only ones only with `allowReadOnly`; nor does a name
// whose final component before its first dot is a device name (CON, PRN, AUX,
// NUL, COM1 to COM9, LPT1 to LPT9, any letter case).
bool plainFileCounts(const std::string& name, bool allowReadOnly);

// True when `name` exists and has no write permission bit at all, or this
// process may not write it.
bool isReadOnlyFile(const std::string& name);

// Reads the file piece by piece, in order, handing each piece (never an empty
// one) to `takePiece`, which returns false to stop early; with `readAhead`, the
// pieces are read on a second thread (readPiecesAhead). False when the file
// cannot be opened or read.
bool readFileInPieces(const std::string& name, const PieceTaker& takePiece, bool readAhead = false);

// The size of the file in bytes; 0 when it cannot be told.
std::size_t fileSizeHint(const std::string& name);

// Reads the whole file into `bytes`. False when it cannot be opened or read.
bool readWholeFile(const std::string& name, std::string& bytes);

// Reads up to `size` bytes from `offset` of an open file into `bytes`: fewer
// only where the file ends. False when the read fails.
using PartReader = std::function<bool(std::uint64_t offset, std::size_t size, std::string& bytes)>;

// Opens the plain file `name`, hands its size and a reader of its parts to
// `useFile`, and closes it: an archive is read a few parts at a time, never
// whole. False, without calling `useFile`, when `name` is no plain file or
// cannot be opened.
bool readFileParts(const std::string& name,
                   const std::function<void(std::uint64_t size, const PartReader& readPart)>& useFile);

// What listFolder tells of an entry.
constexpr std::uint8_t FOLDER_ENTRY_OTHER = 0;
constexpr std::uint8_t FOLDER_ENTRY_FILE = 1;    // a plain file, also through a link
constexpr std::uint8_t FOLDER_ENTRY_FOLDER = 2;  // a folder, not through a link, so a walk cannot loop

// Hands the name of every entry of `folder` (but "." and "..") and its kind to
// `takeEntry`, in the order the system lists them. False when the folder
// cannot be listed, or not to its end.
bool listFolder(const std::string& folder,
                const std::function<void(std::string_view name, std::uint8_t kind)>& takeEntry);

// Writes `bytes` into a temporary file beside `name`, flushes it to disk and
// renames it over `name`, keeping the permission bits (and, where allowed, the
// owner) `name` had. A link is followed, so the file it points to is replaced
// and the link stays. False on any failure, and for a `name` that exists but is
// no plain file: then `name` is as it was and no temporary file is left.
// Prints nothing.
bool replaceFile(const std::string& name, std::string_view bytes);

// replaceFile with the bytes handed out piece by piece by `nextPiece`, until it
// hands out an empty piece; a large file then never has to be in memory whole.
bool replaceFileInPieces(const std::string& name, const std::function<std::string_view()>& nextPiece);

// Asks the system to back the `size` bytes from `memory` on with large pages
// where it can: a large map's lines then cost a few hundred page faults instead
// of tens of thousands. Only advice: where it is not taken, nothing changes.
void adviseLargePages(void* memory, std::size_t size);

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local date and time of day.
LocalTime readLocalTime();
