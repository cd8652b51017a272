#include "app/run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "app/output.h"
#include "app/state.h"
#include "testing/run_binary.h"
#include "testing/temp_dir.h"

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

class Run : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
    }
    void TearDown() override { captureConsole(nullptr); }

    int run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "brushup");
        return runProgram(arguments);
    }

    TempDir dir;
    std::string console;
};

TEST_F(Run, UsageEndsTheRunWithSuccess) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {""}, {"   "}, {"-h"}, {"-HELP", "level"}, {"-v", "-help", "-x"},
    };
    for (const auto& arguments : cases) {
        console.clear();
        EXPECT_EQ(0, run(arguments)) << ::testing::PrintToString(arguments);
        EXPECT_EQ(BANNER + USAGE, console) << ::testing::PrintToString(arguments);
    }
}

TEST_F(Run, MapNameRuleTakesTheExtensionFromTheFinalComponent) {
    ::mkdir("old.maps", 0777);
    ::mkdir("dir.map", 0777);
    writeFile("level.map", "{\n}\n");
    writeFile("e1.v2.map", "{\n}\n");
    writeFile("old.maps/level.map", "{\n}\n");
    writeFile("Level.MAP", "{\n}\n");
    writeFile(".hidden.map", "{\n}\n");
    writeFile("level.txt", "");
    struct Case {
        std::string argument;
        std::string expected;
        int exitCode;
    };
    const Case cases[] = {
        {"level", NO_CONFIG, 1},
        {"./level.map", NO_CONFIG, 1},
        {"e1.v2.map", NO_CONFIG, 1},
        {"old.maps/level.map", NO_CONFIG, 1},
        {"old.maps/level", NO_CONFIG, 1},
        {"Level.MAP", NO_CONFIG, 1},
        {"  level.map  ", NO_CONFIG, 1},
        {"level.txt", "ERROR: Source file must be .MAP!\r\n", 1},
        {"level.", "ERROR: Source file must be .MAP!\r\n", 1},
        {"old.maps/level.txt", "ERROR: Source file must be .MAP!\r\n", 1},
        {"missing", "ERROR: missing.map not found!\r\n", 1},
        {"MISSING.Map", "ERROR: missing.map not found!\r\n", 1},
        {"dir.map", "ERROR: dir.map not found!\r\n", 1},
        {".hidden.map", "ERROR: .hidden.map not found!\r\n", 1},
    };
    for (const Case& test : cases) {
        resetState();
        console.clear();
        EXPECT_EQ(test.exitCode, run({test.argument})) << test.argument;
        EXPECT_EQ(BANNER + test.expected, console) << test.argument;
    }
}

