#include "map/map_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <tuple>
#include <utility>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "testing/run_binary.h"
#include "testing/state_test_base.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

// `text` with every "\n" made "\r\n", for expected written files.
std::string withCrLf(std::string_view text) {
    std::string out;
    for (const char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

// True when the directory holds a temporary file of an unfinished write.
bool temporaryFileLeft(const std::string& directory) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(directory, error)) {
        if (entry.path().filename().string().starts_with(".brushup-")) return true;
    }
    return false;
}

bool limitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

using MapFile = StateTest;

TEST_F(MapFile, WorkedExampleReadsAndWrites) {
    writeFile("level.map", "{\n  // old comment\n  {\n"
                           "    ( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0   // note\n  }\n}\n");
    ASSERT_TRUE(readMap("level.map"));
    EXPECT_EQ(6u, linesRead);
    ASSERT_TRUE(writeMap("level.map.backup", "shown.backup"));
    EXPECT_EQ("Writing shown.backup\r\n", console);
    EXPECT_EQ(withCrLf("\n// entity 0\n{\n// brush 0\n{\n"
                       "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0\n}\n}\n"),
              readFile("level.map.backup"));
    EXPECT_EQ(5u, mapLines.size());
}

// Rows: the bytes, their physical lines, whether "{", "a" "b", "}" are kept (else no line is). A zero-byte file
// is not read at all.
TEST_F(MapFile, LineEndsEndOfFileAndEmptyFilesRead) {
    const std::tuple<std::string_view, std::uint32_t, bool> cases[] = {
        {"{\n\"a\" \"b\"\n}\n", 3, true},    {"{\r\n\"a\" \"b\"\r\n}\r\n", 3, true},
        {"{\r\n\"a\" \"b\"\n}", 3, true},    {"{\n\n\t\"a\" \"b\"  \n}\r\n\x1a}\n{\n", 4, true},
        {"{\n\"a\" \"b\"\n}\x1a", 3, true},  {"// one\n\n   \t\n// four", 4, false},
        {"", 0, false},
    };
    for (const auto& [bytes, lines, kept] : cases) {
        writeFile("level.map", bytes);
        if (!kept) mapLines = {"stale"};
        linesRead = 10;
        EXPECT_EQ(!bytes.empty(), readMap("level.map")) << bytes;
        EXPECT_EQ(10 + lines, linesRead) << bytes;
        EXPECT_EQ((kept ? std::vector<std::string>{"{", "\"a\" \"b\"", "}"} : std::vector<std::string>{}), mapLines);
    }
}

TEST_F(MapFile, OldCommentsGiveWayToFreshNumbersAndStrayOrDeepBlocksGetNone) {
    writeFile("level.map", "// entity 7\n{ // world\n\"classname\" \"worldspawn\" // here\n// brush 12\n{\nface a\n}\n"
                           "{\n}\n}\n{\n{\n}\n}\n");
    ASSERT_TRUE(readMap("level.map"));
    EXPECT_EQ(withCrLf("\n// entity 0\n{\n\"classname\" \"worldspawn\"\n// brush 0\n{\nface a\n}\n// brush 1\n{\n}\n}\n"
                       "// entity 1\n{\n// brush 0\n{\n}\n}\n"),
              formatMap());
    mapLines = {"}", "{", "{", "{", "{", "patchDef2", "{", "x", "}", "}", "}", "}"};
    EXPECT_EQ(withCrLf("\n}\n{\n// entity 0\n{\n// brush 0\n{\n{\npatchDef2\n{\nx\n}\n}\n}\n}\n"), formatMap());
}

TEST_F(MapFile, QuotedSlashesStartNoComment) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"  \"wad\" \"c://q/a.wad\"  // wads", "\"wad\" \"c://q/a.wad\""}, {"\"msg\" \"a // b", "\"msg\" \"a // b"},
        {"\"a\" \"b\" // \"c//d\"", "\"a\" \"b\""}, {"\t( 0 0 0 ) tex 0//1", "( 0 0 0 ) tex 0"}, {"ab\0// cd"sv, "ab"},
    };
    for (const auto& [line, cleaned] : cases) EXPECT_EQ(cleaned, cleanMapLine(line)) << line;
}

