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
    struct Case {
        std::string text;
        double value;
    };
    const Case cases[] = {
        {"42", 42}, {"  12abc", 12}, {"-3.5e2", -350}, {".5", 0.5}, {"+7", 7}, {"03", 3}, {"2.5", 2.5}, {"5.", 5},
        {"1.5.3", 1.5}, {"1e", 1}, {"1e+", 1}, {"1E3x", 1000}, {"1d2", 100}, {"1D3", 1000}, {"abc", 0}, {"", 0},
        {"   ", 0}, {"-", 0}, {"+-5", 0}, {"- 5", 0}, {"\t5", 5}, {"\r\n\v\f -5", -5},
        // radix forms: only right after the skipped spaces, no sign, 64-bit wrap
        {"&", 0}, {"&H", 0}, {"&-5", 0}, {"&H1F", 31}, {"  &h1f", 31}, {"&O17", 15}, {"&o17", 15}, {"&17", 15},
        {"&18", 1}, {"&B101", 5}, {"&b102", 2}, {"&HFF", 255}, {"&HFFFFFFFFFFFFFFFF", -1},
        {"&H10000000000000001", 1}, {"&H8000000000000000", -9223372036854775808.0}, {"\t&H1F", 0},
        // hexadecimal, the words, and the ends of the double range
        {"0x1F", 31}, {"-0X1f", -31}, {"0x", 0}, {"0xg", 0}, {"inf", INF}, {"Infinity", INF}, {"-INF", -INF},
        {"nan", NOT_A_NUMBER}, {"-nAn", NOT_A_NUMBER}, {"1e400", INF}, {"-1e400", -INF}, {"1e-400", 0},
        {"1e-310", 1e-310}, {"4.9e-324", std::numeric_limits<double>::denorm_min()},
        {std::string(400, '9'), INF}, {"0x" + std::string(300, 'F'), INF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text: \"" + c.text + "\"");
        const double value = textToNumber(c.text);
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(value));
        } else {
            EXPECT_EQ(c.value, value);
        }
    }
}

TEST_F(Text, PrimitivesAtTheirEdges) {
    EXPECT_EQ("", leftText("abc", 0));
    EXPECT_EQ("", leftText("abc", -1));
    EXPECT_EQ("ab", leftText("abc", 2));
    EXPECT_EQ("abc", leftText("abc", 9));
    EXPECT_EQ("", rightText("abc", -1));
    EXPECT_EQ("bc", rightText("abc", 2));
    EXPECT_EQ("abc", rightText("abc", 9));
    EXPECT_EQ("bc", midText("abc", 2, -1));
    EXPECT_EQ("bc", midText("abc", 2, 9));
    EXPECT_EQ("b", midText("abc", 2, 1));
    EXPECT_EQ("", midText("abc", 4, 1));
    EXPECT_EQ("", midText("abc", 0, 1));
    EXPECT_EQ("", midText("abc", 1, 0));
    EXPECT_EQ(3, findText(1, "abc", "c"));
    EXPECT_EQ(0, findText(4, "abc", "c"));
    EXPECT_EQ(0, findText(0, "abc", "a"));
    EXPECT_EQ(0, findText(1, "abc", ""));
    EXPECT_EQ(0, findText(1, "", "a"));
    EXPECT_EQ(0, findText(1, "ab", "abc"));
    EXPECT_EQ(4, findText(2, "abcabc", "a"));
    EXPECT_EQ(0, findText(1, "abc", "B"));
    EXPECT_EQ("AZ09[\xe4\xc4", upperText("aZ09[\xe4\xc4"));
    EXPECT_EQ("az09[\xe4\xc4", lowerText("aZ09[\xe4\xc4"));
    EXPECT_EQ("0", unsignedToText(0));
    EXPECT_EQ("4294967295", unsignedToText(4294967295u));
    EXPECT_EQ("-1", signedToText(-1));
    EXPECT_EQ("-2147483648", signedToText(std::numeric_limits<std::int32_t>::min()));
}

