// The built program as a process of its own: its standard output, and runs killed with SIGKILL at moments
// spread over a whole run on a large generated map, whose backup must hold it line for line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "testing/temp_dir.h"

#ifdef __SANITIZE_ADDRESS__
constexpr int FACES = 30000, KILLS = 12;  // the sanitizers slow every run several times over
#else
constexpr int FACES = 200000, KILLS = 24;
#endif

// Each line end leaves as exactly CR LF.
TEST(Process, StandardOutputPassesLineEndsUnchanged) {
    std::FILE* program = ::popen("'" BRUSHUP_BINARY "' missing", "r");
    std::string output(256, '\0');
    output.resize(std::fread(output.data(), 1, output.size(), program));
    EXPECT_EQ(1, WEXITSTATUS(::pclose(program)));
    EXPECT_EQ("brushup " BRUSHUP_VERSION "\r\n\r\nERROR: missing.map not found!\r\n", output);
}

// After each kill the map is its old bytes or its new ones, and a backup there is complete.
TEST(Process, AKilledRunLeavesTheOldMapOrTheNewOneWithItsBackup) {
    TempDir dir;
    ASSERT_EQ(0, std::system(("'" BRUSHUP_MAP_GEN "' " + std::to_string(FACES) + " 11 .").c_str()));
    const std::string oldMap = readFile("generated.map");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, std::system("'" BRUSHUP_BINARY "' generated -c >/dev/null"));
    const auto runTime = std::chrono::steady_clock::now() - start;
    const std::string newMap = readFile("generated.map"), backup = readFile("generated.map.backup");
    EXPECT_EQ("\r\n" + oldMap, backup);  // map_gen writes the written form, less its empty first line
    for (int attempt = 0; attempt < KILLS; ++attempt) {
        writeFile("generated.map", oldMap);
        std::filesystem::remove("generated.map.backup");
        const pid_t child = ::fork();
        if (child == 0) ::_exit((::close(1), ::execl(BRUSHUP_BINARY, "brushup", "generated", "-c", nullptr)));
        // Spread a little past the whole run, so that its last moments are met too.
        std::this_thread::sleep_for(runTime * 11 * (attempt + 1) / (10 * KILLS));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string map = readFile("generated.map"), backupNow = readFile("generated.map.backup");
        EXPECT_TRUE(map == oldMap || map == newMap) << "kill " << attempt;
        EXPECT_TRUE((map != newMap && backupNow == "<missing>") || backup == backupNow) << "kill " << attempt;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            if (entry.path().string().find(".brushup-") != std::string::npos) std::filesystem::remove(entry);
        }
    }
}
