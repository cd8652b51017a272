#include "map/map_walk.h"

#include <gtest/gtest.h>

#include "app/state.h"

namespace {

class MapWalkTest : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
};

TEST_F(MapWalkTest, KindsDepthsAndNumbersAlongTheLines) {
    struct Step {
        const char* line;
        std::uint8_t kind;
        int depth;
        std::int32_t entity;
        std::int32_t brush;
    };
    const Step steps[] = {
        {"\"x\" \"y\"", LINE_OTHER, 0, 0, 0},
        {"{", LINE_ENTITY_OPEN, 1, 1, 0},
        {"\"classname\" \"worldspawn\"", LINE_OTHER, 1, 1, 0},
        {"{", LINE_BRUSH_OPEN, 2, 1, 1},
        {"( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) t 0 0 0 1 1", LINE_FACE, 2, 1, 1},
        {"patchDef2", LINE_FACE, 2, 1, 1},
        {"{ x", LINE_BLOCK_OPEN, 3, 1, 1},
        {"( 3 3 0 0 0 )", LINE_OTHER, 3, 1, 1},
        {"}", LINE_BLOCK_CLOSE, 2, 1, 1},
        {"} trailing", LINE_BRUSH_CLOSE, 1, 1, 1},
        {"{", LINE_BRUSH_OPEN, 2, 1, 2},
        {"}", LINE_BRUSH_CLOSE, 1, 1, 2},
        {"}", LINE_BLOCK_CLOSE, 0, 1, 2},
        // A stray "}" wraps the depth to 255; the next "{" comes back to 0.
        {"}", LINE_BLOCK_CLOSE, 255, 1, 2},
        {"{", LINE_BLOCK_OPEN, 0, 1, 2},
        {"{", LINE_ENTITY_OPEN, 1, 2, 0},
        {"{", LINE_BRUSH_OPEN, 2, 2, 1},
        {" {", LINE_FACE, 2, 2, 1},
    };
    MapWalk walk = startMapWalk();
    for (const Step& step : steps) {
        EXPECT_EQ(step.kind, walkMapLine(walk, step.line)) << step.line;
        EXPECT_EQ(step.depth, walk.depth) << step.line;
        EXPECT_EQ(step.entity, entityIndex) << step.line;
        EXPECT_EQ(step.brush, brushIndex) << step.line;
    }
}

TEST_F(MapWalkTest, OpeningBracesResetTheLastMarkers) {
    entityIndex = 7;
    brushIndex = 3;
    MapWalk walk = startMapWalk();
    EXPECT_EQ(0, entityIndex);
    EXPECT_EQ(0, brushIndex);
    lastEntityIndex = 5;
    lastBrushIndex = 5;
    walkMapLine(walk, "{");
    EXPECT_EQ(-1, lastEntityIndex);
    EXPECT_EQ(-1, lastBrushIndex);
    lastEntityIndex = 5;
    lastBrushIndex = 5;
    walkMapLine(walk, "{");
    EXPECT_EQ(5, lastEntityIndex);
    EXPECT_EQ(-1, lastBrushIndex);
}

}  // namespace
