// Braces are counted as the map is read, without the walk's 8-bit depth: the first "}" that closes no block,
// or the innermost block still open at the end, is named by its physical line.
#include <gtest/gtest.h>

#include <tuple>

#include "app/state.h"
#include "map/map_file.h"
#include "testing/temp_dir.h"

namespace {

TEST(BraceBalance, FirstStrayCloseOrInnermostOpenBlockIsNamed) {
    const auto times = [](std::size_t count, const char* line) {
        std::string lines;
        while (count-- > 0) lines += line;
        return lines;
    };
    const std::tuple<std::string, std::uint8_t, std::uint32_t> rows[] = {
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
    for (const auto& [map, result, line] : rows) {
        resetState();
        writeFile("level.map", map);
        EXPECT_EQ(result, readMap("level.map")) << map;
        EXPECT_EQ(line, braceFaultLine) << map;
        EXPECT_EQ(result != MAP_READ, mapLines.empty()) << map;
    }
    resetState();
}

}  // namespace
