// Round trips over real maps from other people (shared/corpus, beside the
// project). The maps are read where they lie; their copies live only in a TempDir.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>

#include "app/state.h"
#include "map/face_line.h"
#include "map/map_file.h"
#include "map/map_walk.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The physical lines of `bytes` up to a Ctrl-Z, split here independently of the reader.
std::vector<std::string> physicalLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes.substr(0, bytes.find('\x1a')));
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - line.ends_with('\r')));
    return lines;
}

// faceFields 1 to 12: point groups, texture and axis groups as they stand, numbers as the shortest text that reads
// back exactly.
std::vector<std::string> faceValues() {
    std::vector<std::string> values;
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        const std::string_view text = faceFields[field];
        char number[32];
        const char* end = std::to_chars(number, number + sizeof number, fieldNumber(text)).ptr;
        values.emplace_back(field <= FIELD_TEXTURE || text.starts_with('[') ? text : std::string_view(number, end));
    }
    return values;
}

// Rebuilding a face keeps every value. Depth-2 lines that are no faces are heads of nested blocks or the cut-off
// end of a truncated map.
void expectFacesSurviveRebuilding(const fs::path& source) {
    MapWalk walk = startMapWalk();
    for (const std::string_view& line : mapLines) {
        if (walkMapLine(walk, line) != LINE_FACE) continue;
        if (!splitFaceLine(line)) {
            const bool cutOff = &line == &mapLines.back() && walk.depth != 0;
            EXPECT_TRUE(line == "brushDef" || line == "patchDef2" || cutOff) << source << ": " << line;
            continue;
        }
        const std::vector<std::string> before = faceValues();
        const std::string rebuilt = rebuildFaceLine();
        ASSERT_TRUE(splitFaceLine(rebuilt)) << rebuilt;
        EXPECT_EQ(before, faceValues()) << line;
    }
}

class Corpus : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    TempDir dir;
};

TEST_F(Corpus, RoundTripKeepsEveryKeptLineAndEveryFaceValue) {
    const fs::path corpus = BRUSHUP_CORPUS_DIR;
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() != ".map") continue;
        const fs::path& source = entry.path();
        resetState();
        fs::copy_file(source, "level.map", fs::copy_options::overwrite_existing);
        fs::permissions("level.map", fs::perms::owner_write, fs::perm_options::add);  // the corpus is read-only
        ASSERT_EQ(readMap("level.map"), MAP_READ) << source;
        const std::vector<std::string> sourceLines = physicalLines(readFile(source.string()));
        EXPECT_EQ(sourceLines.size(), linesRead) << source;
        expectFacesSurviveRebuilding(source);

        std::vector<std::string> expected{""};
        for (const std::string& line : sourceLines) {
            if (const std::string_view cleaned = cleanMapLine(line); !cleaned.empty()) expected.emplace_back(cleaned);
        }
        std::vector<std::string> written = physicalLines(formatMap());
        std::erase_if(written, [](const std::string& line) {
            return line.starts_with("// entity ") || line.starts_with("// brush ");
        });
        EXPECT_EQ(expected, written) << source;
    }
}

}  // namespace
