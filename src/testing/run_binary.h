#pragma once
// Test-only: runs the built brushup executable as a child process.
#include <functional>
#include <string>
#include <vector>

struct BinaryResult {
    int exitCode = -1;    // -1 when the child did not exit normally
    std::string output;   // everything it wrote to standard output
};

// Runs brushup with `arguments` in the working directory. `prepareChild`, when
// given, runs in the child just before the program starts (limits, user);
// POSIX only: on Windows a call with it fails.
BinaryResult runBinary(const std::vector<std::string>& arguments,
                       const std::function<void()>& prepareChild = nullptr);
