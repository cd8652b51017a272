#include "app/run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "app/output.h"
#include "app/state.h"
#include "testing/run_binary.h"
#include "testing/state_test_base.h"

namespace {

const std::string BANNER = std::string("brushup ") + BRUSHUP_VERSION + "\r\n\r\n";

const std::string USAGE =
    "usage:  BRUSHUP.EXE filename[.MAP] [commands]\r\n"
    "   -h (-help)          This help message\r\n"
    "   -v (-verbose)       Display details\r\n"
    "   -d (-dump)          Dump additional info to brushup.log\r\n"
    "   -n (-nonull)        Do not replace NULL with common/0_sky1\r\n"
    "   -s (-nosurf)        Do not replace existing surface flags\r\n"
    "   -c (-content)       Enable auto-content\r\n"
    "   -z (-zero)          Do not ignore null content flag\r\n";

const std::string NO_CONFIG = "---- Initialization ----\r\nLoading brushup.ini...\r\nbrushup.ini not found!\r\n";

const std::string CONFIG = R"([SURFACE]
FLAG1 = soft
FLAG2 = echo
[CONTENT]
FLAG1 = rock
FLAG3 = mist
FLAG28 = grain
[TEXTURES]
walls/brick_02 = soft echo rock
common/0_sky1 = echo mist
)";

const std::string MAP = R"(// level
{
"classname" "worldspawn"
  // brush one
  {
    ( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) Walls/Brick_02 0 0 0 1 1 0 0 0
    ( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) walls/brick_02 0 0 0 0.500000 0.5 1 3 0
    ( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) NULL 0 0 0 1 1 0 0 0
  }
  {
    ( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) stone/undefined 0 0 0 1 1 134217728 0 0
    ( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) stone/undefined 0 0 0 1 1 0 0 0
  }
}
)";

class Run : public StateTest {
protected:

    int run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "brushup");
        return runProgram(arguments);
    }
};

TEST_F(Run, ArgumentLoopUsageWarningsAndTheMapNameRule) {
    ::mkdir("old.maps", 0777);
    ::mkdir("dir.map", 0777);
    for (const char* name : {"level.map", "e1.v2.map", "old.maps/level.map", "Level.MAP", ".hidden.map", "b.map"}) {
        writeFile(name, "{\n}\n");
    }
    const std::string badExtension = "ERROR: Source file must be .MAP!\r\n";
    const std::string verboseEcho = "---- Settings ----\r\n -verbose enabled (display more info)\r\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string expected;
        int exitCode;
    };
    const Case cases[] = {
        {{}, USAGE, 0},
        {{""}, USAGE, 0},
        {{"   "}, USAGE, 0},
        {{"-HELP", "level"}, USAGE, 0},
        {{"-v", "-h", "-x"}, USAGE, 0},
        {{"level"}, NO_CONFIG, 1},
        {{"./level.map"}, NO_CONFIG, 1},
        {{"e1.v2.map"}, NO_CONFIG, 1},
        {{"old.maps/level"}, NO_CONFIG, 1},
        {{"Level.MAP"}, NO_CONFIG, 1},
        {{"  level.map  "}, NO_CONFIG, 1},
        {{"level.txt"}, badExtension, 1},
        {{"level."}, badExtension, 1},
        {{"old.maps/level.txt"}, badExtension, 1},
        {{"MISSING.Map"}, "ERROR: missing.map not found!\r\n", 1},
        {{"dir.map"}, "ERROR: dir.map not found!\r\n", 1},
        {{".hidden.map"}, "ERROR: .hidden.map not found!\r\n", 1},
        {{"missing", "-h"}, "ERROR: missing.map not found!\r\n", 1},
        {{"-x", "level"}, "WARNING: Option unknown \"-x\"\r\n" + NO_CONFIG, 1},
        {{"--Verbose", "/v"}, "WARNING: Option unknown \"--verbose\"\r\nERROR: /v.map not found!\r\n", 1},
        {{"-v", "-V", "-VERBOSE", "level"}, verboseEcho + NO_CONFIG, 1},
        {{"level", "missing.map"}, "ERROR: missing.map not found!\r\n", 1},
        {{"level", "b", "", "-x", "missing.map"}, NO_CONFIG, 1},
    };
    for (const Case& test : cases) {
        resetState();
        console.clear();
        EXPECT_EQ(test.exitCode, run(test.arguments)) << ::testing::PrintToString(test.arguments);
        EXPECT_EQ(BANNER + test.expected, console) << ::testing::PrintToString(test.arguments);
    }
}

