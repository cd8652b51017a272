#include "map/face_line.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>

#include "app/state.h"

namespace {

// faceFields 1 to 12, each after a "|".
std::string fieldsText() {
    std::string text;
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        text += '|';
        text += faceFields[field];
    }
    return text;
}

class FaceLine : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
};

TEST_F(FaceLine, WorkedExampleSplitsAndRebuildsWithNewSurfaceFlags) {
    ASSERT_TRUE(
        splitFaceLine("( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) Walls/Brick_02 16.000000 -8 0 0.500000 0.5 1 0 0 extra"));
    EXPECT_EQ("|( 0 0 64 )|( 64 0 64 )|( 0 64 64 )|Walls/Brick_02|16.000000|-8|0|0.500000|0.5|1|0|0", fieldsText());
    faceFields[FIELD_SURFACE] = "6";
    EXPECT_EQ("( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) Walls/Brick_02 16 -8 0 0.5 0.5 1 6 0", rebuildFaceLine());
}

// An empty `rebuilt` marks a line that is no face: it does not split and leaves faceFields empty.
TEST_F(FaceLine, SplitThenRebuildGivesTheNormalLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) a 0 0 0 1 1", "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) a 0 0 0 1 1 0 0 0"},
        {"(0 0 0) (0 1 0)(1 0 0) Dir\\Tex +1 1e2 -0 16.000000 2.5x abc &H10 junk",
         "(0 0 0) (0 1 0) (1 0 0) Dir\\Tex 1 100 -0 16 2.5 0 16 0"},
        {"(  0 0 0 )\t( 0 1 0 )  ( 1 0 0 )\ta  16\t\t-8 0   1 1\t0 2 0",
         "(  0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) a 16 -8 0 1 1 0 2 0"},
        {"( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t [ -1.0000000000000002 0 0 16 ]\t[ 0  0 -1 16.0 ] 0 1.000000 1 32 128 0",
         "( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t [ -1.0000000000000002 0 0 16 ] [ 0  0 -1 16.0 ] 0 1 1 32 128 0"},
        {"( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t [ 1 0 0 0 ] [ 0 1 0 0 ] -90 0.25 0.25",
         "( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t [ 1 0 0 0 ] [ 0 1 0 0 ] -90 0.25 0.25 0 0 0"},
        {"( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t", "( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t 0 0 0 0 0 0 0 0"},
        {"patchDef2", ""}, {"( 3 3 0 0 0 )", ""}, {"( 0 0 0 ) ( 0 1 0 )", ""}, {") ) )", ""},
        {"( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 tex 0 0 0 1 1", ""}, {"\"classname\" \"worldspawn\"", ""},
        {"( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] [ 0 1 0 0 0 0 1 1", ""},
        {"( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] 0 1 1", ""},
    };
    for (const auto& [line, rebuilt] : cases) {
        faceFields[FIELD_TEXTURE] = "stale";
        const bool isFace = *rebuilt != '\0';
        EXPECT_EQ(isFace, splitFaceLine(line)) << line;
        EXPECT_EQ(isFace ? rebuilt : "||||||||||||", isFace ? rebuildFaceLine() : fieldsText()) << line;
    }
}

TEST_F(FaceLine, NumberTextFollowsTheGeneralForm) {
    constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();
    constexpr double INF = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> cases[] = {
        {0.0, "0"}, {-0.0, "-0"}, {-8.5, "-8.5"}, {0.1 + 0.2, "0.3"}, {1.0 / 3.0, "0.3333333333333333"},
        {0.0001, "0.0001"}, {0.00001, "1e-005"}, {1e15, "1000000000000000"}, {1e16, "1e+016"},
        {4294967295.0, "4294967295"}, {18014398509481984.0, "1.801439850948198e+016"}, {-2.5e-300, "-2.5e-300"},
        {NAN_VALUE, "nan"}, {INF, "inf"}, {-INF, "-inf"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(text, numberText(value)) << text;
}

}  // namespace
