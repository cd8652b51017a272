#include "map/face_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/state.h"

namespace {

// faceFields 1 to 12, each after a "|".
std::string fieldsText() {
    std::string text;
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) text += "|" + std::string(faceFields[field]);
    return text;
}

class FaceLine : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
};

TEST_F(FaceLine, WorkedExampleSplitsAndRebuildsWithNewSurfaceFlags) {
    const std::string line =
        "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) Walls/Brick_02 16.000000 -8 0 0.500000 0.5 1 0 0 extra";
    ASSERT_TRUE(splitFaceLine(line));
    EXPECT_EQ("|( 0 0 64 )|( 64 0 64 )|( 0 64 64 )|Walls/Brick_02|16.000000|-8|0|0.500000|0.5|1|0|0", fieldsText());
    faceFields[FIELD_SURFACE] = "6";
    EXPECT_EQ("( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) Walls/Brick_02 16 -8 0 0.5 0.5 1 6 0", rebuildFaceLine());
}

TEST_F(FaceLine, SplitThenRebuildGivesTheNormalLine) {
    struct Case {
        const char* line;
        const char* rebuilt;
    };
    const Case cases[] = {
        {"( 0 0 64 ) ( 0 64 64 ) ( 64 0 64 ) common/0_sky1 0 0 0 1 1 0 0 0",
         "( 0 0 64 ) ( 0 64 64 ) ( 64 0 64 ) common/0_sky1 0 0 0 1 1 0 0 0"},
        // Nine fields: no flags and no value.
        {"( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) base/floor 0 0 0 1 1",
         "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) base/floor 0 0 0 1 1 0 0 0"},
        {"(0 0 0) (0 1 0)(1 0 0) Dir\\Tex +1 1e2 -0 16.000000 2.5 4294967295 &H10 junk",
         "(0 0 0) (0 1 0) (1 0 0) Dir\\Tex 1 100 -0 16 2.5 4294967295 16 0"},
        // Runs of blanks and tabs separate tokens; the values stay in their fields.
        {"(  0 0 0 )\t( 0 1 0 )  ( 1 0 0 )\tbase/floor  16\t\t-8 0   1 1\t0 2 0",
         "(  0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) base/floor 16 -8 0 1 1 0 2 0"},
        // Valve 220: the axis groups are carried as written, flags or none.
        {"( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) tex [ -1.0000000000000002 0 0 16 ] [ 0  0 -1 16.0 ] 0 1.000000 1 32 128 0",
         "( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) tex [ -1.0000000000000002 0 0 16 ] [ 0  0 -1 16.0 ] 0 1 1 32 128 0"},
        {"( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) tex [ 1 0 0 0 ] [ 0 1 0 0 ] -90 0.25 0.25",
         "( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) tex [ 1 0 0 0 ] [ 0 1 0 0 ] -90 0.25 0.25 0 0 0"},
        {"( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) tex", "( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) tex 0 0 0 0 0 0 0 0"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(splitFaceLine(c.line)) << c.line;
        EXPECT_EQ(c.rebuilt, rebuildFaceLine()) << c.line;
    }
}

TEST_F(FaceLine, ValveFieldsHoldAxisGroupsRotationScalesAndFlags) {
    ASSERT_TRUE(splitFaceLine("( 1 2 3 ) ( 4 5 6 ) ( 7 8 9 ) t [ 1 0 0 8 ]\t[ 0 1 0 -8 ] 45 0.5 2 1 4 7 x"));
    EXPECT_EQ("|( 1 2 3 )|( 4 5 6 )|( 7 8 9 )|t|[ 1 0 0 8 ]|[ 0 1 0 -8 ]|45|0.5|2|1|4|7", fieldsText());
}

TEST_F(FaceLine, LinesThatAreNotFacesDoNotSplit) {
    const char* lines[] = {
        "brushDef",
        "patchDef2",
        "(",
        "( 3 3 0 0 0 )",
        "( 0 0 0 ) ( 0 1 0 )",
        "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 tex 0 0 0 1 1",
        ") ) )",
        "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] [ 0 1 0 0 0 0 1 1",
        "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) tex [ 1 0 0 0 ] 0 1 1",
        "\"classname\" \"worldspawn\"",
    };
    for (const char* line : lines) {
        faceFields[FIELD_TEXTURE] = "stale";
        EXPECT_FALSE(splitFaceLine(line)) << line;
        EXPECT_EQ("||||||||||||", fieldsText()) << line;
    }
}

TEST_F(FaceLine, NumberTextFollowsTheGeneralForm) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {16.0, "16"},
        {-8.5, "-8.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3.0, "0.3333333333333333"},
        {0.0001, "0.0001"},
        {0.00001, "1e-005"},
        {1e15, "1000000000000000"},
        {1e16, "1e+016"},
        {9007199254740992.0, "9007199254740992"},
        {18014398509481984.0, "1.801439850948198e+016"},
        {4294967295.0, "4294967295"},
        {1.5e300, "1.5e+300"},
        {-2.5e-300, "-2.5e-300"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, numberText(c.value)) << c.text;
}

TEST_F(FaceLine, FieldWithoutNumberReadsAsZero) {
    EXPECT_EQ(0.0, fieldNumber(""));
    EXPECT_EQ(0.0, fieldNumber("abc"));
    EXPECT_EQ(2.5, fieldNumber("2.5x"));
    EXPECT_TRUE(std::signbit(fieldNumber("-0")));
}

}  // namespace
