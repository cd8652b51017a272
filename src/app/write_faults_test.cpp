// Failed writes in whole runs of the built program: each write it makes is made
// to fail in turn, for real, and the map must come through untouched.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>

#include "map/map_file.h"
#include "testing/run_binary.h"
#include "testing/state_test_base.h"

namespace {

namespace fs = std::filesystem;

rlim_t backupSize = 0;  // of the row being run

// Root passes every permission check, so a child that must meet them runs as nobody.
void becomeNobody() {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(126);
}

void limitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
}

// In a sticky folder another user may create files but not rename over this one of root's.
void rootsFileInStickyFolder(const char* name) {
    if (!fs::exists(name)) writeFile(name, "old");
    fs::permissions(name, static_cast<fs::perms>(0666));
    fs::permissions(".", static_cast<fs::perms>(01777));
}

// The map is a link into a folder where no temporary file can be made.
void mapInLockedFolder() {
    fs::create_directory("locked");
    fs::rename("level.map", "locked/level.map");
    fs::create_symlink("locked/level.map", "level.map");
    fs::permissions("locked", static_cast<fs::perms>(0555));
}

using WriteFaults = StateTest;

// Rows: the file whose write fails, the folder's set-up, what the child does before the program starts, whether
// only root can set it up. Folder permissions fail the temporary file, a folder or a file of another owner the
// rename, a file-size limit a write part-way (the map's lets the backup just fit, as the fixed map is longer).
TEST_F(WriteFaults, EveryFailedWriteKeepsTheMapAndNamesTheFile) {
    const std::string program = dir.path + "/brushup";  // a copy that nobody may run, wherever the build is
    fs::copy_file(BRUSHUP_BINARY, program);
    const struct {
        const char* file;
        void (*prepareFolder)();
        void (*prepareChild)();
        bool needsRoot;
    } faults[] = {
        {"level.map.backup", [] { fs::permissions(".", static_cast<fs::perms>(0555)); }, becomeNobody, false},
        {"level.map.backup", [] { fs::create_directory("level.map.backup"); }, nullptr, false},
        {"level.map.backup", nullptr, [] { limitFileSize(64); }, false},
        {"level.map.backup", [] { rootsFileInStickyFolder("level.map.backup"); }, becomeNobody, true},
        {"level.map", mapInLockedFolder, becomeNobody, false},
        {"level.map", nullptr, [] { limitFileSize(backupSize); }, false},
        {"level.map", [] { rootsFileInStickyFolder("level.map"); }, becomeNobody, true},
    };
    const std::string source = "{\n{\n( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) walls/brick 0 0 0 1 1\n}\n}\n";
    for (const auto& fault : faults) {
        if (fault.needsRoot && ::geteuid() != 0) continue;
        TempDir rowDir;
        writeFile("brushup.ini", "[SURFACE]\nFLAG1 = soft\n[TEXTURES]\nwalls/brick = soft\n");
        writeFile("level.map", source);
        fs::permissions("level.map", static_cast<fs::perms>(0666));
        ASSERT_TRUE(readMap("level.map"));
        backupSize = formatMap().size();
        if (fault.prepareFolder) fault.prepareFolder();
        const BinaryResult result = runBinary({"level"}, fault.prepareChild, program);
        const std::string where = std::string(fault.file) + " row " + std::to_string(&fault - faults);
        EXPECT_EQ(1, result.exitCode) << where << "\n" << result.output;
        EXPECT_TRUE(result.output.ends_with("ERROR: Cannot write " + std::string(fault.file) + "!\r\n")) << where;
        EXPECT_EQ(source, readFile("level.map")) << where;
        for (const auto& entry : fs::recursive_directory_iterator(".")) {
            EXPECT_EQ(std::string::npos, entry.path().string().find(".brushup-")) << where;
        }
    }
}

}  // namespace
