#include "map/map_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "testing/run_binary.h"
#include "testing/temp_dir.h"

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
        if (entry.path().filename().string().rfind(".brushup-", 0) == 0) return true;
    }
    return false;
}

// Runs `action` in a forked child after `prepare`; the child's exit code:
// 0 when the action succeeded, 1 when it failed, 2 when `prepare` failed.
int inChild(const std::function<bool()>& prepare, const std::function<bool()>& action) {
    const pid_t child = ::fork();
    if (child == 0) {
        preparePlatform();
        if (!prepare()) ::_exit(2);
        ::_exit(action() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Drops root to user and group nobody, so directory permissions apply.
bool becomeNobody() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

bool limitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

constexpr std::string_view WORKED_MAP =
    "{\n  // old comment\n  {\n"
    "    ( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0   // note\n"
    "  }\n}\n";
constexpr std::string_view WORKED_WRITTEN =
    "\n// entity 0\n{\n// brush 0\n{\n"
    "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0\n}\n}\n";

class MapFile : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        captureConsole(&console);
    }
    void TearDown() override { captureConsole(nullptr); }

    TempDir dir;
    std::string console;
};

TEST_F(MapFile, WorkedExampleReadsAndWrites) {
    writeFile("level.map", WORKED_MAP);
    ASSERT_TRUE(readMap("level.map"));
    EXPECT_EQ(6u, linesRead);
    EXPECT_EQ(5u, mapLines.size());
    ASSERT_TRUE(writeMap("level.map.backup", "shown.backup"));
    EXPECT_EQ("Writing shown.backup\r\n", console);
    EXPECT_EQ(withCrLf(WORKED_WRITTEN), readFile("level.map.backup"));
    EXPECT_EQ(5u, mapLines.size());
}

TEST_F(MapFile, LineEndsAndEndOfFileReadAlike) {
    struct Case {
        std::string_view bytes;
        std::uint32_t lines;
    };
    const Case cases[] = {
        {"{\n\"a\" \"b\"\n}\n", 3},   {"{\r\n\"a\" \"b\"\r\n}\r\n", 3},
        {"{\r\n\"a\" \"b\"\n}", 3},   {"{\n\n\t\"a\" \"b\"  \n}\r\n\x1a}\n{\n", 4},
        {"{\n\"a\" \"b\"\n}\x1a", 3},
    };
    for (const Case& c : cases) {
        resetState();
        writeFile("level.map", c.bytes);
        ASSERT_TRUE(readMap("level.map"));
        EXPECT_EQ(c.lines, linesRead);
        EXPECT_EQ((std::vector<std::string>{"{", "\"a\" \"b\"", "}"}), mapLines);
    }
}

TEST_F(MapFile, OldCommentsGiveWayToFreshNumbers) {
    writeFile("level.map",
              "// entity 7\n{ // world\n\"classname\" \"worldspawn\" // here\n// brush 12\n{\nface a\n}\n{\n}\n"
              "// brush 99999999999\n{\n}\n}\n{\n\"classname\" \"func_wall\"\n{\n}\n{\nface b\n}\n}\n");
    ASSERT_TRUE(readMap("level.map"));
    ASSERT_TRUE(writeMap("level.map", "level.map"));
    EXPECT_EQ(withCrLf("\n// entity 0\n{\n\"classname\" \"worldspawn\"\n// brush 0\n{\nface a\n}\n// brush 1\n{\n}\n"
                       "// brush 2\n{\n}\n}\n// entity 1\n{\n\"classname\" \"func_wall\"\n// brush 0\n{\n}\n"
                       "// brush 1\n{\nface b\n}\n}\n"),
              readFile("level.map"));
}

TEST_F(MapFile, StrayBracesAndDeepBlocksGetNoComment) {
    mapLines = {"}", "{", "{", "{", "{", "patchDef2", "{", "x", "}", "}", "}", "}"};
    EXPECT_EQ(withCrLf("\n}\n{\n// entity 0\n{\n// brush 0\n{\n{\npatchDef2\n{\nx\n}\n}\n}\n}\n"), formatMap());
}

TEST_F(MapFile, QuotedSlashesStartNoComment) {
    struct Case {
        std::string_view line;
        std::string_view cleaned;
    };
    const Case cases[] = {
        {"  \"wad\" \"c://q/a.wad\"  // wads", "\"wad\" \"c://q/a.wad\""},
        {"\"message\" \"a // b", "\"message\" \"a // b"},
        {"\"a\" \"b\" // \"c//d\"", "\"a\" \"b\""},
        {"// \"quoted\"", ""},
        {"\t( 0 0 0 ) tex 0//1", "( 0 0 0 ) tex 0"},
        {"ab\0// cd"sv, "ab"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.cleaned, cleanMapLine(c.line)) << c.line;
}

TEST_F(MapFile, FilesThatDoNotCountAreNotRead) {
    writeFile("empty.map", "");
    writeFile("locked.map", "{\n}\n");
    fs::permissions("locked.map", fs::perms::owner_read | fs::perms::group_read);
    writeFile(".hidden.map", "{\n}\n");
    fs::create_directory("folder.map");
    for (const char* name : {"empty.map", "locked.map", ".hidden.map", "folder.map", "missing.map"}) {
        mapLines = {"stale"};
        EXPECT_FALSE(readMap(name)) << name;
        EXPECT_TRUE(mapLines.empty()) << name;
    }
    EXPECT_EQ(0u, linesRead);
}

TEST_F(MapFile, CommentOnlyFileReadsEmpty) {
    writeFile("level.map", "// one\n\n   \t\n// four");
    linesRead = 10;
    ASSERT_TRUE(readMap("level.map"));
    EXPECT_TRUE(mapLines.empty());
    EXPECT_EQ(14u, linesRead);
}

TEST_F(MapFile, WritingThroughALinkReplacesItsTarget) {
    fs::create_directories("real");
    fs::create_directories("sub");
    writeFile("real/level.map", "old");
    fs::create_symlink("../real/level.map", "sub/level.map");
    fs::create_symlink("real/new.map", "new.map");  // dangling until written
    mapLines = {"{", "}"};
    ASSERT_TRUE(writeMap("sub/level.map", "sub/level.map"));
    ASSERT_TRUE(writeMap("new.map", "new.map"));
    EXPECT_TRUE(fs::is_symlink("sub/level.map"));
    EXPECT_TRUE(fs::is_symlink("new.map"));
    EXPECT_EQ(withCrLf("\n// entity 0\n{\n}\n"), readFile("real/level.map"));
    EXPECT_EQ(withCrLf("\n// entity 0\n{\n}\n"), readFile("real/new.map"));
    EXPECT_FALSE(temporaryFileLeft("real") || temporaryFileLeft("sub") || temporaryFileLeft("."));
}

// Each case makes the disk operation really fail; the old file must survive
// byte for byte and no temporary file may stay behind.
TEST_F(MapFile, FailedWritesLeaveTheTargetAlone) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<bool()> prepareChild;
    };
    const std::string oldBytes = "old map\r\n";
    const Case cases[] = {
        {"readonly.map.backup",
         [&] {
             writeFile("readonly.map.backup", oldBytes);
             fs::permissions("readonly.map.backup", fs::perms::owner_read | fs::perms::others_read);
         },
         [] { return true; }},
        {"folder.map.backup", [] { fs::create_directory("folder.map.backup"); }, [] { return true; }},
        {"locked/level.map.backup",
         [&] {
             fs::create_directory("locked");
             writeFile("locked/level.map.backup", oldBytes);
             fs::permissions("locked/level.map.backup", fs::perms::owner_read | fs::perms::owner_write |
                                                            fs::perms::others_read | fs::perms::others_write);
             fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                           fs::perms::others_exec);
         },
         becomeNobody},
        {"limited.map.backup", [&] { writeFile("limited.map.backup", oldBytes); }, [] { return limitFileSize(64); }},
    };
    mapLines.assign(200, "( 0 0 0 ) ( 0 64 0 ) ( 64 0 0 ) walls/brick_02 0 0 0 1 1 1 0 0");
    for (const Case& c : cases) {
        c.arrange();
        const bool wasDirectory = fs::is_directory(c.name);
        EXPECT_EQ(1, inChild(c.prepareChild, [&] { return writeMap(c.name, c.name); })) << c.name;
        if (wasDirectory) {
            EXPECT_TRUE(fs::is_directory(c.name)) << c.name;
        } else {
            EXPECT_EQ(oldBytes, readFile(c.name)) << c.name;
        }
        const std::string directory = fs::path(c.name).parent_path().string();
        EXPECT_FALSE(temporaryFileLeft(directory.empty() ? "." : directory)) << c.name;
    }
}

