// Round trips over real maps from other people (shared/corpus, beside the
// project). The maps are read where they lie; their copies live only in a TempDir.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

#include "app/output.h"
#include "app/state.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "map/map_walk.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path CORPUS_DIR = BRUSHUP_CORPUS_DIR;

// The physical lines of `bytes`, split here independently of the reader.
std::vector<std::string> physicalLines(const std::string& bytes) {
    std::vector<std::string> lines(1);
    for (const char c : bytes) {
        if (c == '\x1a') break;
        if (c == '\n') {
            if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
    return lines;
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        if (!fs::is_directory(CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
        for (const auto& entry : fs::directory_iterator(CORPUS_DIR)) {
            if (entry.path().extension() == ".map") maps.push_back(entry.path());
        }
        std::sort(maps.begin(), maps.end());
        captureConsole(&console);
    }
    void TearDown() override { captureConsole(nullptr); }

    // Reads a writable copy of `source` (the corpus itself is read-only).
    void readCopy(const fs::path& source) {
        resetState();
        fs::copy_file(source, "level.map", fs::copy_options::overwrite_existing);
        fs::permissions("level.map", fs::perms::owner_write, fs::perm_options::add);
        ASSERT_TRUE(readMap("level.map")) << source;
    }

    TempDir dir;
    std::vector<fs::path> maps;
    std::string console;
};

TEST_F(Corpus, WrittenMapKeepsEveryKeptLine) {
    for (const fs::path& source : maps) {
        readCopy(source);
        const std::vector<std::string> sourceLines = physicalLines(readFile(source.string()));
        EXPECT_EQ(sourceLines.size(), linesRead) << source;
        std::vector<std::string> expected;
        for (const std::string& line : sourceLines) {
            std::string cleaned = cleanMapLine(line);
            if (!cleaned.empty()) expected.push_back(std::move(cleaned));
        }
        ASSERT_TRUE(writeMap("level.map.backup", "level.map.backup"));
        const std::string written = readFile("level.map.backup");
        ASSERT_TRUE(written.starts_with("\r\n") && written.ends_with("\r\n")) << source;
        std::vector<std::string> kept;
        std::size_t start = 2;
        while (start < written.size()) {
            const std::size_t end = written.find("\r\n", start);
            ASSERT_NE(std::string::npos, end) << source;
            const std::string line = written.substr(start, end - start);
            if (!line.starts_with("// entity ") && !line.starts_with("// brush ")) kept.push_back(line);
            start = end + 2;
        }
        EXPECT_EQ(expected, kept) << source;
        ASSERT_TRUE(writeMap("level.map", "level.map"));
        EXPECT_EQ(written, readFile("level.map")) << source;
    }
}

// Lines at depth 2 that are no faces stay as read: the heads of nested
// brushDef and patchDef2 blocks, and the cut-off last line of a truncated map.
TEST_F(Corpus, RebuiltFacesKeepTheirValues) {
    for (const fs::path& source : maps) {
        readCopy(source);
        MapWalk walk = startMapWalk();
        for (const std::string& line : mapLines) {
            if (walkMapLine(walk, line) != LINE_FACE) continue;
            if (!splitFaceLine(line)) {
                const bool cutOff = &line == &mapLines.back() && walk.depth != 0;
                EXPECT_TRUE(line == "brushDef" || line == "patchDef2" || cutOff) << source << ": " << line;
                continue;
            }
            std::array<std::string, FACE_FIELD_COUNT + 1> original;
            for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) original[field] = faceFields[field];
            const std::string rebuilt = rebuildFaceLine();
            ASSERT_TRUE(splitFaceLine(rebuilt)) << rebuilt;
            for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
                if (field <= FIELD_TEXTURE || original[field].starts_with("[")) {
                    EXPECT_EQ(original[field], faceFields[field]) << line;
                    continue;
                }
                const double before = fieldNumber(original[field]);
                const double after = fieldNumber(faceFields[field]);
                EXPECT_TRUE((std::isnan(before) && std::isnan(after)) ||
                            (before == after && std::signbit(before) == std::signbit(after)))
                    << line << " field " << field;
            }
        }
    }
}

}  // namespace
