#include "app/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>

#include "app/state.h"
#include "testing/run_binary.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class Platform : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    TempDir dir;
};

// Each row: the name, whether it counts, whether it counts when read-only files are allowed.
TEST_F(Platform, OnlyVisiblePlainFilesCount) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX: permission bits, FIFOs, links and dot names";
#else
    fs::create_directories(".dir/sub.map");
    for (const char* name : {"level.map", "locked.map", ".hidden.map", ".dir/level.map"}) writeFile(name, "x");
    fs::permissions("locked.map", fs::perms::owner_read | fs::perms::others_read);
    fs::create_symlink("level.map", "link.map");
    ASSERT_EQ(0, ::mkfifo("fifo.map", 0666));
    const std::tuple<const char*, bool, bool> cases[] = {
        {"level.map", true, true},     {"./level.map", true, true},    {"locked.map", false, true},
        {".hidden.map", false, false}, {".dir/level.map", true, true}, {".dir/sub.map", false, false},
        {"link.map", true, true},      {"fifo.map", false, false},     {"missing.map", false, false},
        {"", false, false},
    };
    for (const auto& [name, counts, countsReadOnly] : cases) {
        EXPECT_EQ(counts, plainFileCounts(name, false)) << name;
        EXPECT_EQ(countsReadOnly, plainFileCounts(name, true)) << name;
    }
    // Root may write anywhere, yet a file without write bits is still read-only.
    EXPECT_TRUE(isReadOnlyFile("locked.map"));
    EXPECT_FALSE(isReadOnlyFile("level.map") || isReadOnlyFile("missing.map"));
#endif
}

// A new file gets the usual mode, a replaced one keeps its own; what is no plain file is refused and left as it was.
TEST_F(Platform, ReplaceFileKeepsModesAndRefusesWhatIsNoPlainFile) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX: permission bits, FIFOs and links";
#else
    const std::string bytes("a\0b\r\n\x1a", 6);
    ASSERT_TRUE(replaceFile("new.map", bytes));
    EXPECT_EQ(bytes, readFile("new.map"));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(0666 & ~mask, static_cast<mode_t>(fs::status("new.map").permissions()));
    writeFile("kept.map", "old");
    fs::permissions("kept.map", static_cast<fs::perms>(0640));
    ASSERT_TRUE(replaceFile("kept.map", "new"));
    EXPECT_EQ("new", readFile("kept.map"));
    EXPECT_EQ(static_cast<fs::perms>(0640), fs::status("kept.map").permissions());

    ASSERT_EQ(0, ::mkfifo("fifo.map", 0666));
    const int reader = ::open("fifo.map", O_RDONLY | O_NONBLOCK);  // a faulty write must not block
    fs::create_directory("folder.map");
    fs::create_symlink("loop.map", "loop.map");
    for (const char* name : {"fifo.map", "folder.map", "loop.map", "nowhere/new.map"}) {
        EXPECT_FALSE(replaceFile(name, "x")) << name;
    }
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo("fifo.map") && fs::is_directory("folder.map") && fs::is_symlink("loop.map"));
    EXPECT_EQ(5, std::distance(fs::directory_iterator("."), fs::directory_iterator()));  // no temporary file left
#endif
}

// Writing through a link replaces the file it points to; the link stays a link.
TEST_F(Platform, WritingThroughALinkReplacesItsTarget) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX: symbolic links";
#else
    fs::create_directories("real");
    fs::create_directories("sub");
    writeFile("real/level.map", "old");
    fs::create_symlink("../real/level.map", "sub/level.map");
    ASSERT_TRUE(replaceFile("sub/level.map", "new"));
    EXPECT_TRUE(fs::is_symlink("sub/level.map"));
    EXPECT_EQ("new", readFile("real/level.map"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator("real"), fs::directory_iterator()));
#endif
}

// Windows: the attributes decide. Each row: the name, its attributes, whether it counts, whether it counts when
// read-only files are allowed.
TEST_F(Platform, WindowsAttributesDecideWhatCounts) {
#ifndef _WIN32
    GTEST_SKIP() << "Windows file attributes";
#else
    fs::create_directory("folder.map");
    const std::tuple<const char*, DWORD, bool, bool> cases[] = {
        {"plain.map", FILE_ATTRIBUTE_ARCHIVE, true, true},    {"folder.map", FILE_ATTRIBUTE_DIRECTORY, false, false},
        {"locked.map", FILE_ATTRIBUTE_READONLY, false, true}, {"hidden.map", FILE_ATTRIBUTE_HIDDEN, false, false},
        {"system.map", FILE_ATTRIBUTE_SYSTEM, false, false},
    };
    for (const auto& [name, attributes, counts, countsReadOnly] : cases) {
        if (attributes != FILE_ATTRIBUTE_DIRECTORY) writeFile(name, "x");
        ASSERT_TRUE(::SetFileAttributesA(name, attributes)) << name;
        EXPECT_EQ(counts, plainFileCounts(name, false)) << name;
        EXPECT_EQ(countsReadOnly, plainFileCounts(name, true)) << name;
    }
    EXPECT_TRUE(isReadOnlyFile("locked.map") && !isReadOnlyFile("plain.map"));
#endif
}

// The built program's standard output carries each line end as exactly CR LF, on Windows too, where text mode
// would write CR CR LF.
TEST_F(Platform, StandardOutputPassesLineEndsUnchanged) {
    const BinaryResult result = runBinary({"missing"});
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ(std::string("brushup ") + BRUSHUP_VERSION + "\r\n\r\nERROR: missing.map not found!\r\n", result.output);
}

}  // namespace
