#include "fix/surface_flags.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "testing/state_test_base.h"

namespace {

class SurfaceFlags : public StateTest {
   protected:
    void SetUp() override {
        StateTest::SetUp();
        surfaceFlagNames[2] = "soft";
        surfaceFlagNames[3] = "echo";
        surfaceFlagNames[4] = "wet";
        addMapTexture("walls/brick_02") = {"walls/brick_02", 0, 6, 1};
        addMapTexture("common/0_sky1") = {"common/0_sky1", 0, 4, 1};
        addMapTexture("sky/undef") = {"sky/undef", 0, 8, 0};
    }
};

constexpr std::string_view POINTS = "( 0 0 64 ) ( 64 0 64 ) ( 0 64 64 ) ";

std::string face(std::string_view surface, std::string_view texture = "walls/brick_02") {
    return std::string(POINTS) + std::string(texture) + " 0 0 0 1 1 0 " + std::string(surface) + " 0";
}

TEST_F(SurfaceFlags, WorkedExampleAndOddFlagFieldsLogOneHeaderPerChangedBrush) {
    runOptions = OPT_DUMP | OPT_ZERO;
    const std::string worked =
        std::string(POINTS) + "Walls/Brick_02 0.000000 0.000000 0.000000 0.500000 0.500000 0 2 0";
    const std::string valve = std::string(POINTS) + "Walls\\Brick_02 [ 1 0 0 0.50 ] [ 0 -1 0 0 ] 0 1 1 0 0 0";
    // clang-format off
    mapLines = {"{", "{", "}", "{", "}", "{", "}",
                "{", worked, face("6.000000"), face("0", "walls/brick_03"), "brushDef", "{", face("0"), "}", valve, "}",
                "{", face("6.5"), face("-4294967292"), face("1e20"), face("nan"), face("0", "sky/undef"),
                     face("2", "NULL"), face("4", "null"), face("0", "/null"), "}",
                "}"};
    // clang-format on
    std::vector<std::string> expected = mapLines;
    expected[8] = std::string(POINTS) + "Walls/Brick_02 0 0 0 0.5 0.5 0 6 0";
    expected[15] = std::string(POINTS) + "Walls\\Brick_02 [ 1 0 0 0.50 ] [ 0 -1 0 0 ] 0 1 1 0 6 0";
    expected[18] = expected[19] = expected[20] = face("6");
    expected[23] = face("4", "common/0_sky1");
    applySurfaceFlags();
    EXPECT_EQ(expected, mapLines);
    EXPECT_EQ(
        "--Entity 1, brush 4--\r\n[walls/brick_02] \"soft\" >> \"soft, echo\"\r\n"
        "[walls/brick_02] NOTHING >> \"soft, echo\"\r\n"
        "--Entity 1, brush 5--\r\n[walls/brick_02] \"soft, echo\" >> \"soft, echo\"\r\n"
        "[walls/brick_02] \"echo\" >> \"soft, echo\"\r\n[walls/brick_02] NOTHING >> \"soft, echo\"\r\n"
        "[common/0_sky1] \"soft\" >> \"echo\"\r\n",
        readFile("brushup.log"));
    EXPECT_EQ("Setting surfaces... done (6 surfaces replaced)\r\n", console);
}

TEST_F(SurfaceFlags, NosurfSkipsNonZeroFieldsAndNonullLeavesNullUnreplaced) {
    for (const std::uint8_t options : {OPT_NOSURF, OPT_NONULL}) {
        runOptions = options;
        mapLines = {"{", "{", face("0.0"), face("8", "NULL"), "}", "}"};
        applySurfaceFlags();
        EXPECT_EQ((std::vector<std::string>{"{", "{", face("6"), face("8", "NULL"), "}", "}"}), mapLines) << +options;
    }
}

}  // namespace
