#include "fix/brush_contents.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/output.h"
#include "app/state.h"
#include "fix/face_contents.h"
#include "fix/surface_flags.h"
#include "testing/state_test_base.h"

namespace {

class BrushContents : public StateTest {
   protected:
    void SetUp() override {
        StateTest::SetUp();
        contentFlagNames[1] = "rock";
        contentFlagNames[3] = "mist";
    }
};

std::string face(std::string_view content, std::string_view rotation = "0.0") {
    return "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 " + std::string(rotation) + " 1 1 " +
           std::string(content) + " 0 0";
}

TEST_F(BrushContents, WorkedExampleNumbersBrushesFromZeroAndRebuildsEveryFace) {
    runOptions = OPT_DUMP;
    // clang-format off
    mapLines = {"{", "{", "}", "{",
                "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0",
                "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) walls/brick_02 0 0 0 1 1 1 0 0",
                "( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) walls/brick_02 0 0 0 1 1 4 0 0",
                "( 0 0 0 ) ( 0 0 64 ) ( 0 64 0 ) walls/brick_02 0 0 0.0 1 1 1 0 0", "}",
                "{", face("0"), face("0.3"), "}", "}"};
    // clang-format on
    std::vector<std::string> expected = mapLines;
    expected[6] = "( 0 0 0 ) ( 64 0 0 ) ( 0 0 64 ) walls/brick_02 0 0 0 1 1 1 0 0";
    expected[7] = "( 0 0 0 ) ( 0 0 64 ) ( 0 64 0 ) walls/brick_02 0 0 0 1 1 1 0 0";
    expected[10] = expected[11] = face("0", "0");
    unifyBrushContents();
    EXPECT_EQ(expected, mapLines);
    EXPECT_EQ(
        "Entity 0, Brush 1: mixed face contents -- new content \"rock\"\r\n"
        "Entity 0, Brush 2: mixed face contents -- new content DEFAULT CONTENT\r\n",
        readFile("brushup.log"));
    EXPECT_EQ("Fixing content... done (2 brushes fixed)\r\n", console);
}

TEST_F(BrushContents, ChoosesTheMostFrequentContentTieToTheFirstAndZeroOnlyUnderZeroOption) {
    // The faces' contents, then the content chosen without and with -zero ("": not mixed, left as written).
    const std::tuple<std::vector<std::string_view>, std::string_view, std::string_view> cases[] = {
        {{"1", "1.0", "1.000000"}, "", ""}, {{"nan", "5", "7"}, "", ""},
        {{"1", "1", "0"}, "1", "1"},        {{"0", "5", "5"}, "5", "5"},
        {{"0", "0", "0", "5"}, "5", "0"},   {{"1", "4", "4", "5", "5", "5"}, "5", "5"},
        {{"4", "1", "1", "4"}, "4", "4"},   {{"1.4", "1"}, "1", "1"},
        {{"5", "nan", "7"}, "5", "5"},      {{"2", "4294967295", "-1"}, "4294967295", "4294967295"},
    };
    for (const auto& [contents, chosen, chosenWithZero] : cases) {
        for (const int options : {0, OPT_ZERO | OPT_NOSURF | OPT_NONULL}) {
            SCOPED_TRACE(::testing::PrintToString(contents) + " options " + std::to_string(options));
            runOptions = static_cast<std::uint8_t>(options);
            mapLines = {"{", "{"};
            for (const std::string_view content : contents) mapLines.push_back(face(content));
            mapLines.insert(mapLines.end(), {"}", "}"});
            unifyBrushContents();
            const std::string_view content = options == 0 ? chosen : chosenWithZero;
            for (std::size_t i = 0; i < contents.size(); ++i) {
                EXPECT_EQ(content.empty() ? face(contents[i]) : face(content, "0"), mapLines[i + 2]);
            }
        }
    }
}

TEST_F(BrushContents, RewritesEveryFaceOfALargeBrushAroundNestedBlocksAndOtherLines) {
    const std::string valve = "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] [ 0 -1 0 0 ] 0.0 1 1 ";
    mapLines = {"{", "{", face("2"), "patchDef2", "{", face("7"), "( ( 0 0 0 0 0 ) )", "}", "brushDef", "garbage"};
    for (int i = 0; i < 300; ++i) mapLines.push_back(face("1"));
    mapLines.insert(mapLines.end(), {valve + "0 0 0", "}", "}"});
    std::vector<std::string> expected = mapLines;
    for (std::size_t i = 10; i < 310; ++i) expected[i] = expected[2] = face("1", "0");
    expected[310] = "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] [ 0 -1 0 0 ] 0 1 1 1 0 0";
    unifyBrushContents();
    EXPECT_EQ(expected, mapLines);
}

TEST_F(BrushContents, EveryPassCountsInTheSingularUpToOneAndInThePluralFromTwo) {
    addMapTexture("walls/brick_02") = {"walls/brick_02", 4, 6, 1};
    const std::tuple<void (*)(), int, std::string_view> cases[] = {
        {applySurfaceFlags, 0, "Setting surfaces... done (0 surface replaced)\r\n"},
        {applySurfaceFlags, 1, "Setting surfaces... done (1 surface replaced)\r\n"},
        {applySurfaceFlags, 2, "Setting surfaces... done (2 surfaces replaced)\r\n"},
        {applyFaceContents, 0, "Setting cpntents... done (0 face content replaced)\r\n"},
        {applyFaceContents, 1, "Setting cpntents... done (1 face content replaced)\r\n"},
        {applyFaceContents, 2, "Setting cpntents... done (2 face contents replaced)\r\n"},
        {unifyBrushContents, 0, "Fixing content... done (0 brush fixed)\r\n"},
        {unifyBrushContents, 1, "Fixing content... done (1 brush fixed)\r\n"},
        {unifyBrushContents, 2, "Fixing content... done (2 brushes fixed)\r\n"},
    };
    // Each brush holds one face for each pass to change; the other face's texture is undefined.
    const std::string other = "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) other 0 0 0 1 1 4 0 0";
    for (const auto& [pass, brushes, expected] : cases) {
        mapLines = {"{"};
        for (int i = 0; i < brushes; ++i) mapLines.insert(mapLines.end(), {"{", face("1"), other, "}"});
        mapLines.push_back("}");
        console.clear();
        pass();
        EXPECT_EQ(expected, console);
    }
}

}  // namespace
