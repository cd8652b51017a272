#include <gtest/gtest.h>

#include "app/output.h"
#include "app/state.h"
#include "config/config.h"
#include "testing/temp_dir.h"
#include "testing/texture_files.h"

namespace {

// Folders at any depth, paks, sidecars beside a .wal and alone, bad files of each kind: every
// message names its file and its [WAL] line, and the sources after it are read all the same.
TEST(WalSources, TexturesComeFromFoldersAndPaksAfterTheConfiguration) {
    TempDir dir;
    resetState();
    const std::pair<std::string, std::string> files[] = {
        {"q2/textures/e1u1/Deep/Glass.WAL", walBytes(0x40000001, 0x20000002, 0x7777)},
        {"q2/textures/e1u1/clip.wal", walBytes(8, 0x30000, 0)},
        {"q2/textures/e1u1/clip.wal_json", "{\"flags\": 4}"},  // the content stays the .wal's
        {"q2/textures/decal.png", ""},
        {"q2/textures/decal.WAL_JSON",
         "{\"flags\": [\"SKY\", 2, \"NoDraw\"], // names and a number\n"
         "\"contents\": [\"solid\", 16]}"},
        {"q2/textures/wall.wal", walBytes(1, 1, 0)},  // [TEXTURES] defines it
        {"q2/textures/short.wal", std::string(99, '\0')},
        {"q2/textures/broken.wal_json", "{\"flags\": "},
        {"q2/textures/typo.wal_json", "{\"flags\": [\"sky\", \"skyy\"]}"},
        {"pak0.pak", pakBytes({{"textures/e2u1/floor.wal", walBytes(2, 1, 0)},
                               {"pics/e2u2.wal", walBytes(1, 1, 1)},
                               {"textures/e1u1/clip.wal", walBytes(9, 9, 9)},
                               {"textures/tiny.wal", "x"}})},
        {"bad.pak", "PACK" + wordBytes(12) + wordBytes(64)},
        {"brushup.ini",
         "[WAL]\ntextures = missing\ntextures = q2/textures\npak = pak0.pak\npak = bad.pak\n"
         "pak = none.pak\n[SURFACE]\nFLAG3 = sky\nFLAG8 = nodraw\n[CONTENT]\nFLAG1 = solid\n"
         "[TEXTURES]\nwall = sky\n"},
    };
    for (const auto& [name, bytes] : files) writeFile(name, bytes);
    std::string console;
    captureConsole(&console);
    ASSERT_TRUE(loadConfig("brushup.ini"));
    captureConsole(nullptr);
    EXPECT_EQ(
        "INIT_INI: Folder unreadable \"missing\" in BRUSHUP.INI! [L2]\r\n"
        "INIT_INI: Sidecar not JSON \"q2/textures/broken.wal_json\" in BRUSHUP.INI! [L3]\r\n"
        "INIT_INI: WAL header too short \"q2/textures/short.wal\" in BRUSHUP.INI! [L3]\r\n"
        "INIT_INI: Sidecar flag unknown \"q2/textures/typo.wal_json: skyy\" in BRUSHUP.INI! [L3]\r\n"
        "INIT_INI: WAL header too short \"pak0.pak:textures/tiny.wal\" in BRUSHUP.INI! [L4]\r\n"
        "INIT_INI: Pak directory outside the file \"bad.pak\" in BRUSHUP.INI! [L5]\r\n"
        "INIT_INI: File unreadable \"none.pak\" in BRUSHUP.INI! [L6]\r\n",
        console);
    std::string definitions;
    for (const TextureRecord& record : textureDefs) {
        definitions +=
            record.name + " " + std::to_string(record.contentFlags) + " " + std::to_string(record.surfaceFlags) + "\n";
    }
    EXPECT_EQ(
        "wall 0 4\ndecal 17 134\ne1u1/deep/glass 536870914 1073741825\ne1u1/clip 196608 4\ntypo 0 4\n"
        "e2u1/floor 1 2\n",
        definitions);
    EXPECT_EQ(std::pair(5u, 5u), std::pair(walSourceCount, walTextureCount));
}

}  // namespace
