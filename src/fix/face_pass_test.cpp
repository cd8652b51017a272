#include "fix/face_pass.h"

#include <gtest/gtest.h>

#include "app/state.h"

namespace {

class FacePass : public ::testing::Test {
   protected:
    void SetUp() override { resetState(); }
};

TEST_F(FacePass, TextureLookupFollowsTheFieldFromTheFirstFaceOn) {
    addMapTexture("");
    addMapTexture("walls/brick_02");
    TextureLookup lookup;
    const std::pair<std::string_view, const TextureRecord*> faces[] = {
        {"", &mapTextures[0]},       {"Walls\\Brick_02", &mapTextures[1]},  {"Walls\\Brick_02", &mapTextures[1]},
        {"walls/brick_03", nullptr}, {"/walls/brick_02/", &mapTextures[1]},
    };
    for (const auto& [field, record] : faces) {
        lookUpFaceTexture(lookup, field);
        EXPECT_EQ(record, lookup.record) << field;
    }
    EXPECT_EQ("walls/brick_02", lookup.key);
}

}  // namespace
