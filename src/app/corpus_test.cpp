// The real maps of the shared corpus, when it is there, with a configuration that defines their most used
// textures: after a -preserve -content run a check finds nothing due, and the map differs from its backup
// (a byte copy) only in face fields that hold flags, or the texture of a NULL face. A map that cannot be
// read whole is refused and left as it was; blocks no pass reads are warned of.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "testing/face_compare.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const fs::path CORPUS = fs::path(BRUSHUP_SOURCE_DIR) / ".." / "shared" / "corpus";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

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
        EXPECT_EQ(row.find("q3-brushdef") != std::string::npos, console.find("WARNING: level.map holds") != console.npos)
            << file;
        if (fixed == 1) {
            EXPECT_NE(std::string::npos, console.find("ERROR: level.map ends inside the block")) << file;
            EXPECT_EQ(original, readFile("level.map")) << file;
            EXPECT_FALSE(fs::exists("level.map.backup")) << file;
            continue;
        }
        EXPECT_EQ(0, fixed) << file;
        EXPECT_EQ(0, checked) << file << console.substr(console.rfind("Fixing content"));
        if (!fs::exists("level.map.backup")) continue;  // nothing changed
        EXPECT_EQ(original, readFile("level.map.backup")) << file;
        const std::vector<std::string> before = linesOf(original), after = linesOf(readFile("level.map"));
        ASSERT_EQ(before.size(), after.size()) << file;
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (changedOnlyInFlags(before[i], after[i])) continue;
            ADD_FAILURE() << file << " line " << i + 1 << " differs in more than its flags:\n" << after[i];
            break;
        }
    }
}

}  // namespace