TEST_F(Run, SettingsEchoKeepsItsOwnOrder) {
    writeFile("a.map", "{\n}\n");
    run({"-z", "-D", "-v", "-content", "-s", "-n", "a"});
    EXPECT_EQ(BANNER +
                  "---- Settings ----\r\n"
                  " -nonull enabled (never replace NULL)\r\n"
                  " -nosurf enabled (skip already defined surfaces)\r\n"
                  " -content enabled (auto set content)\r\n"
                  " -verbose enabled (display more info)\r\n"
                  " -dump enabled (write brushup.log)\r\n"
                  " -zero enable (never ignore null content flag)\r\n" +
                  NO_CONFIG,
              console);
    EXPECT_EQ(OPT_VERBOSE | OPT_NOSURF | OPT_NONULL | OPT_DUMP | OPT_CONTENT | OPT_ZERO, runOptions);
}

TEST_F(Run, DumpWritesTheLogHeaderAtOnceEvenWhenTheMapIsMissing) {
    const BinaryResult result = runBinary({"-d", "level", "-d"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ(BANNER + "ERROR: level.map not found!\r\n", result.output);
    const std::regex header("==============================\r\nLog date: \\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n");
    EXPECT_TRUE(std::regex_match(readFile("brushup.log"), header)) << readFile("brushup.log");
}

TEST_F(Run, FailuresEndTheRunWithExitCodeOne) {
    struct Case {
        std::string config;  // "" writes no brushup.ini
        std::string map;     // "-" writes no map
        std::vector<std::string> arguments;
        std::string tail;
    };
    const std::string init = "---- Initialization ----\r\nLoading brushup.ini...\r\n";
    const Case cases[] = {
        {CONFIG, "-", {"level.txt"}, "ERROR: Source file must be .MAP!\r\n"},
        {CONFIG, "-", {"level"}, "ERROR: level.map not found!\r\n"},
        {"", MAP, {"level"}, init + "brushup.ini not found!\r\n"},
        {" ", MAP, {"level"}, init + "no textures defined!\r\n"},
        {"[SURFACE]\nFLAG1 = soft\n", MAP, {"level"}, init + "no textures defined!\r\n"},
        {CONFIG, "", {"level"}, init + "Entering level.map...\r\nCannot open level.map file\r\n"},
        {CONFIG, "read-only", {"level"}, init + "Entering level.map...\r\nCannot open level.map file\r\n"},
        {CONFIG, "// nothing\n\n   \n", {"level"}, init + "Entering level.map...\r\nlevel.map is empty!\r\n"},
        {CONFIG, "-", {"-c"}, "---- Settings ----\r\n -content enabled (auto set content)\r\n" + init +
                                  "Entering ...\r\nCannot open  file\r\n"},
    };
    for (const Case& test : cases) {
        TempDir caseDir;
        if (!test.config.empty()) writeFile("brushup.ini", test.config);
        if (test.map != "-") writeFile("level.map", test.map);
        if (test.map == "read-only") ::chmod("level.map", 0444);
        const BinaryResult result = runBinary(test.arguments);
        EXPECT_EQ(1, result.exitCode) << test.tail;
        EXPECT_EQ(BANNER + test.tail, result.output);
        if (test.map != "-") {
            EXPECT_EQ(test.map, readFile("level.map"));
        }
        EXPECT_FALSE(fileExists("level.map.backup"));
    }
}

TEST_F(Run, TypicalRunWritesConsoleLogBackupAndMap) {
    writeFile("brushup.ini", CONFIG);
    writeFile("level.map", MAP);
    const BinaryResult result = runBinary({"level", "-d", "-c"});
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ(BANNER +
                  "---- Settings ----\r\n"
                  " -content enabled (auto set content)\r\n"
                  " -dump enabled (write brushup.log)\r\n"
                  "---- Initialization ----\r\n"
                  "Loading brushup.ini...\r\n"
                  "Entering level.map...\r\n"
                  "Writing level.map.backup\r\n"
                  "---- Map check ----\r\n"
                  "Setting surfaces... done (2 surfaces replaced)\r\n"
                  "Setting cpntents... done (2 face contents replaced)\r\n"
                  "Fixing content... done (2 brushes fixed)\r\n"
                  "Writing level.map\r\n"
                  "   0 seconds elapsed\r\n",
              result.output);
    EXPECT_EQ(
        "\r\n// entity 0\r\n{\r\n\"classname\" \"worldspawn\"\r\n// brush 0\r\n{\r\n"
        "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) Walls/Brick_02 0 0 0 1 1 0 0 0\r\n"
        "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) walls/brick_02 0 0 0 0.500000 0.5 1 3 0\r\n"
        "( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) NULL 0 0 0 1 1 0 0 0\r\n"
        "}\r\n// brush 1\r\n{\r\n"
        "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) stone/undefined 0 0 0 1 1 134217728 0 0\r\n"
        "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) stone/undefined 0 0 0 1 1 0 0 0\r\n"
        "}\r\n}\r\n",
        readFile("level.map.backup"));
    EXPECT_EQ(
        "\r\n// entity 0\r\n{\r\n\"classname\" \"worldspawn\"\r\n// brush 0\r\n{\r\n"
        "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) Walls/Brick_02 0 0 0 1 1 1 3 0\r\n"
        "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) walls/brick_02 0 0 0 0.5 0.5 1 3 0\r\n"
        "( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) common/0_sky1 0 0 0 1 1 1 2 0\r\n"
        "}\r\n// brush 1\r\n{\r\n"
        "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) stone/undefined 0 0 0 1 1 134217728 0 0\r\n"
        "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) stone/undefined 0 0 0 1 1 134217728 0 0\r\n"
        "}\r\n}\r\n",
        readFile("level.map"));
    const std::string log = readFile("brushup.log");
    const std::size_t afterDate = log.find("\r\n", 32) + 2;
    EXPECT_EQ(0u, log.find("==============================\r\nLog date: "));
    EXPECT_EQ(
        "-- WARNING --\r\n"
        "The following textures are not defined and will be ignored:\r\n"
        "     stone/undefined\r\n"
        "--Entity 1, brush 1--\r\n"
        "[walls/brick_02] NOTHING >> \"soft, echo\"\r\n"
        "[common/0_sky1] NOTHING >> \"echo\"\r\n"
        "--Entity 1, brush 1--\r\n"
        "[walls/brick_02] NOTHING >> \"rock\"\r\n"
        "[common/0_sky1] NOTHING >> \"mist\"\r\n"
        "Entity 0, Brush 0: mixed face contents -- new content \"rock\"\r\n"
        "Entity 0, Brush 1: mixed face contents -- new content \"grain\"\r\n",
        log.substr(afterDate));
}

TEST_F(Run, BundledExampleShowsEveryPassAndKeepsTheTypedLetterCase) {
    writeFile("brushup.ini", readFile(std::string(BRUSHUP_EXAMPLES_DIR) + "/brushup.ini"));
    writeFile("Example.MAP", readFile(std::string(BRUSHUP_EXAMPLES_DIR) + "/level.map"));
    EXPECT_EQ(0, run({"Example.MAP", "-v", "-d", "-c"}));
    EXPECT_EQ(BANNER +
                  "---- Settings ----\r\n"
                  " -content enabled (auto set content)\r\n"
                  " -verbose enabled (display more info)\r\n"
                  " -dump enabled (write brushup.log)\r\n"
                  "---- Initialization ----\r\n"
                  "Loading brushup.ini...\r\n"
                  "5 textures defined.\r\n"
                  "Entering example.map...\r\n"
                  "Read 63 lines, 56 relevant lines\r\n"
                  "Writing example.map.backup\r\n"
                  "Found 6 uniques textures (1 textures undefined in brushup.ini)\r\n"
                  "---- Map check ----\r\n"
                  "Setting surfaces... done (16 surfaces replaced)\r\n"
                  "Setting cpntents... done (23 face contents replaced)\r\n"
                  "Fixing content... done (1 brush fixed)\r\n"
                  "Writing example.map\r\n"
                  "   0 seconds elapsed\r\n",
              console);
    EXPECT_TRUE(fileExists("Example.MAP.backup"));
}

}  // namespace