TEST_F(Run, ArgumentLoopWarnsRepeatsSilentlyAndStopsAtAnEmptyArgument) {
    writeFile("a.map", "{\n}\n");
    writeFile("b.map", "{\n}\n");
    struct Case {
        std::vector<std::string> arguments;
        std::string expected;
    };
    const std::string verboseEcho = "---- Settings ----\r\n -verbose enabled (display more info)\r\n";
    const Case cases[] = {
        {{"-x", "a.map"}, "WARNING: Option unknown \"-x\"\r\n" + NO_CONFIG},
        {{"--Verbose", "/v", "-verb", "a"},
         "WARNING: Option unknown \"--verbose\"\r\n" + std::string("ERROR: /v.map not found!\r\n")},
        {{"-v", "-V", "-VERBOSE", "a"}, verboseEcho + NO_CONFIG},
        {{"a.map", "b.map"}, NO_CONFIG},
        {{"a.map", "missing.map"}, "ERROR: missing.map not found!\r\n"},
        {{"a.map", "", "-x", "missing.map"}, NO_CONFIG},
        {{"missing", "-h"}, "ERROR: missing.map not found!\r\n"},
        {{"-v"}, verboseEcho + "---- Initialization ----\r\nLoading brushup.ini...\r\nbrushup.ini not found!\r\n"},
    };
    for (const Case& test : cases) {
        resetState();
        console.clear();
        run(test.arguments);
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
    run({"-d", "level", "-d"});
    EXPECT_EQ(BANNER + "ERROR: level.map not found!\r\n", console);
    const std::regex header("==============================\r\nLog date: \\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n");
    EXPECT_TRUE(std::regex_match(readFile("brushup.log"), header)) << readFile("brushup.log");
}

TEST_F(Run, WithoutDumpNoLogIsWritten) {
    writeFile("brushup.ini", CONFIG);
    writeFile("level.map", MAP);
    EXPECT_EQ(0, run({"level", "-c"}));
    EXPECT_FALSE(fileExists("brushup.log"));
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
        {CONFIG, "// nothing\n\n   \n", {"level"}, init + "Entering level.map...\r\nlevel.map is empty!\r\n"},
        {CONFIG, "-", {"-c"}, "---- Settings ----\r\n -content enabled (auto set content)\r\n" + init +
                                  "Entering ...\r\nCannot open  file\r\n"},
    };
    for (const Case& test : cases) {
        TempDir caseDir;
        if (!test.config.empty()) writeFile("brushup.ini", test.config);
        if (test.map != "-") writeFile("level.map", test.map);
        const BinaryResult result = runBinary(test.arguments);
        EXPECT_EQ(1, result.exitCode) << test.tail;
        EXPECT_EQ(BANNER + test.tail, result.output);
        if (test.map != "-") {
            EXPECT_EQ(test.map, readFile("level.map"));
        }
        EXPECT_FALSE(fileExists("level.map.backup"));
    }
}

TEST_F(Run, ReadOnlyMapPassesTheNameCheckButIsNotRead) {
    writeFile("brushup.ini", CONFIG);
    writeFile("level.map", MAP);
    ::chmod("level.map", 0444);
    EXPECT_EQ(1, run({"level"}));
    EXPECT_EQ(BANNER + "---- Initialization ----\r\nLoading brushup.ini...\r\nEntering level.map...\r\n"
                       "Cannot open level.map file\r\n",
              console);
    EXPECT_EQ(MAP, readFile("level.map"));
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

TEST_F(Run, TypedLetterCaseIsKeptForFilesAndLoweredForMessages) {
    writeFile("brushup.ini", CONFIG);
    writeFile("Level.MAP", MAP);
    EXPECT_EQ(0, run({"-v", "Level.MAP"}));
    EXPECT_NE(std::string::npos, console.find("Entering level.map...\r\n"));
    EXPECT_NE(std::string::npos, console.find("Writing level.map.backup\r\n"));
    EXPECT_NE(std::string::npos, console.find("2 textures defined.\r\nEntering"));
    EXPECT_NE(std::string::npos, console.find("Read 14 lines, 12 relevant lines\r\n"));
    EXPECT_TRUE(fileExists("Level.MAP.backup"));
    EXPECT_NE(MAP, readFile("Level.MAP"));
}

TEST_F(Run, BundledExampleShowsEveryPass) {
    writeFile("brushup.ini", readFile(std::string(BRUSHUP_EXAMPLES_DIR) + "/brushup.ini"));
    writeFile("level.map", readFile(std::string(BRUSHUP_EXAMPLES_DIR) + "/level.map"));
    EXPECT_EQ(0, run({"level", "-v", "-d", "-c"}));
    EXPECT_NE(std::string::npos, console.find("Found 6 uniques textures (1 textures undefined in brushup.ini)"));
    EXPECT_NE(std::string::npos, console.find("Setting surfaces... done (16 surfaces replaced)"));
    EXPECT_NE(std::string::npos, console.find("Setting cpntents... done (23 face contents replaced)"));
    EXPECT_NE(std::string::npos, console.find("Fixing content... done (1 brush fixed)"));
}

}  // namespace
