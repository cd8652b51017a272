#pragma once
// What the libFuzzer harnesses share: a private folder to work in and checks
// that stop the fuzzer on a broken invariant.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"

// A failed check is a finding: abort, so libFuzzer keeps the input.
inline void require(bool holds) {
    if (!holds) std::abort();
}

inline void writeBytes(const char* name, std::string_view bytes) {
    std::FILE* file = std::fopen(name, "wb");
    require(file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
}

inline std::string readBytes(const char* name) {
    std::string bytes;
    return readWholeFile(name, bytes) ? bytes : "<missing>";
}

// Enters the harness's folder (made once under TMPDIR, removed at exit) with a
// clean state and the console captured, and goes back when it ends: libFuzzer
// keeps using the corpus paths it was given, relative to where it started.
struct FuzzFolder {
    std::filesystem::path home = std::filesystem::current_path();
    std::string console;
    FuzzFolder() {
        static const std::filesystem::path folder = [] {
            std::string name = (std::filesystem::temp_directory_path() / "brushup-fuzz-XXXXXX").string();
            require(::mkdtemp(name.data()) != nullptr);
            std::atexit([] { std::filesystem::remove_all(folder); });
            return std::filesystem::path(name);
        }();
        std::filesystem::current_path(folder);
        for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove(entry);
        resetState();
        captureConsole(&console);
    }
    ~FuzzFolder() {
        captureConsole(nullptr);
        std::filesystem::current_path(home);
    }
};
