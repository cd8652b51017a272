#include "fix/brush_contents.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

class BrushContents : public ::testing::Test {
   protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
        contentFlagNames[1] = "rock";
        contentFlagNames[3] = "mist";
    }
    void TearDown() override { captureConsole(nullptr); }

    std::string console;
};

std::string face(std::string_view content) {
    return "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0.0 1 1 " + std::string(content) + " 0 0";
}

TEST_F(BrushContents, GivesAMixedBrushItsMostFrequentContent) {
    TempDir dir;
    runOptions = OPT_DUMP;
    mapLines = {"{",
                "{",
                face("4"),
                face("4"),
                "}",
                "{",
                "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0",
                "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) walls/brick_02 0 0 0 1 1 1 0 0",
                "( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) walls/brick_02 0 0 0 1 1 4 0 0",
                "( 0 0 0 ) ( 0 0 64 ) ( 0 64 0 ) walls/brick_02 0 0 0.0 1 1 1 0 0",
                "}",
                "}"};
    std::vector<std::string> expected = mapLines;
    expected[8] = "( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) walls/brick_02 0 0 0 1 1 1 0 0";
    expected[9] = "( 0 0 0 ) ( 0 0 64 ) ( 0 64 0 ) walls/brick_02 0 0 0 1 1 1 0 0";
    unifyBrushContents();
    EXPECT_EQ(expected, mapLines);
    EXPECT_EQ("Entity 0, Brush 1: mixed face contents -- new content \"rock\"\r\n", readFile("brushup.log"));
    EXPECT_EQ("Fixing content... done (1 brush fixed)\r\n", console);
}

struct ChoiceCase {
    std::uint8_t options;
    std::vector<std::string_view> contents;
    std::string_view chosen;  // empty when the brush is not mixed
    std::string_view shown;
};

TEST_F(BrushContents, ChoosesTheContentByCountWithZeroOnlyUnderZeroOption) {
    const ChoiceCase cases[] = {
        {0, {"1", "1.0", "1.000000"}, "", ""},
        {0, {"nan", "5", "7"}, "", ""},
        {0, {"1", "1", "0"}, "1", "\"rock\""},
        {0, {"0", "5", "5"}, "5", "\"rock, mist\""},
        {0, {"0", "0", "0", "5"}, "5", "\"rock, mist\""},
        {OPT_ZERO, {"0", "0", "0", "5"}, "0", "DEFAULT CONTENT"},
        {OPT_ZERO, {"5", "0", "0"}, "0", "DEFAULT CONTENT"},
        {0, {"1", "4", "4", "5", "5", "5"}, "5", "\"rock, mist\""},
        {0, {"4", "1", "1", "4"}, "4", "\"mist\""},
        {0, {"1.4", "1"}, "1", "\"rock\""},
        {0, {"1", "1.4"}, "1", "\"rock\""},
        {0, {"5", "nan", "7"}, "5", "\"rock, mist\""},
        {0, {"0", "0.3"}, "0", "DEFAULT CONTENT"},
        {0, {"-4294967291", "2", "5"}, "5", "\"rock, mist\""},
    };
    for (const ChoiceCase& test : cases) {
        SCOPED_TRACE(::testing::PrintToString(test.contents));
        TempDir dir;
        runOptions = static_cast<std::uint8_t>(test.options | OPT_DUMP);
        mapLines = {"{", "{"};
        for (const std::string_view content : test.contents) mapLines.push_back(face(content));
        mapLines.insert(mapLines.end(), {"}", "}"});
        const std::vector<std::string> before = mapLines;
        console.clear();
        unifyBrushContents();
        const bool fixed = !test.chosen.empty();
        std::vector<std::string> expected = before;
        if (fixed) {
            for (std::size_t i = 2; i + 2 < expected.size(); ++i) {
                expected[i] =
                    "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 " + std::string(test.chosen) + " 0 0";
            }
        }
        EXPECT_EQ(expected, mapLines);
        const std::string logged =
            "Entity 0, Brush 0: mixed face contents -- new content " + std::string(test.shown) + "\r\n";
        EXPECT_EQ(fixed ? logged : "<missing>", readFile("brushup.log"));
        EXPECT_EQ(std::string("Fixing content... done (") + (fixed ? "1" : "0") + " brush fixed)\r\n", console);
    }
}

TEST_F(BrushContents, RewritesEveryFaceOfALargeBrushAroundNestedBlocksAndOtherLines) {
    mapLines = {"{",         "\"classname\" \"worldspawn\"",
                "{",         face("2"),
                "patchDef2", "{",
                face("7"),   "( ( 0 0 0 0 0 ) )",
                "}",         "brushDef",
                "garbage"};
    for (int i = 0; i < 300; ++i) mapLines.push_back(face("1"));
    mapLines.push_back("( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] [ 0 -1 0 0 ] 0.0 1 1 0 0 0");
    mapLines.insert(mapLines.end(), {"}", "}"});
    std::vector<std::string> expected = mapLines;
    expected[3] = "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0";
    for (std::size_t i = 11; i < 311; ++i) expected[i] = expected[3];
    expected[311] = "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] [ 0 -1 0 0 ] 0 1 1 1 0 0";
    unifyBrushContents();
    EXPECT_EQ(expected, mapLines);
    EXPECT_EQ("Fixing content... done (1 brush fixed)\r\n", console);
}

TEST_F(BrushContents, NumbersBrushesFromZeroAndCountsInThePlural) {
    TempDir dir;
    runOptions = OPT_DUMP;
    mapLines = {"{",       "{", face("1"), face("4"), face("4"), "}", "{",
                face("1"), "}", "{",       face("0"), face("1"), "}", "}"};
    unifyBrushContents();
    EXPECT_EQ(
        "Entity 0, Brush 0: mixed face contents -- new content \"mist\"\r\n"
        "Entity 0, Brush 2: mixed face contents -- new content \"rock\"\r\n",
        readFile("brushup.log"));
    EXPECT_EQ("Fixing content... done (2 brushes fixed)\r\n", console);
}

}  // namespace
