#include "fix/face_contents.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/output.h"
#include "app/state.h"
#include "testing/state_test_base.h"

namespace {

class FaceContents : public StateTest {
   protected:
    void SetUp() override {
        StateTest::SetUp();
        contentFlagNames[1] = "rock";
        contentFlagNames[3] = "mist";
        contentFlagNames[28] = "grain";
        addMapTexture("walls/brick_02") = {"walls/brick_02", 1, 0, 1};
        addMapTexture("empty/tex") = {"empty/tex", 0, 0, 1};
        addMapTexture("grain/tex") = {"grain/tex", 134217729, 0, 1};
        addMapTexture("common/0_sky1") = {"common/0_sky1", 1, 0, 1};
        addMapTexture("sky/undef") = {"sky/undef", 4, 0, 0};
    }
};

std::string face(std::string_view content, std::string_view texture = "walls/brick_02") {
    return "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) " + std::string(texture) + " 0 0 0 0.5 0.5 " + std::string(content) +
           " 6 0";
}

// Surface field 6 would make -nosurf skip the face in the surface pass; here no option has an effect.
TEST_F(FaceContents, WorkedExampleAndFlag28KeptGainedAndLostWhateverTheOptions) {
    for (const int options : {0, OPT_NOSURF | OPT_NONULL | OPT_ZERO}) {
        std::remove("brushup.log");
        runOptions = static_cast<std::uint8_t>(options | OPT_DUMP);
        // clang-format off
        mapLines = {"{", "{", "}", "{", "}", "{", "}", "{", face("134217732", "Walls/Brick_02"), "}",
                    "{", face("2281701376"), face("-4160749564"), face("134217729.0"), face("nan"),
                         face("5", "empty/tex"), face("134217733", "empty/tex"), face("0", "grain/tex"),
                         face("0", "null"), face("0", "sky/undef"), "}",
                    "}"};
        // clang-format on
        std::vector<std::string> expected = mapLines;
        expected[8] = face("134217729", "Walls/Brick_02");
        expected[11] = expected[12] = face("134217729");
        expected[15] = face("0", "empty/tex");
        expected[16] = face("134217728", "empty/tex");
        expected[17] = face("134217729", "grain/tex");
        console.clear();
        applyFaceContents();
        EXPECT_EQ(expected, mapLines);
        EXPECT_EQ(
            "--Entity 1, brush 4--\r\n[walls/brick_02] \"mist, grain\" >> \"rock, grain\"\r\n"
            "--Entity 1, brush 5--\r\n[walls/brick_02] \"grain, \" >> \"rock, grain\"\r\n"
            "[walls/brick_02] \"mist, grain\" >> \"rock, grain\"\r\n[empty/tex] \"rock, mist\" >> NOTHING\r\n"
            "[empty/tex] \"rock, mist, grain\" >> \"grain\"\r\n[grain/tex] NOTHING >> \"rock, grain\"\r\n",
            readFile("brushup.log"));
        EXPECT_EQ("Setting cpntents... done (6 face contents replaced)\r\n", console);
    }
}

}  // namespace
