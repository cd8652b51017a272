#include "config/config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

// Everything the loader stored: one line per texture record ("[name] content
// surface"), then every flag name given ("S<n>=name", "C<n>=name").
std::string storedState() {
    std::string state;
    for (const TextureRecord& record : textureDefs) {
        state += "[" + record.name + "] " + std::to_string(record.contentFlags) + " " +
                 std::to_string(record.surfaceFlags) + "\n";
    }
    for (const auto& [table, names] : {std::pair{"S", &surfaceFlagNames}, std::pair{"C", &contentFlagNames}}) {
        for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
            if (!(*names)[i].empty()) state += table + std::to_string(i) + "=" + (*names)[i] + "\n";
        }
    }
    return state;
}

class Config : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
    }
    void TearDown() override { captureConsole(nullptr); }

    TempDir dir;
    std::string console;
};

TEST_F(Config, WorkedExampleLoadsNamesAndTextures) {
    writeFile("brushup.ini", R"(; flag names of the target game
version = 2
[Surface]
FLAG1 = soft
FLAG2 = echo
flag3 = sky        // drawn as sky
FLAG8 = nodraw

[CONTENT]
FLAG1 = solid
FLAG2 = window
FLAG3 = draw
[TEXTURES]
Walls\Brick_02 = soft, echo
common/sky1 = sky nodraw
glass/pane = Window
metal/grate =
[Sounds]
step = metal
)");
    ASSERT_TRUE(loadConfig("brushup.ini"));
    EXPECT_EQ("INIT_INI: No mode set for \"VERSION = 2\" in BRUSHUP.INI! [L2]\r\n"
              "INIT_INI: Pair undefined \"METAL/GRATE = \" in BRUSHUP.INI! [L17]\r\n"
              "INIT_INI: Mode/pair unknown \"STEP = metal\" in BRUSHUP.INI! [L19]\r\n",
              console);
    EXPECT_EQ("[walls/brick_02] 0 3\n[common/sky1] 4 132\n[glass/pane] 2 0\n"
              "S1=soft\nS2=echo\nS3=sky\nS8=nodraw\nC1=solid\nC2=window\nC3=draw\n",
              storedState());
}

struct LoadCase {
    const char* what;
    std::string file;
    std::string console;
    std::string state;
};

TEST_F(Config, LinesAreReadAsTheirKindSays) {
    const LoadCase cases[] = {
        {"section line with comment, CR LF", "[TEXTURES]   // texture list\r\nt = x\r\n", "", "[t] 0 0\n"},
        {"section line ending in text is ignored", "[SURFACE]\n[TEXTURES] ; texture list\nFLAG1 = a", "", "S1=a\n"},
        {"blanks inside the brackets stay", "[ TEXTURES ]\nt = x",
         "INIT_INI: Mode/pair unknown \"T = x\" in BRUSHUP.INI! [L2]\r\n", ""},
        {"[] is no section", "[TEXTURES]\n[]\nt = x", "INIT_INI: No mode set for \"T = x\" in BRUSHUP.INI! [L3]\r\n",
         ""},
        {"comments and ; later in a value", "[SURFACE]\nFLAG1 = b\n[TEXTURES]\n   ; a = b\nt = a ; b", "",
         "[t] 0 1\nS1=b\n"},
        {"the first = splits", "[X]\na = b = c", "INIT_INI: Mode/pair unknown \"A = b = c\" in BRUSHUP.INI! [L2]\r\n",
         ""},
        {"empty key or value, in any section", "=\n[TEXTURES]\n=x\nx=\ntex = // later\nno pair here",
         "INIT_INI: Pair undefined \" = \" in BRUSHUP.INI! [L1]\r\n"
         "INIT_INI: Pair undefined \" = x\" in BRUSHUP.INI! [L3]\r\n"
         "INIT_INI: Pair undefined \"X = \" in BRUSHUP.INI! [L4]\r\n"
         "INIT_INI: Pair undefined \"TEX = \" in BRUSHUP.INI! [L5]\r\n",
         ""},
        {"flag names replace, keep or are ignored", "[SURFACE]\nFLAG5 = a\nNAME = a\nFLAG5 =\nFLAG6 = a\nflag6 = B c",
         "INIT_INI: Pair undefined \"FLAG5 = \" in BRUSHUP.INI! [L4]\r\n", "S5=a\nS6=B c\n"},
        {"flag numbers round half to even",
         "[CONTENT]\nFLAG03 = a\nFLAG 4 = b\nFLAG5x = c\nFLAG2.5 = d\nFLAG7.5 = e\nFLAG\t7 = f\nFLAG32.5 = g", "",
         "C2=d\nC3=a\nC4=b\nC5=c\nC7=f\nC8=e\nC32=g\n"},
        {"line ends, blank lines and Ctrl-Z", "\r\n[X]\n\r\na=1\r\nb=2\x1a\nc=3\n",
         "INIT_INI: Mode/pair unknown \"A = 1\" in BRUSHUP.INI! [L4]\r\n"
         "INIT_INI: Mode/pair unknown \"B = 2\" in BRUSHUP.INI! [L5]\r\n",
         ""},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.what);
        resetState();
        console.clear();
        writeFile("brushup.ini", c.file);
        EXPECT_TRUE(loadConfig("brushup.ini"));
        EXPECT_EQ(c.console, console);
        EXPECT_EQ(c.state, storedState());
    }
}

