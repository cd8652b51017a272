// Braces are counted as the map is read, without the walk's 8-bit depth: the first "}" that closes no block,
// or the innermost block still open at the end, is named by its physical line.
#include <gtest/gtest.h>

#include "app/state.h"
#include "map/map_file.h"
#include "testing/temp_dir.h"

namespace {

std::string times(std::size_t count, const std::string& line) {
    std::string lines;
    for (std::size_t i = 0; i < count; ++i) lines += line;
    return lines;
}

TEST(BraceBalance, FirstStrayCloseOrInnermostOpenBlockIsNamed) {
    struct Row {
        std::string map;
        std::uint8_t result;
        std::uint32_t line;
    };
    const Row rows[] = {
        {"{\n{\n}\n}\n", MAP_READ, 0},
        {"}\n{\n}\n", MAP_STRAY_CLOSE, 1},
        {"{\n}\n// c\n\n}\n{\n", MAP_STRAY_CLOSE, 5},
        {"// cut\n{\n{\n}\n{\n( 0 0 0 )", MAP_OPEN_BLOCK, 5},
        {"{\r\n\r\n  {\r\n}\r\n", MAP_OPEN_BLOCK, 1},
        {"\xEF\xBB\xBF{\n}\n", MAP_READ, 0},
        {"\xEF\xBB{\n}\n", MAP_STRAY_CLOSE, 2},  // no whole mark: the first line is no brace
        {times(256, "{\n"), MAP_OPEN_BLOCK, 256},
        {times(256, "{\n") + times(256, "}\n"), MAP_READ, 0},
        {times(257, "{\n") + times(256, "}\n"), MAP_OPEN_BLOCK, 1},
    };
    TempDir dir;
    for (const Row& row : rows) {
        resetState();
        writeFile("level.map", row.map);
        EXPECT_EQ(row.result, readMap("level.map")) << row.map;
        EXPECT_EQ(row.line, braceFaultLine) << row.map;
        EXPECT_EQ(row.result != MAP_READ, mapLines.empty()) << row.map;
    }
    resetState();
}

}  // namespace
