#include "map/map_walk.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/state.h"

namespace {

class MapWalkTest : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
};

// Per line: kind, then depth, entityIndex, brushIndex and the last-markers (set to 5 before each line).
// A stray "}" wraps the 8-bit depth to 255.
TEST_F(MapWalkTest, KindsDepthsNumbersAndMarkersAlongTheLines) {
    struct Step {
        const char* line;
        std::uint8_t kind;
        std::vector<int> after;
    };
    const Step steps[] = {
        {"\"x\" \"y\"", LINE_OTHER, {0, 0, 0, 5, 5}}, {"{", LINE_ENTITY_OPEN, {1, 1, 0, -1, -1}},
        {"{", LINE_BRUSH_OPEN, {2, 1, 1, 5, -1}},     {"face", LINE_FACE, {2, 1, 1, 5, 5}},
        {"{ x", LINE_BLOCK_OPEN, {3, 1, 1, 5, 5}},    {"}", LINE_BLOCK_CLOSE, {2, 1, 1, 5, 5}},
        {" {", LINE_FACE, {2, 1, 1, 5, 5}},           {"} x", LINE_BRUSH_CLOSE, {1, 1, 1, 5, 5}},
        {"{", LINE_BRUSH_OPEN, {2, 1, 2, 5, -1}},     {"}", LINE_BRUSH_CLOSE, {1, 1, 2, 5, 5}},
        {"}", LINE_BLOCK_CLOSE, {0, 1, 2, 5, 5}},     {"}", LINE_BLOCK_CLOSE, {255, 1, 2, 5, 5}},
        {"{", LINE_BLOCK_OPEN, {0, 1, 2, 5, 5}},      {"{", LINE_ENTITY_OPEN, {1, 2, 0, -1, -1}},
    };
    entityIndex = 7;
    brushIndex = 3;
    MapWalk walk = startMapWalk();
    for (const Step& step : steps) {
        lastEntityIndex = lastBrushIndex = 5;
        EXPECT_EQ(step.kind, walkMapLine(walk, step.line)) << step.line;
        EXPECT_EQ(step.after, (std::vector<int>{walk.depth, entityIndex, brushIndex, lastEntityIndex, lastBrushIndex}))
            << step.line;
    }
}

}  // namespace
