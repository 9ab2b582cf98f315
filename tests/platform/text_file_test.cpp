#include "platform/text_file.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zlm {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

TEST(TextFileRead, LinesAcrossTheReadBufferAndWithoutLastLineFeed)
{
    TempDir dir;
    // The second line starts just before the 4096-byte boundary and ends after it.
    const std::string first(4090, 'a');
    const std::string second(20, 'b');
    writeFile(dir / "long.txt", first + "\r\n" + second + "\r\nlast");
    const auto lines = readTextLines(dir / "long.txt");
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->count(), 3u);
    EXPECT_EQ(lines->at(0), first);
    EXPECT_EQ(lines->at(1), second);
    EXPECT_EQ(lines->at(2), "last");
    EXPECT_EQ(readWholeFile(dir / "long.txt"), first + "\r\n" + second + "\r\nlast");
}

TEST(TextFileRead, MissingFileFolderAndPipeGiveNothing)
{
    TempDir dir;
    EXPECT_FALSE(readTextLines(dir / "missing.txt").has_value());
    EXPECT_FALSE(readWholeFile(dir / "missing.txt").has_value());
    EXPECT_FALSE(readTextLines(dir.path()).has_value());
    EXPECT_FALSE(readWholeFile(dir.path()).has_value());
    // A pipe without a writer would stall a blocking read; lines are read from regular files only.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(readTextLines(dir / "pipe").has_value());
}

TEST(TextFileReplace, FollowsALinkChainAndKeepsTheMode)
{
    TempDir dir;
    writeFile(dir / "real.txt", "old");
    fs::permissions(dir / "real.txt", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.txt", dir / "one");
    fs::create_symlink(dir / "one", dir / "two");
    ASSERT_TRUE(writeFileReplacing(dir / "two", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "two"));
    EXPECT_TRUE(fs::is_symlink(dir / "one"));
    EXPECT_EQ(readFile(dir / "real.txt"), "new");
    EXPECT_EQ(
        fs::status(dir / "real.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // Nothing but the three names is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(TextFileReplace, FolderIsRefusedWithAReasonAndASettingsMessage)
{
    TempDir dir;
    fs::create_directory(dir / "folder");
    std::string reason;
    EXPECT_FALSE(writeFileReplacing(dir / "folder", "x", &reason));
    EXPECT_FALSE(reason.empty());
    const Status status = replaceFile(dir / "folder", "x");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().id, 1517);
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(replaceFile(dir / "new.txt", "made").ok());
    EXPECT_EQ(readFile(dir / "new.txt"), "made");
}

} // namespace
} // namespace zlm
