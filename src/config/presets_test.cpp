#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <utility>

#include "app/output.h"
#include "app/state.h"
#include "config/config.h"
#include "testing/temp_dir.h"

namespace {

// Each row: a shipped configuration and how many flags it names. A texture whose
// value is one flag name gets that flag's bit and no other.
TEST(Presets, EveryFlagNameSetsOnlyItsOwnBit) {
    TempDir dir;
    std::string console;
    captureConsole(&console);
    const std::pair<const char*, std::size_t> presets[] = {{"quake2.ini", 15 + 26}, {"quake3.ini", 19 + 25}};
    for (const auto& [file, namedFlags] : presets) {
        const std::string path = std::string(BRUSHUP_EXAMPLES_DIR) + "/" + file;
        resetState();
        ASSERT_TRUE(loadConfig(path)) << file;
        EXPECT_EQ("detail", contentFlagNames[28]) << file;
        std::string config = readFile(path) + "\n[TEXTURES]\n";
        for (const auto& names : {surfaceFlagNames, contentFlagNames})
            for (const std::string& name : names) config += name.empty() ? "" : name + " = " + name + "\n";
        writeFile("brushup.ini", config);
        resetState();
        ASSERT_TRUE(loadConfig("brushup.ini"));
        ASSERT_EQ(namedFlags, textureDefs.size()) << file;
        for (const TextureRecord& texture : textureDefs) {
            std::uint32_t surface = 0, content = 0;  // the bits of the flags named exactly so
            for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
                surface += surfaceFlagNames[i] == texture.name ? flagBit[i] : 0;
                content += contentFlagNames[i] == texture.name ? flagBit[i] : 0;
            }
            EXPECT_EQ(1, std::popcount(surface | content)) << file << ": " << texture.name;
            EXPECT_EQ(std::pair(surface, content), std::pair(texture.surfaceFlags, texture.contentFlags))
                << texture.name;
        }
    }
    captureConsole(nullptr);
    EXPECT_EQ("", console);
}

}  // namespace
