#include "app/output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/state.h"
#include "testing/state_test_base.h"

namespace {

using Output = StateTest;

TEST_F(Output, ConsoleLinesEndInCrLfAndOpeningTextsContinueTheLine) {
    printText("Fixing content... ");
    printLine("done (0 brush fixed)");
    printLine("");
    printVerbose("hidden without -verbose");
    runOptions = OPT_VERBOSE;
    printVerbose("shown");
    EXPECT_EQ("Fixing content... done (0 brush fixed)\r\n\r\nshown\r\n", console);
}

TEST_F(Output, LogIsOnlyWrittenWithDumpAndOnlyAppended) {
    logLine("dropped");
    EXPECT_FALSE(fileExists("brushup.log"));
    writeFile("brushup.log", "earlier run\r\n");
    runOptions = OPT_DUMP;
    logLine("first");
    logLine("");
    logLine("last");
    EXPECT_EQ("earlier run\r\nfirst\r\n\r\nlast\r\n", readFile("brushup.log"));
    EXPECT_EQ("", console);
}

TEST_F(Output, LogThatCannotBeOpenedLosesTheLineSilently) {
    ::mkdir("brushup.log", 0777);
    runOptions = OPT_DUMP;
    logLine("lost");
    EXPECT_EQ("", console);
}

}  // namespace
