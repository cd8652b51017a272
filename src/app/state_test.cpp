#include "app/state.h"

#include <gtest/gtest.h>

namespace {

TEST(State, ResetEmptiesEverythingAndFillsFlagBits) {
    runOptions = OPT_DUMP;
    mapLines.push_back("{");
    textureDefs.push_back({"a", 1, 2, 0});
    addMapTexture("walls/brick");
    surfaceFlagNames[3] = "sky";
    linesRead = 9;
    resetState();
    EXPECT_EQ(0, runOptions);
    EXPECT_TRUE(mapLines.empty());
    EXPECT_TRUE(textureDefs.empty());
    EXPECT_TRUE(mapTextures.empty());
    EXPECT_EQ(nullptr, findMapTexture("walls/brick"));
    EXPECT_EQ("", surfaceFlagNames[3]);
    EXPECT_EQ(0u, linesRead);
    EXPECT_EQ(1u, flagBit[1]);
    EXPECT_EQ(134217728u, flagBit[28]);
    EXPECT_EQ(2147483648u, flagBit[32]);
}

TEST(State, MapTexturesAreFoundByExactNameInFirstUseOrder) {
    resetState();
    addMapTexture("b").surfaceFlags = 4;
    addMapTexture("a").defined = 1;
    for (int i = 0; i < 100; ++i) addMapTexture(std::to_string(i));  // regrowth keeps the index valid
    ASSERT_NE(nullptr, findMapTexture("b"));
    EXPECT_EQ(4u, findMapTexture("b")->surfaceFlags);
    EXPECT_EQ(1, findMapTexture("a")->defined);
    EXPECT_EQ("99", findMapTexture("99")->name);
    EXPECT_EQ(nullptr, findMapTexture("B"));
    EXPECT_EQ("b", mapTextures[0].name);
    EXPECT_EQ("a", mapTextures[1].name);
}

}  // namespace
