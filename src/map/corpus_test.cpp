// Whole runs on real maps from other people (shared/corpus, beside the project), copied into a TempDir: the
// backup holds each line as read without its comment and the blanks at its ends, and the counts agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/output.h"
#include "app/run.h"
#include "testing/temp_dir.h"

TEST(Corpus, TheBackupOfARealMapKeepsEveryLine) {
    if (!std::filesystem::is_directory(BRUSHUP_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " BRUSHUP_CORPUS_DIR;
    for (const auto& entry : std::filesystem::directory_iterator(BRUSHUP_CORPUS_DIR)) {
        TempDir dir;
        const std::string source = readFile(entry.path().string());
        writeFile("level.map", source);
        writeFile("brushup.ini", "[TEXTURES]\nnone = x\n");
        // Worked out here apart from the reader: up to a NUL and the first "//" outside double quotes.
        std::string expected = "\r\n", written, console, line;
        std::size_t read = 0, kept = 0;
        for (std::istringstream lines(source.substr(0, source.find('\x1a'))); std::getline(lines, line); ++read) {
            if (line.ends_with('\r')) line.pop_back();
            line.resize(std::min(line.size(), line.find('\0')));
            for (std::size_t i = 0, quoted = 0; i < line.size(); ++i) {
                quoted ^= line[i] == '"';
                if (quoted == 0 && line.compare(i, 2, "//") == 0) line.resize(i);
            }
            const std::size_t first = line.find_first_not_of(" \t"), last = line.find_last_not_of(" \t");
            if (first != std::string::npos) expected += line.substr(first, last + 1 - first) + "\r\n", ++kept;
        }
        captureConsole(&console);
        EXPECT_EQ(0, runProgram({"brushup", "level", "-v"})) << entry.path();
        captureConsole(nullptr);
        EXPECT_NE(std::string::npos, console.find("Read " + std::to_string(read) + " lines, " + std::to_string(kept)));
        for (std::istringstream lines(readFile("level.map.backup")); std::getline(lines, line);) {
            if (!line.starts_with("// entity ") && !line.starts_with("// brush ")) written += line + "\n";
        }
        EXPECT_EQ(expected, written) << entry.path();
    }
}
