#include "map/inventory.h"

#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

class Inventory : public ::testing::Test {
   protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
    }
    void TearDown() override { captureConsole(nullptr); }

    void define(const std::string& name, std::uint32_t contentFlags, std::uint32_t surfaceFlags) {
        TextureRecord& record = textureDefs.emplace_back();
        record.name = name;
        record.contentFlags = contentFlags;
        record.surfaceFlags = surfaceFlags;
    }
    // The map textures as "name content surface defined" lines.
    static std::string listed() {
        std::string text;
        for (const TextureRecord& record : mapTextures) {
            text += record.name + " " + std::to_string(record.contentFlags) + " " +
                    std::to_string(record.surfaceFlags) + " " + std::to_string(record.defined) + "\n";
        }
        return text;
    }

    std::string console;
};

std::vector<std::string> brushOf(const std::vector<std::string>& textures) {
    std::vector<std::string> lines = {"{", "\"classname\" \"worldspawn\"", "{"};
    for (const std::string& texture : textures)
        lines.push_back("( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) " + texture + " 0 0 0 1 1 0 0 0");
    lines.insert(lines.end(), {"}", "}"});
    return lines;
}

TEST_F(Inventory, JoinsEachDistinctKeyWithItsFirstDefinitionAndLogsUndefinedOnce) {
    TempDir dir;
    runOptions = OPT_DUMP | OPT_VERBOSE;
    define("walls/brick_02", 1, 2);
    define("walls/brick_02", 9, 9);
    define("common/0_sky1", 0, 4);
    define("deep/tex", 0, 1);
    mapLines = brushOf({"Walls/Brick_02", "walls\\brick_02", "/walls/brick_02/", "NULL", "sky/undef", "sky/undef",
                        "walls/brick_02", "Other/Undef", "/null"});
    // Only lines at depth 2 that are face lines count.
    mapLines.insert(mapLines.begin() + 3,
                    {"brushDef", "{", "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) deep/tex 0 0 0 1 1 0 0 0", "}"});
    mapLines.insert(mapLines.begin() + 1, "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) deep/tex 0 0 0 1 1 0 0 0");
    const std::vector<std::string> before = mapLines;

    collectTextures();

    EXPECT_EQ("walls/brick_02 1 2 1\ncommon/0_sky1 0 4 1\nsky/undef 0 0 0\nother/undef 0 0 0\n", listed());
    EXPECT_TRUE(textureDefs.empty());
    EXPECT_EQ(before, mapLines);
    EXPECT_EQ(
        "-- WARNING --\r\nThe following textures are not defined and will be ignored:\r\n"
        "     sky/undef\r\n     other/undef\r\n",
        readFile("brushup.log"));
    EXPECT_EQ("Found 4 uniques textures (2 textures undefined in brushup.ini)\r\n", console);
}

TEST_F(Inventory, NonullKeepsNullAsItsOwnTexture) {
    runOptions = OPT_NONULL | OPT_VERBOSE;
    define("common/0_sky1", 0, 4);
    mapLines = brushOf({"NULL", "/null"});
    collectTextures();
    EXPECT_EQ("null 0 0 0\n", listed());
    EXPECT_EQ("Found 1 uniques textures (1 textures undefined in brushup.ini)\r\n", console);
}

TEST_F(Inventory, PrintsNothingWithoutVerboseOrDump) {
    TempDir dir;
    mapLines = brushOf({"sky/undef"});
    collectTextures();
    EXPECT_EQ("sky/undef 0 0 0\n", listed());
    EXPECT_EQ("", console);
    EXPECT_FALSE(fileExists("brushup.log"));
}

}  // namespace
