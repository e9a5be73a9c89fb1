// Whole-file writes by the name's bytes: what a save keeps of the file it replaces.
#include "platform/FileWrite.h"
#include "platform/Bitmap.h"
#include "support/Scripted.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Content(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// Saving through a symbolic link replaces its target with the target's owner, group and
// mode; the link stays a link, and another hard link of the old file keeps the old bytes.
TEST(WholeFileWrite, KeepsOwnerGroupAndModeThroughALink) {
    TempDir Dir;
    const std::string Target = Dir.File("map.mapset");
    WriteWholeFile(Target, "old", 3);
    ASSERT_EQ(chmod(Target.c_str(), 0640), 0);
    const bool Root = geteuid() == 0;
    if (Root) {
        ASSERT_EQ(chown(Target.c_str(), 12345, 23456), 0);
    }
    struct stat Before {};
    ASSERT_EQ(stat(Target.c_str(), &Before), 0);
    ASSERT_EQ(symlink("map.mapset", Dir.File("link.mapset").c_str()), 0);
    ASSERT_EQ(link(Target.c_str(), Dir.File("hard.mapset").c_str()), 0);

    WriteWholeFile(Dir.File("link.mapset"), "new", 3);

    struct stat After {};
    ASSERT_EQ(lstat(Dir.File("link.mapset").c_str(), &After), 0);
    EXPECT_TRUE(S_ISLNK(After.st_mode));
    ASSERT_EQ(stat(Target.c_str(), &After), 0);
    EXPECT_EQ(Content(Target), "new");
    EXPECT_EQ(After.st_mode & 07777, 0640u);
    EXPECT_EQ(After.st_uid, Before.st_uid);
    EXPECT_EQ(After.st_gid, Before.st_gid);
    EXPECT_EQ(Content(Dir.File("hard.mapset")), "old");
    if (!Root)
        GTEST_SKIP() << "owner kept only as far as a user may give files away";
}

// A name of Latin-1 bytes under a UTF-8 locale is no UTF-8, and no QString holds it
// unchanged: the bitmap is written and read back by those bytes.
TEST(WholeFileWrite, LatinOneNamesAreWrittenAndReadByTheirBytes) {
    TempDir Dir;
    const std::string Name = Dir.File("h\xFCgel.bmp");
    TBitmap Image;
    Image.SetSize(4, 2);
    Image.ScanLine(1)[3] = 7;
    Image.SaveToFile(Name);
    struct stat Info {};
    ASSERT_EQ(stat(Name.c_str(), &Info), 0);
    TBitmap Read;
    Read.LoadFromFile(Name);
    EXPECT_EQ(Read.Width(), 4);
    EXPECT_EQ(Read.ScanLine(1)[3], 7);
}

} // namespace