TEST_F(Config, FlagNumbersOutsideTheTablesAreReportedNotStored) {
    writeFile("brushup.ini",
              "[SURFACE]\nFLAG = a\nFLAGS = a\nFLAG0 = a\nFLAG33 = a\nFLAG-1 = a\nFLAGnan = a\nFLAG1e300 = a\n"
              "FLAG-inf = a\nFLAG0.5 = a\nFLAG32.5 = ok\n");
    ASSERT_TRUE(loadConfig("brushup.ini"));
    std::string expected;
    const char* keys[] = {"FLAG", "FLAGS", "FLAG0", "FLAG33", "FLAG-1", "FLAGNAN", "FLAG1E300", "FLAG-INF", "FLAG0.5"};
    int lineNumber = 2;
    for (const char* key : keys) {
        expected += std::string("INIT_INI: Flag number out of range \"") + key + " = a\" in BRUSHUP.INI! [L" +
                    std::to_string(lineNumber++) + "]\r\n";
    }
    EXPECT_EQ(expected, console);
    EXPECT_EQ("S32=ok\n", storedState());
}

TEST_F(Config, TexturesTakeTheFlagsTheirValuesMention) {
    writeFile("brushup.ini", R"([TEXTURES]
early = sky
[SURFACE]
FLAG1 = Sky
FLAG2 = no draw
FLAG8 = nodraw
[CONTENT]
FLAG3 = nodraw
FLAG4 = draw
[TEXTURES]
a = SKY
B = nodraw
c = no draw
d = skynodraw|sky
a = soft
/ = sky
 \Walls\Brick/ = sky
)");
    ASSERT_TRUE(loadConfig("brushup.ini"));
    EXPECT_EQ("", console);
    EXPECT_EQ("[early] 0 0\n[a] 0 1\n[b] 12 128\n[c] 8 2\n[d] 12 129\n[a] 0 0\n[] 0 1\n[walls/brick] 0 1\n"
              "S1=Sky\nS2=no draw\nS8=nodraw\nC3=nodraw\nC4=draw\n",
              storedState());
}

TEST_F(Config, MessagesNameTheFileAsGivenUpperCased) {
    std::filesystem::create_directory("sub");
    writeFile("sub/Setup.ini", "[x]\nk=v");  // the last line needs no line end
    ASSERT_TRUE(loadConfig("sub/Setup.ini"));
    EXPECT_EQ("INIT_INI: Mode/pair unknown \"K = v\" in SUB/SETUP.INI! [L2]\r\n", console);
}

TEST_F(Config, ReadOnlyFileIsRead) {
    writeFile("brushup.ini", "[TEXTURES]\nt = x\n");
    std::filesystem::permissions("brushup.ini", std::filesystem::perms::owner_read);
    EXPECT_TRUE(loadConfig("brushup.ini"));
    EXPECT_EQ("[t] 0 0\n", storedState());
}

TEST_F(Config, FileThatDoesNotCountLoadsNothing) {
    struct Case {
        const char* what;
        std::string name;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {"missing", "brushup.ini", [] {}},
        {"zero bytes", "brushup.ini", [] { writeFile("brushup.ini", ""); }},
        {"directory", "brushup.ini", [] { std::filesystem::create_directory("brushup.ini"); }},
        {"hidden", ".brushup.ini", [] { writeFile(".brushup.ini", "[TEXTURES]\nt = x\n"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir fresh;
        c.prepare();
        EXPECT_FALSE(loadConfig(c.name));
        EXPECT_EQ("", console);
        EXPECT_EQ("", storedState());
    }
}

TEST_F(Config, FileEndingAtOnceIsPresentButEmpty) {
    writeFile("brushup.ini", "\x1a[TEXTURES]\nt = x\n");
    EXPECT_TRUE(loadConfig("brushup.ini"));
    EXPECT_EQ("", console);
    EXPECT_EQ("", storedState());
}

}  // namespace
