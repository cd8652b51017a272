#pragma once
// What the harnesses share: each input is tried in a fresh working folder, with a clean state and the console
// captured. A broken invariant aborts, so libFuzzer keeps the input.
#include <cstdlib>
#include <string>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

inline void require(bool holds) {
    if (!holds) std::abort();
}

struct FuzzRun {
    TempDir dir;
    std::string console;
    FuzzRun() { resetState(), captureConsole(&console); }
    ~FuzzRun() { captureConsole(nullptr); }
};
