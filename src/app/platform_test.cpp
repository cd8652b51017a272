#include "app/platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

class Platform : public ::testing::Test {
protected:
    void SetUp() override { resetState(); }
    TempDir dir;
};

TEST_F(Platform, ExistenceTestCountsOnlyVisiblePlainFiles) {
    writeFile("level.map", "x");
    writeFile("locked.map", "x");
    fs::permissions("locked.map", fs::perms::owner_read | fs::perms::others_read);
    writeFile(".hidden.map", "x");
    fs::create_directories(".dir/sub.map");
    writeFile(".dir/level.map", "x");
    fs::create_symlink("level.map", "link.map");
    fs::create_symlink(".dir/sub.map", "dirlink.map");
    fs::create_symlink("missing.map", "dangling.map");
    ASSERT_EQ(0, ::mkfifo("fifo.map", 0666));

    struct Case {
        const char* name;
        bool counts;
        bool countsReadOnly;
    };
    const Case cases[] = {
        {"level.map", true, true},
        {"./level.map", true, true},
        {"locked.map", false, true},
        {".hidden.map", false, false},
        {".dir/level.map", true, true},
        {".dir/sub.map", false, false},
        {"link.map", true, true},
        {"dirlink.map", false, false},
        {"dangling.map", false, false},
        {"fifo.map", false, false},
        {"/dev/null", false, false},
        {"missing.map", false, false},
        {"", false, false},
        {"level.map/", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.counts, plainFileCounts(c.name, false)) << c.name;
        EXPECT_EQ(c.countsReadOnly, plainFileCounts(c.name, true)) << c.name;
    }
}

TEST_F(Platform, ReadOnlyMeansNoWriteBitEvenForRoot) {
    writeFile("open.map", "x");
    writeFile("locked.map", "x");
    fs::permissions("locked.map", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    writeFile("group.map", "x");
    fs::permissions("group.map", fs::perms::owner_read | fs::perms::group_write);
    EXPECT_FALSE(isReadOnlyFile("open.map"));
    EXPECT_TRUE(isReadOnlyFile("locked.map"));
    EXPECT_EQ(::access("group.map", W_OK) != 0, isReadOnlyFile("group.map"));
    EXPECT_FALSE(isReadOnlyFile("missing.map"));
}

TEST_F(Platform, ReplaceFileWritesWholeFilesWithTheirModes) {
    const std::string bytes("a\0b\r\n\x1a", 6);
    ASSERT_TRUE(replaceFile("new.map", bytes));
    std::string read;
    ASSERT_TRUE(readWholeFile("new.map", read));
    EXPECT_EQ(bytes, read);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(0666 & ~mask, static_cast<mode_t>(fs::status("new.map").permissions()));

    writeFile("kept.map", "old");
    fs::permissions("kept.map", static_cast<fs::perms>(0640));
    ASSERT_TRUE(replaceFile("kept.map", "new"));
    EXPECT_EQ("new", readFile("kept.map"));
    EXPECT_EQ(static_cast<fs::perms>(0640), fs::status("kept.map").permissions());
    ASSERT_TRUE(replaceFile("kept.map", ""));
    EXPECT_EQ("", readFile("kept.map"));
    EXPECT_FALSE(readWholeFile("missing.map", read));
    EXPECT_TRUE(read.empty());
}

TEST_F(Platform, ReplaceFileRefusesWhatIsNoPlainFile) {
    ASSERT_EQ(0, ::mkfifo("fifo.map", 0666));
    const int reader = ::open("fifo.map", O_RDONLY | O_NONBLOCK);  // a faulty write must not block
    fs::create_directory("folder.map");
    fs::create_symlink("loop.map", "loop.map");
    for (const char* name : {"fifo.map", "folder.map", "loop.map", "nowhere/new.map"}) {
        EXPECT_FALSE(replaceFile(name, "x")) << name;
    }
    EXPECT_TRUE(fs::is_fifo("fifo.map"));
    EXPECT_TRUE(fs::is_directory("folder.map"));
    EXPECT_TRUE(fs::is_symlink("loop.map"));
    for (const auto& entry : fs::directory_iterator(".")) {
        EXPECT_NE(0u, entry.path().filename().string().rfind(".brushup-", 0)) << entry.path();
    }
    ::close(reader);
}

}  // namespace
