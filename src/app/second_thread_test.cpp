// A map large enough for a second thread ends, with every option set, byte for byte as it ends on one thread:
// the map, its backup, the log and the console (less the seconds elapsed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "map/map_file.h"
#include "testing/temp_dir.h"

namespace {

// Everything a run on the generated map leaves, on one thread or with a second one allowed.
std::string runOn(bool secondThread, const std::vector<std::string>& options) {
    TempDir dir;
    // 6 faces a brush, with mixed contents: some 130,000 lines, which the
    // passes take in eight sections, and the faces ahead in many blocks.
    EXPECT_EQ(0, std::system("'" BRUSHUP_MAP_GEN "' 100000 5 ."));
    std::vector<std::string> arguments{"brushup", "generated"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::string console;
    secondThreadAllowed = secondThread;
    captureConsole(&console);
    const int exitCode = runProgram(arguments);
    captureConsole(nullptr);
    secondThreadAllowed = true;
    console.erase(console.rfind('\n', console.rfind("seconds elapsed")));
    std::string log = readFile("brushup.log");
    log.erase(0, log.find('\n', log.find("Log date")) + 1);  // the header, which holds the time
    return std::to_string(exitCode) + console + readFile("generated.map") + readFile("generated.map.backup") + log;
}

TEST(SecondThread, LargeMapEndsAsOnOneThread) {
    const std::vector<std::vector<std::string>> optionSets{{}, {"-v", "-d", "-c"}, {"-k", "-c", "-z"}, {"-n", "-s"}};
    for (const auto& options : optionSets) {
        const std::string oneThread = runOn(false, options);
        const std::string twoThreads = runOn(true, options);
        EXPECT_TRUE(oneThread == twoThreads) << ::testing::PrintToString(options) << " differ from byte "
                                             << std::mismatch(oneThread.begin(), oneThread.end(), twoThreads.begin(),
                                                              twoThreads.end()).first - oneThread.begin();
    }
}

// A write that fails before its first piece also stops the thread forming the
// pieces, which would otherwise wait for ever for a free one.
TEST(SecondThread, FailedWriteOfLargeMapEnds) {
    TempDir dir;
    resetState();
    for (int i = 0; i < 40000; ++i) appendMapLine("( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) wall 0 0 0 1 1 0 0 0", 0);
    ASSERT_TRUE(worthSecondThread());
    std::string console;
    captureConsole(&console);
    EXPECT_FALSE(writeMap("no-such-folder/level.map", "level.map", true));
    captureConsole(nullptr);
    resetState();
}

}  // namespace
