// The shared corpus's real maps, with their most used textures defined: after -preserve -content a check
// finds nothing due, and a map differs from its backup (a byte copy) only where -preserve may change a
// face. A map cut off is refused and left as it was; blocks no pass reads are warned of.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "testing/face_compare.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path CORPUS = fs::path(BRUSHUP_SOURCE_DIR) / ".." / "shared" / "corpus";

TEST(Corpus, PreservedMapsCheckCleanAndDifferOnlyInFlagFields) {
    if (!fs::exists(CORPUS / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus at " << CORPUS;
    std::string config = readFile(BRUSHUP_EXAMPLES_DIR "/brushup.ini");
    const char* const flagSets[] = {"solid slick", "window trans33", "detail sky", "none"};
    std::istringstream textures(readFile((CORPUS / "TEXTURES.txt").string()));
    std::size_t count = 0;
    for (std::string name, uses; textures >> name >> uses; ++count) config += name + " = " + flagSets[count % 4] + "\n";
    std::istringstream manifest(readFile((CORPUS / "MANIFEST.tsv").string()));
    std::string row;
    std::getline(manifest, row);  // the headings
    while (std::getline(manifest, row)) {
        const std::string file = row.substr(0, row.find('\t'));
        TempDir dir;
        writeFile("brushup.ini", config);
        const std::string original = readFile((CORPUS / file).string());
        writeFile("level.map", original);
        std::string console;
        captureConsole(&console);
        const int fixed = runProgram({"brushup", "level", "-p", "-c"});
        const int checked = runProgram({"brushup", "level", "-k", "-c"});
        captureConsole(nullptr);
        EXPECT_EQ(row.find("q3-brushdef") != std::string::npos,
                  console.find("WARNING: level.map holds") != console.npos)
            << file;
        // Only a map cut off inside a block is refused; it is left as it was, and so is one that needs nothing.
        const bool refused = console.find("ERROR: level.map ends inside the block") != std::string::npos;
        EXPECT_EQ(refused ? 1 : 0, fixed) << file;
        EXPECT_EQ(refused ? 1 : 0, checked) << file;
        if (refused || !fs::exists("level.map.backup")) {
            EXPECT_EQ(original, readFile("level.map")) << file;
            continue;
        }
        EXPECT_EQ(original, readFile("level.map.backup")) << file;
        std::istringstream before(original), after(readFile("level.map"));
        std::string lineBefore, lineAfter;
        for (int line = 1; std::getline(before, lineBefore) && std::getline(after, lineAfter); ++line) {
            if (changedOnlyInFlags(lineBefore, lineAfter)) continue;
            ADD_FAILURE() << file << " line " << line << " differs in more than its flags:\n" << lineAfter;
            break;
        }
        EXPECT_TRUE(before.eof() && !std::getline(after, lineAfter)) << file << " has other lines";
    }
}

}  // namespace
