#include "map/inventory.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/output.h"
#include "app/state.h"
#include "testing/state_test_base.h"

namespace {

using Inventory = StateTest;

std::string face(std::string_view texture) {
    return "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) " + std::string(texture) + " 0 0 0 1 1 0 0 0";
}

TEST_F(Inventory, JoinsEachDistinctKeyWithItsFirstDefinitionAndLogsUndefinedOnce) {
    for (const bool nonull : {false, true}) {
        std::remove("brushup.log");
        resetState();
        console.clear();
        runOptions = nonull ? OPT_NONULL | OPT_DUMP | OPT_VERBOSE : OPT_DUMP | OPT_VERBOSE;
        // clang-format off
        textureDefs = {{"walls/brick_02", 1, 2, 0}, {"walls/brick_02", 9, 9, 0}, {"common/0_sky1", 0, 4, 0},
                       {"null", 0, 8, 0}, {"deep/tex", 0, 1, 0}};
        mapLines = {"{", face("deep/tex"), "{", face("Walls/Brick_02"), face("walls\\brick_02"), face("NULL"),
                    face("sky/undef"), "brushDef", "{", face("deep/tex"), "}", face("/walls/brick_02/"),
                    face("sky/undef"), face("Other/Undef"), face("/null"), "}", "}"};
        // clang-format on
        const std::vector<std::string> before = mapLines;
        collectTextures();
        std::string listed;
        for (const TextureRecord& record : mapTextures) {
            listed += record.name + " " + std::to_string(record.contentFlags) + " " +
                      std::to_string(record.surfaceFlags) + " " + std::to_string(record.defined) + "\n";
        }
        const std::string nullEntry = nonull ? "null 0 8 1\n" : "common/0_sky1 0 4 1\n";
        EXPECT_EQ("walls/brick_02 1 2 1\n" + nullEntry + "sky/undef 0 0 0\nother/undef 0 0 0\n", listed);
        EXPECT_TRUE(textureDefs.empty());
        EXPECT_EQ(before, mapLines);
        EXPECT_EQ(
            "-- WARNING --\r\nThe following textures are not defined and will be ignored:\r\n"
            "     sky/undef\r\n     other/undef\r\n",
            readFile("brushup.log"));
        EXPECT_EQ("Found 4 uniques textures (2 textures undefined in brushup.ini)\r\n", console);
    }
}

}  // namespace
