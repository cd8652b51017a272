#include "map/map_file.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "testing/run_binary.h"
#include "testing/state_test_base.h"

namespace {

namespace fs = std::filesystem;

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
