#include "fix/face_contents.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

class FaceContents : public ::testing::Test {
   protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
        contentFlagNames[1] = "rock";
        contentFlagNames[3] = "mist";
        contentFlagNames[28] = "grain";
        addMapTexture("walls/brick_02").contentFlags = 1;
        addMapTexture("empty/tex").contentFlags = 0;
        addMapTexture("grain/tex").contentFlags = 134217729;
        addMapTexture("common/0_sky1").contentFlags = 1;
        addMapTexture("sky/undef").contentFlags = 4;
        for (TextureRecord& record : mapTextures) record.defined = record.name == "sky/undef" ? 0 : 1;
    }
    void TearDown() override { captureConsole(nullptr); }

    std::string console;
};

constexpr std::string_view POINTS = "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) ";

struct ContentCase {
    std::uint8_t options;
    std::string_view texture;
    std::string_view content;
    std::string_view fixedTo;  // empty when the face must stay as written
    std::string_view log;
};

TEST_F(FaceContents, SetsTheTextureContentKeepingFlag28) {
    const ContentCase cases[] = {
        {0, "Walls/Brick_02", "134217732", "134217729", "[walls/brick_02] \"mist, grain\" >> \"rock, grain\""},
        {OPT_NOSURF | OPT_NONULL | OPT_ZERO, "Walls/Brick_02", "134217732", "134217729",
         "[walls/brick_02] \"mist, grain\" >> \"rock, grain\""},
        {0, "walls/brick_02", "2281701376", "134217729", "[walls/brick_02] \"grain, \" >> \"rock, grain\""},
        {0, "walls/brick_02", "-4160749564", "134217729", "[walls/brick_02] \"mist, grain\" >> \"rock, grain\""},
        {0, "walls/brick_02", "134217729.0", "", ""},
        {0, "walls/brick_02", "4", "1", "[walls/brick_02] \"mist\" >> \"rock\""},
        {0, "walls/brick_02", "nan", "", ""},
        {0, "empty/tex", "0", "", ""},
        {0, "empty/tex", "5", "0", "[empty/tex] \"rock, mist\" >> NOTHING"},
        {0, "empty/tex", "134217733", "134217728", "[empty/tex] \"rock, mist, grain\" >> \"grain\""},
        {0, "grain/tex", "0", "134217729", "[grain/tex] NOTHING >> \"rock, grain\""},
        {0, "grain/tex", "134217729", "", ""},
        {0, "null", "0", "", ""},
        {0, "sky/undef", "0", "", ""},
    };
    for (const ContentCase& test : cases) {
        SCOPED_TRACE(test.content);
        TempDir dir;
        runOptions = static_cast<std::uint8_t>(test.options | OPT_DUMP);
        const std::string face = std::string(POINTS) + std::string(test.texture) + " 0 0 0 0.50 0.5 ";
        mapLines = {"{", "{", face + std::string(test.content) + " 6 0", "}", "}"};
        console.clear();
        applyFaceContents();
        const bool fixed = !test.fixedTo.empty();
        EXPECT_EQ(fixed ? std::string(POINTS) + std::string(test.texture) + " 0 0 0 0.5 0.5 " +
                              std::string(test.fixedTo) + " 6 0"
                        : face + std::string(test.content) + " 6 0",
                  mapLines[2]);
        EXPECT_EQ(fixed ? "--Entity 1, brush 1--\r\n" + std::string(test.log) + "\r\n" : "<missing>",
                  readFile("brushup.log"));
        EXPECT_EQ(std::string("Setting cpntents... done (") + (fixed ? "1" : "0") + " face content replaced)\r\n",
                  console);
    }
}

TEST_F(FaceContents, CountsInThePluralFromTwo) {
    const std::string face = std::string(POINTS) + "walls/brick_02 0 0 0 1 1 0 0 0";
    mapLines = {"{", "{", face, "}", "{", face, "}", "}"};
    applyFaceContents();
    EXPECT_EQ("Setting cpntents... done (2 face contents replaced)\r\n", console);
}

}  // namespace
