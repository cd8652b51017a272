#pragma once
// Test-only helpers: a scoped temporary directory and whole-file access.
#include <string>
#include <string_view>

// Makes a fresh directory in "brushup-tests" under the system's temporary folder the working directory; on
// destruction goes back and removes it. The first one a process makes removes those of processes that ended
// without removing theirs.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path, previous;  // the directory, and the working directory before
};

// Writes `bytes` to `name` exactly, making its folders first.
void writeFile(const std::string& name, std::string_view bytes);
// The whole content of `name`, or "<missing>" when it cannot be read.
std::string readFile(const std::string& name);
