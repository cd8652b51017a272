#include "config/config.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "testing/state_test_base.h"

namespace {

// Everything the loader stored: one line per texture record ("[name] content
// surface"), then every flag name given ("S<n>=name", "C<n>=name").
std::string storedState() {
    std::string state;
    for (const TextureRecord& r : textureDefs) {
        state += "[" + r.name + "] " + std::to_string(r.contentFlags) + " " + std::to_string(r.surfaceFlags) + "\n";
    }
    for (const auto& [table, names] : {std::pair{"S", &surfaceFlagNames}, std::pair{"C", &contentFlagNames}}) {
        for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
            if (!(*names)[i].empty()) state += table + std::to_string(i) + "=" + (*names)[i] + "\n";
        }
    }
    return state;
}

using Config = StateTest;

// One console line of the loader about `pair` on line `lineNumber` of brushup.ini.
std::string message(const std::string& what, const std::string& pair, int lineNumber) {
    return "INIT_INI: " + what + " \"" + pair + "\" in BRUSHUP.INI! [L" + std::to_string(lineNumber) + "]\r\n";
}

TEST_F(Config, LinesAreReadAsTheirKindSays) {
    const std::string unknown = "Mode/pair unknown", undefined = "Pair undefined", range = "Flag number out of range";
    const struct {
        std::string file, expected;  // the console, then storedState()
    } cases[] = {
        {"[TEXTURES]   // texture list\r\nt = x\r\n", "[t] 0 0\n"},
        {"[SURFACE]\n[TEXTURES] ; texture list\nFLAG1 = a", "S1=a\n"},
        {"[ TEXTURES ]\nt = x", message(unknown, "T = x", 2)},
        {"[TEXTURES]\n[]\nt = x", message("No mode set for", "T = x", 3)},
        {"[SURFACE]\nFLAG1 = b\n[TEXTURES]\n   ; a = b\nt = a ; b", "[t] 0 1\nS1=b\n"},
        {"[X]\na = b = c", message(unknown, "A = b = c", 2)},
        {"=\n[TEXTURES]\n=x\ntex = // later\nno pair here",
         message(undefined, " = ", 1) + message(undefined, " = x", 3) + message(undefined, "TEX = ", 4)},
        {"[SURFACE]\nFLAG5 = a\nNAME = a\nFLAG5 =\nFLAG6 = a\nflag6 = B c",
         message(undefined, "FLAG5 = ", 4) + "S5=a\nS6=B c\n"},
        {"[CONTENT]\nFLAG03 = a\nFLAG 4 = b\nFLAG5x = c\nFLAG2.5 = d\nFLAG7.5 = e\nFLAG\t7 = f\nFLAG32.5 = g",
         "C2=d\nC3=a\nC4=b\nC5=c\nC7=f\nC8=e\nC32=g\n"},
        {"[SURFACE]\nFLAG = a\nFLAG0 = a\nFLAG33 = a\nFLAGnan = a\nFLAG1e300 = a\nFLAG0.5 = a\nFLAG32.5 = ok",
         message(range, "FLAG = a", 2) + message(range, "FLAG0 = a", 3) + message(range, "FLAG33 = a", 4) +
             message(range, "FLAGNAN = a", 5) + message(range, "FLAG1E300 = a", 6) + message(range, "FLAG0.5 = a", 7) +
             "S32=ok\n"},
        // Flag names match anywhere in the value, in any case, as defined when the texture line is read.
        {"[TEXTURES]\nearly = sky\n[SURFACE]\nFLAG1 = Sky\nFLAG2 = no draw\nFLAG8 = nodraw\n[CONTENT]\n"
         "FLAG3 = nodraw\nFLAG4 = draw\n[TEXTURES]\na = SKY\nB = nodraw\nc = no draw\nd = skynodraw|sky\na = soft\n"
         "/ = sky\n \\W\\B/ = sky",
         "[early] 0 0\n[a] 0 1\n[b] 12 128\n[c] 8 2\n[d] 12 129\n[a] 0 0\n[] 0 1\n[w/b] 0 1\n"
         "S1=Sky\nS2=no draw\nS8=nodraw\nC3=nodraw\nC4=draw\n"},
        {"\r\n[X]\n\r\na=1\r\nb=2\x1a\nc=3\n", message(unknown, "A = 1", 4) + message(unknown, "B = 2", 5)},
        {"\x1a[TEXTURES]\nt = x\n", ""},
    };
    for (const auto& c : cases) {
        resetState();
        console.clear();
        writeFile("brushup.ini", c.file);
        EXPECT_TRUE(loadConfig("brushup.ini")) << c.file;
        EXPECT_EQ(c.expected, console + storedState()) << c.file;
    }
}

}  // namespace
