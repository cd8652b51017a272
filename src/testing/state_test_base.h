#pragma once
// Test-only: the base of every fixture that touches program state. Each test
// starts from a clean state in a private working directory, with the console
// captured into `console`.
#include <gtest/gtest.h>

#include <string>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

class StateTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
    }
    void TearDown() override { captureConsole(nullptr); }

    TempDir dir;
    std::string console;
};