// The whole program on a failing write: it reports the file and ends with 1.
class MapFileRun : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        writeFile("brushup.ini", "[SURFACE]\nFLAG1 = soft\n[CONTENT]\nFLAG1 = solid\n[TEXTURES]\nwalls/brick = soft\n");
        writeFile("level.map", SOURCE);
    }

    static constexpr std::string_view SOURCE = "{\n{\n( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) walls/brick 0 0 0 1 1\n}\n}\n";
    TempDir dir;
};

TEST_F(MapFileRun, ReadOnlyBackupStopsTheRunBeforeAnyChange) {
    writeFile("level.map.backup", "old");
    fs::permissions("level.map.backup", fs::perms::owner_read);
    const BinaryResult result = runBinary({"level"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_TRUE(result.output.ends_with("Writing level.map.backup\r\nERROR: Cannot write level.map.backup!\r\n"))
        << result.output;
    EXPECT_EQ("old", readFile("level.map.backup"));
    EXPECT_EQ(SOURCE, readFile("level.map"));
}

TEST_F(MapFileRun, FileSizeLimitFailsTheFinalWrite) {
    // The backup just fits; the fixed map gains its flag fields and does not.
    ASSERT_TRUE(readMap("level.map"));
    const std::string backup = formatMap();
    const BinaryResult result = runBinary({"level"}, [&] { limitFileSize(backup.size()); });
    EXPECT_EQ(1, result.exitCode);
    EXPECT_TRUE(result.output.ends_with("Writing level.map\r\nERROR: Cannot write level.map!\r\n")) << result.output;
    EXPECT_EQ(backup, readFile("level.map.backup"));
    EXPECT_EQ(SOURCE, readFile("level.map"));
    EXPECT_FALSE(temporaryFileLeft("."));
}

}  // namespace