TEST_F(MapFile, WritingThroughALinkReplacesItsTarget) {
    fs::create_directories("real");
    fs::create_directories("sub");
    writeFile("real/level.map", "old");
    fs::create_symlink("../real/level.map", "sub/level.map");
    mapLines = {"{", "}"};
    ASSERT_TRUE(writeMap("sub/level.map", "sub/level.map"));
    EXPECT_TRUE(fs::is_symlink("sub/level.map"));
    EXPECT_EQ(withCrLf("\n// entity 0\n{\n}\n"), readFile("real/level.map"));
    EXPECT_FALSE(temporaryFileLeft("real") || temporaryFileLeft("sub"));
}

// Each row makes the disk operation really fail: a read-only file, a folder in its place, a folder the writer (as
// nobody) may not create files in, a file-size limit. The old file stays and no temporary file is left.
TEST_F(MapFile, FailedWritesLeaveTheTargetAlone) {
    fs::create_directory("folder.map");
    fs::create_directory("locked");
    for (const char* name : {"readonly.map", "limited.map", "locked/level.map"}) writeFile(name, "old");
    fs::permissions("readonly.map", static_cast<fs::perms>(0444));
    fs::permissions("locked/level.map", static_cast<fs::perms>(0666));
    fs::permissions("locked", static_cast<fs::perms>(0555));
    const auto asNobody = [] {
        return ::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0);
    };
    const std::pair<const char*, std::function<bool()>> cases[] = {
        {"readonly.map", nullptr}, {"folder.map", nullptr}, {"limited.map", [] { return limitFileSize(64); }},
        {"locked/level.map", asNobody},
    };
    mapLines.assign(20, "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0");
    for (const auto& [name, prepare] : cases) {
        const pid_t child = ::fork();
        if (child == 0) {
            preparePlatform();
            ::_exit(prepare && !prepare() ? 2 : writeMap(name, name) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << name << " " << status;
        EXPECT_TRUE(fs::is_directory(name) || readFile(name) == "old") << name;
        EXPECT_FALSE(temporaryFileLeft(".") || temporaryFileLeft("locked")) << name;
    }
}

// The whole run: a read-only backup stops it before any change; with a size limit the backup just fits and the
// fixed map, which gains its flag fields, does not. Each names the file and ends with 1.
TEST_F(MapFile, FailedWritesEndTheRun) {
    constexpr std::string_view SOURCE = "{\n{\n( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) walls/brick 0 0 0 1 1\n}\n}\n";
    writeFile("brushup.ini", "[SURFACE]\nFLAG1 = soft\n[CONTENT]\nFLAG1 = solid\n[TEXTURES]\nwalls/brick = soft\n");
    writeFile("level.map", SOURCE);
    writeFile("level.map.backup", "old");
    fs::permissions("level.map.backup", fs::perms::owner_read);
    BinaryResult result = runBinary({"level"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_TRUE(result.output.ends_with("Writing level.map.backup\r\nERROR: Cannot write level.map.backup!\r\n"))
        << result.output;
    EXPECT_EQ("old", readFile("level.map.backup"));
    EXPECT_EQ(SOURCE, readFile("level.map"));

    ASSERT_TRUE(readMap("level.map"));
    const std::string backup = formatMap();
    fs::remove("level.map.backup");
    result = runBinary({"level"}, [&] { limitFileSize(backup.size()); });
    EXPECT_EQ(1, result.exitCode);
    EXPECT_TRUE(result.output.ends_with("Writing level.map\r\nERROR: Cannot write level.map!\r\n")) << result.output;
    EXPECT_EQ(backup, readFile("level.map.backup"));
    EXPECT_EQ(SOURCE, readFile("level.map"));
    EXPECT_FALSE(temporaryFileLeft("."));
}

}  // namespace