TEST_F(Text, CleaningAndNormalisingNames) {
    const std::pair<std::string, std::string> cleaned[] = {
        {"   ", ""}, {"\t{ // entity 0", "{"}, {"// comment", ""}, {"a / b", "a / b"}, {"x//y//z", "x"},
        {"key = value   // note", "key = value"}, {"a\r", "a\r"}, {std::string("ab\0 // c", 8), "ab"},
    };
    for (const auto& [text, expected] : cleaned) EXPECT_EQ(expected, cleanLine(text)) << text;

    const std::pair<std::string, std::string> normalised[] = {
        {" \\Walls\\Brick_02\\ ", "Walls/Brick_02"}, {"/", ""}, {"//", ""}, {"a//", "a"}, {"///", ""}, {"/a/", "a"},
        {"//a", ""}, {"\\\\base\\wall", "/base/wall"}, {"a\\\\", "a/"}, {std::string("a\0b", 3), "a"},
    };
    for (const auto& [name, expected] : normalised) EXPECT_EQ(expected, normalizeTextureName(name)) << name;

    EXPECT_EQ("walls/brick_02", textureKey(" \\Walls\\Brick_02\\ // old name"));
    EXPECT_EQ("", textureKey("//A"));
}

TEST_F(Text, FlagNamesKeepSeparatorsForEmptyNames) {
    surfaceFlagNames[1] = "soft";
    surfaceFlagNames[3] = "echo";
    contentFlagNames[2] = "window";
    EXPECT_EQ("soft, , echo", flagNames(7, FLAG_TABLE_SURFACE));
    EXPECT_EQ("echo", flagNames(6, FLAG_TABLE_SURFACE));  // no text yet, so no separator for bit 2
    EXPECT_EQ("window, ", flagNames(7, FLAG_TABLE_CONTENT));
    EXPECT_EQ("", flagNames(0, FLAG_TABLE_SURFACE));
    surfaceFlagNames[2] = "soft";
    surfaceFlagNames[3] = "";
    EXPECT_EQ("soft, ", flagNames(6, FLAG_TABLE_SURFACE));

    std::string all;
    for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
        contentFlagNames[i] = "c" + std::to_string(i);
        all += (i == 1 ? "" : ", ") + contentFlagNames[i];
    }
    EXPECT_EQ(all, flagNames(4294967295u, FLAG_TABLE_CONTENT));
}

// The lines of `bytes` as the file readers take them, joined by "|".
std::string linesOf(std::string_view bytes) {
    std::string_view rest = textBeforeEndOfFile(bytes);
    std::string lines;
    do {
        lines += std::string(takeLine(rest)) + "|";
    } while (!rest.empty());
    return lines;
}

TEST_F(Text, LinesEndAtLineFeedAndFilesAtCtrlZ) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb", "a|b|"},          {"a\r\nb\r\n", "a|b|"}, {"a\n\n\r\nb\n", "a|||b|"}, {"", "|"},
        {"a\rb\n", "a\rb|"},       {"a\r", "a\r|"},        {"a\r\r\n", "a\r|"},       {"a\nb\x1a\nc\n", "a|b|"},
        {"\x1a" "a\n", "|"},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(expected, linesOf(bytes)) << bytes;
}

TEST_F(Text, NumbersBecomeWholeNumbersAndFlagSets) {
    const std::pair<double, double> rounded[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.7, -1},
        {0.49999999999999994, 0}, {1e300, 1e300}, {INF, INF},
    };
    for (const auto& [value, expected] : rounded) EXPECT_EQ(expected, roundHalfEven(value)) << value;
    EXPECT_TRUE(std::isnan(roundHalfEven(NOT_A_NUMBER)));

    constexpr double TWO_TO_THE_62 = 4611686018427387904.0;  // its neighbours lie 1024 apart
    const std::pair<double, std::uint32_t> flagSets[] = {
        {0, 0}, {5, 5}, {2.5, 2}, {4294967295, 4294967295u}, {-1, 4294967295u}, {4294967296, 0},
        {4294967295.5, 0}, {4294967297, 1}, {-4294967297, 4294967295u}, {21474836487.0, 7},
        {TWO_TO_THE_62 + 1024, 1024}, {-(TWO_TO_THE_62 + 1024), 4294966272u}, {1e300, 0}, {-1e300, 0},
        {NOT_A_NUMBER, 0}, {INF, 0}, {-INF, 0},
    };
    for (const auto& [value, expected] : flagSets) EXPECT_EQ(expected, flagSetFromNumber(value)) << value;

    EXPECT_TRUE(sameNumber(1, 1));
    EXPECT_FALSE(sameNumber(1, 2));
    EXPECT_TRUE(sameNumber(NOT_A_NUMBER, 2));
    EXPECT_TRUE(sameNumber(2, NOT_A_NUMBER));
    EXPECT_TRUE(sameNumber(INF, INF));
}

}  // namespace
