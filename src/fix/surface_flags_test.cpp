#include "fix/surface_flags.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

class SurfaceFlags : public ::testing::Test {
   protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
        surfaceFlagNames[2] = "soft";
        surfaceFlagNames[3] = "echo";
        surfaceFlagNames[4] = "wet";
        addMapTexture("walls/brick_02").surfaceFlags = 6;
        addMapTexture("common/0_sky1").surfaceFlags = 4;
        addMapTexture("sky/undef").surfaceFlags = 8;
        for (TextureRecord& record : mapTextures) record.defined = record.name == "sky/undef" ? 0 : 1;
    }
    void TearDown() override { captureConsole(nullptr); }

    std::string console;
};

constexpr std::string_view POINTS = "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) ";

struct SurfaceCase {
    std::uint8_t options;
    std::string_view face;     // after the points
    std::string_view fixedTo;  // after the points; empty when the face must stay as written
    std::string_view log;
};

TEST_F(SurfaceFlags, SetsTheTextureFlagsOnFacesThatDiffer) {
    const std::string header = "--Entity 1, brush 1--\r\n";
    // -1 is every flag; unnamed flags still add their separator.
    std::string allFlagsLog = "[walls/brick_02] \"soft, echo, wet";
    for (int flag = 5; flag <= 32; ++flag) allFlagsLog += ", ";
    allFlagsLog += "\" >> \"soft, echo\"";
    const SurfaceCase cases[] = {
        {0, "Walls/Brick_02 0.000000 0 0 0.500000 0.5 0 2 0", "Walls/Brick_02 0 0 0 0.5 0.5 0 6 0",
         "[walls/brick_02] \"soft\" >> \"soft, echo\""},
        {0, "Walls/Brick_02 0 0 0 1 1 0 6.000000 0", "", ""},
        {0, "walls/brick_02 0 0 0 1 1 0 6.5 0", "walls/brick_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] \"soft, echo\" >> \"soft, echo\""},
        {0, "walls/brick_02 0 0 0 1 1 0 7.5 0", "walls/brick_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] \"wet\" >> \"soft, echo\""},
        {0, "walls/brick_02 0 0 0 1 1 0 -1 0", "walls/brick_02 0 0 0 1 1 0 6 0", allFlagsLog},
        {0, "walls/brick_02 0 0 0 1 1 0 1e20 0", "walls/brick_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] NOTHING >> \"soft, echo\""},
        {0, "walls/brick_02 0 0 0 1 1 0 nan 0", "", ""},
        {0, "walls\\BRICK_02 0 0 0 1 1", "walls\\BRICK_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] NOTHING >> \"soft, echo\""},
        {0, "walls/brick_02 0 0 0 1 1 0 0 0 extra", "walls/brick_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] NOTHING >> \"soft, echo\""},
        {0, "walls/brick_02 [ 1 0 0 0.50 ] [ 0 -1 0 0 ] 0 1 1 0 0 0",
         "walls/brick_02 [ 1 0 0 0.50 ] [ 0 -1 0 0 ] 0 1 1 0 6 0", "[walls/brick_02] NOTHING >> \"soft, echo\""},
        {0, "sky/undef 0 0 0 1 1 0 0 0", "", ""},
        {0, "NULL 0 0 0 1 1 0 2 0", "common/0_sky1 0 0 0 1 1 0 4 0", "[common/0_sky1] \"soft\" >> \"echo\""},
        {0, "NULL 0 0 0 1 1 0 4 0", "", ""},
        {0, "/null 0 0 0 1 1 0 0 0", "", ""},
        {OPT_NONULL, "NULL 0 0 0 1 1 0 0 0", "", ""},
        {OPT_NOSURF, "walls/brick_02 0 0 0 1 1 0 4 0", "", ""},
        {OPT_NOSURF, "NULL 0 0 0 1 1 0 8 0", "", ""},
        {OPT_NOSURF, "walls/brick_02 0 0 0 1 1 0 0.0 0", "walls/brick_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] NOTHING >> \"soft, echo\""},
        {OPT_NOSURF, "walls/brick_02 0 0 0 1 1 0", "walls/brick_02 0 0 0 1 1 0 6 0",
         "[walls/brick_02] NOTHING >> \"soft, echo\""},
        {OPT_NOSURF, "NULL 0 0 0 1 1 0 nan 0", "", ""},
    };
    for (const SurfaceCase& test : cases) {
        SCOPED_TRACE(test.face);
        TempDir dir;
        runOptions = static_cast<std::uint8_t>(test.options | OPT_DUMP);
        const std::string face = std::string(POINTS) + std::string(test.face);
        mapLines = {"{", "{", face, "}", "}"};
        console.clear();
        applySurfaceFlags();
        const bool fixed = !test.fixedTo.empty();
        EXPECT_EQ(fixed ? std::string(POINTS) + std::string(test.fixedTo) : face, mapLines[2]);
        EXPECT_EQ(fixed ? header + std::string(test.log) + "\r\n" : "<missing>", readFile("brushup.log"));
        EXPECT_EQ(std::string("Setting surfaces... done (") + (fixed ? "1" : "0") + " surface replaced)\r\n", console);
    }
}

TEST_F(SurfaceFlags, LogsOneHeaderPerBrushNumberedFromOne) {
    TempDir dir;
    runOptions = OPT_DUMP;
    const std::string face = std::string(POINTS) + "walls/brick_02 0 0 0 1 1 0 ";
    mapLines = {"{",          "{",          "}", "{", "}", "{", face + "0 0", "}", "{", face + "2 0",
                face + "0 0", face + "6 0", "}", "}", "{", "{", face + "0 0", "}", "}"};
    applySurfaceFlags();
    EXPECT_EQ(face + "6 0", mapLines[9]);
    EXPECT_EQ(face + "6 0", mapLines[10]);
    EXPECT_EQ(
        "--Entity 1, brush 3--\r\n[walls/brick_02] NOTHING >> \"soft, echo\"\r\n"
        "--Entity 1, brush 4--\r\n[walls/brick_02] \"soft\" >> \"soft, echo\"\r\n"
        "[walls/brick_02] NOTHING >> \"soft, echo\"\r\n"
        "--Entity 2, brush 1--\r\n[walls/brick_02] NOTHING >> \"soft, echo\"\r\n",
        readFile("brushup.log"));
    EXPECT_EQ("Setting surfaces... done (4 surfaces replaced)\r\n", console);
}

TEST_F(SurfaceFlags, LeavesLinesOutsideBrushesAndNonFacesAlone) {
    const std::string face = std::string(POINTS) + "walls/brick_02 0 0 0 1 1 0 0 0";
    // A stray "}" lowers every later level by one.
    mapLines = {"}", "{", "{", face, "}", "}", "{", "{", "{", "brushDef", "garbage ( 1", "{", face, "}", "}", "}", "}"};
    const std::vector<std::string> before = mapLines;
    applySurfaceFlags();
    EXPECT_EQ(before, mapLines);
    EXPECT_EQ("Setting surfaces... done (0 surface replaced)\r\n", console);
}

}  // namespace
