// Whole runs on real maps from other people (shared/corpus, beside the project), copied into a TempDir: the
// backup holds every line as read, without its comment and the blanks at its ends, and the counts agree.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/output.h"
#include "app/run.h"
#include "testing/temp_dir.h"

namespace {

// A map line as the written map keeps it, worked out here apart from the reader: up to a NUL and the first
// "//" outside double quotes, without blanks and tabs at its ends.
std::string keptText(std::string line) {
    line = line.substr(0, line.find('\0'));
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        quoted = quoted != (line[i] == '"');
        if (!quoted && line.compare(i, 2, "//") == 0) line.resize(i);
    }
    const std::size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos ? "" : line.substr(first, line.find_last_not_of(" \t") + 1 - first);
}

TEST(Corpus, TheBackupOfARealMapKeepsEveryLine) {
    const std::filesystem::path corpus = BRUSHUP_CORPUS_DIR;
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().extension() != ".map") continue;
        TempDir dir;
        const std::string source = readFile(entry.path().string());
        writeFile("level.map", source);
        writeFile("brushup.ini", "[TEXTURES]\nnone = x\n");
        std::string expected = "\r\n", console;
        std::size_t read = 0, kept = 0;
        std::istringstream lines(source.substr(0, source.find('\x1a')));
        for (std::string line; std::getline(lines, line); ++read) {
            const std::string text = keptText(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
            if (!text.empty()) expected += text + "\r\n", ++kept;
        }
        captureConsole(&console);
        EXPECT_EQ(0, runProgram({"brushup", "level", "-v"})) << entry.path();
        captureConsole(nullptr);
        EXPECT_NE(std::string::npos, console.find("Read " + std::to_string(read) + " lines, " + std::to_string(kept)));
        std::string backup;
        std::istringstream written(readFile("level.map.backup"));
        for (std::string line; std::getline(written, line);) {
            if (!line.starts_with("// entity ") && !line.starts_with("// brush ")) backup += line + "\n";
        }
        EXPECT_EQ(expected, backup) << entry.path();
    }
}

}  // namespace
