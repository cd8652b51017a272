#include "text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/state.h"

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

class Text : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
};

TEST_F(Text, TextToNumberReadsTheLongestNumberAtTheStart) {
    const std::pair<std::string, double> cases[] = {
        {"  12abc", 12}, {"-3.5e2", -350}, {".5", 0.5}, {"1.5.3", 1.5}, {"1e+", 1}, {"1d2", 100}, {"1D3", 1000},
        {"abc", 0}, {"", 0}, {"+-5", 0}, {"- 5", 0}, {"\t5", 5}, {"\r\n\v\f -5", -5}, {"\t&H1F", 0}, {"&-5", 0},
        {"  &h1f", 31}, {"&O17", 15}, {"&17", 15}, {"&18", 1}, {"&b102", 2}, {"&HFFFFFFFFFFFFFFFF", -1},
        {"&H10000000000000001", 1}, {"0x1F", 31}, {"-0X1f", -31}, {"0xg", 0}, {"Infinity", INF}, {"-INF", -INF},
        {"-nAn", NOT_A_NUMBER}, {"1e400", INF}, {"-1e400", -INF}, {"1e-400", 0}, {"0x" + std::string(300, 'F'), INF},
    };
    for (const auto& [text, expected] : cases) {
        const double value = textToNumber(text);
        EXPECT_TRUE(std::isnan(expected) ? std::isnan(value) : value == expected) << text << " gave " << value;
    }
}

TEST_F(Text, TextPrimitivesAtTheirEdges) {
    const std::pair<std::string, std::string> cases[] = {
        {leftText("abc", -1), ""}, {leftText("abc", 2), "ab"}, {leftText("abc", 9), "abc"}, {rightText("abc", -1), ""},
        {rightText("abc", 9), "abc"}, {midText("abc", 2, -1), "bc"}, {midText("abc", 2, 1), "b"},
        {midText("abc", 4, 1), ""}, {midText("abc", 0, 1), ""}, {upperText("aZ[\xe4"), "AZ[\xe4"},
        {lowerText("aZ[\xc4"), "az[\xc4"}, {signedToText(std::numeric_limits<std::int32_t>::min()), "-2147483648"},
        {cleanLine("\t{ // entity 0"), "{"}, {cleanLine("a / b"), "a / b"}, {cleanLine("x//y//z"), "x"},
        {cleanLine("a\r"), "a\r"}, {cleanLine(std::string("ab\0 // c", 8)), "ab"},
        {normalizeTextureName(" \\Walls\\Brick_02\\ "), "Walls/Brick_02"}, {normalizeTextureName("//"), ""},
        {normalizeTextureName("/a/"), "a"}, {normalizeTextureName("//a"), ""}, {normalizeTextureName("a\\\\"), "a/"},
        {normalizeTextureName("\\\\base\\wall"), "/base/wall"}, {normalizeTextureName(std::string("a\0b", 3)), "a"},
        {textureKey(" \\Walls\\Brick_02\\ // old"), "walls/brick_02"},
    };
    for (const auto& [got, expected] : cases) EXPECT_EQ(expected, got);
}

TEST_F(Text, FlagNamesKeepSeparatorsForEmptyNames) {
    surfaceFlagNames[1] = "soft";
    surfaceFlagNames[3] = "echo";
    contentFlagNames[2] = "window";
    EXPECT_EQ("soft, , echo", flagNames(7, FLAG_TABLE_SURFACE));
    EXPECT_EQ("echo", flagNames(6, FLAG_TABLE_SURFACE));  // no text yet, so no separator for bit 2
    EXPECT_EQ("window, ", flagNames(7, FLAG_TABLE_CONTENT));
    contentFlagNames[32] = "top";
    EXPECT_EQ("window, top", flagNames(0x80000002u, FLAG_TABLE_CONTENT));
}

TEST_F(Text, LinesEndAtLineFeedAndFilesAtCtrlZ) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\r\nb\r\n", "a|b|"}, {"a\n\n\r\nb", "a|||b|"}, {"", "|"}, {"a\rb\n", "a\rb|"}, {"a\r", "a|"},
        {"a\r\r\n", "a\r|"}, {"a\nb\x1a\nc\n", "a|b|"}, {"\x1a" "a\n", "|"},
    };
    for (const auto& [bytes, expected] : cases) {
        std::string_view rest = textBeforeEndOfFile(bytes);
        std::string lines;
        do { lines += std::string(takeLine(rest)) + "|"; } while (!rest.empty());
        EXPECT_EQ(expected, lines) << bytes;
    }
}

TEST_F(Text, PositionsRoundingAndFlagSets) {
    const std::pair<double, double> cases[] = {
        {findText(1, "abc", "c"), 3}, {findText(4, "abc", "c"), 0}, {findText(0, "abc", "a"), 0},
        {findText(1, "abc", ""), 0}, {findText(1, "ab", "abc"), 0}, {findText(2, "abcabc", "a"), 4},
        {findText(1, "abc", "B"), 0}, {roundHalfEven(2.5), 2}, {roundHalfEven(3.5), 4}, {roundHalfEven(-2.5), -2},
        {roundHalfEven(-3.5), -4}, {roundHalfEven(2.5001), 3}, {roundHalfEven(0.49999999999999994), 0},
        {roundHalfEven(1e300), 1e300}, {flagSetFromNumber(2.5), 2}, {flagSetFromNumber(-1), 4294967295u},
        {flagSetFromNumber(4294967296), 0}, {flagSetFromNumber(4294967295.5), 0},
        {flagSetFromNumber(-4294967297), 4294967295u}, {flagSetFromNumber(4611686018427387904.0 + 1024), 1024},
        {flagSetFromNumber(1e300), 0}, {flagSetFromNumber(NOT_A_NUMBER), 0}, {flagSetFromNumber(-INF), 0},
    };
    for (const auto& [got, expected] : cases) EXPECT_EQ(expected, got);
    EXPECT_FALSE(sameNumber(1, 2));
    EXPECT_TRUE(sameNumber(NOT_A_NUMBER, 2) && sameNumber(2, NOT_A_NUMBER) && sameNumber(INF, INF));
}

}  // namespace
