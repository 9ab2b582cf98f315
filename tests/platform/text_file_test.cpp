#include "platform/text_file.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(TextFileReplace, AFileWritableByNobodyIsRefusedAlsoForTheSuperuser)
{
    TempDir dir;
    const fs::path file = dir / "master.lyn";
    writeFile(file, "kept");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string reason;
    EXPECT_FALSE(writeFileReplacing(file, "new", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(readFile(file), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// --- as an ordinary user ----------------------------------------------------------------

constexpr uid_t kNobody = 65534;
constexpr int kCannotRun = 77;

// Runs `body` in a child process as user and group "nobody" when the tests
// run as root (as in CI), else as the current user; the child's exit status.
int asOrdinaryUser(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(kCannotRun);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(TextFileReplace, AFileTheUserMayNotWriteIsRefusedAndLeftUntouched)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files of another owner for the ordinary user";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    const fs::path own = dir / "own.lyn"; // the user's own, made read-only
    const fs::path other = dir / "other.lyn"; // root's, readable by all
    writeFile(own, "kept");
    writeFile(other, "kept");
    ASSERT_EQ(::chown(own.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(own.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(other.c_str(), 0644), 0);

    const int result = asOrdinaryUser([&] {
        if (::access(dir.path().c_str(), W_OK | X_OK) != 0)
            return kCannotRun;
        std::string reason;
        const bool ownWritten = writeFileReplacing(own, "new", &reason);
        const bool otherWritten = writeFileReplacing(other, "new");
        return (ownWritten ? 1 : 0) | (otherWritten ? 2 : 0) | (reason.empty() ? 4 : 0);
    });
    if (result == kCannotRun)
        GTEST_SKIP() << "the temporary folder " << dir.path() << " is closed to user nobody";
    EXPECT_EQ(result, 0) << "1: own read-only file written, 2: root's file written, 4: no reason";
    for (const fs::path& file : { own, other }) {
        EXPECT_EQ(readFile(file), "kept") << file;
        struct stat info { };
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, file == own ? kNobody : 0u) << file;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(TextFileReplace, AWritableFileIsWrittenInPlaceWhereItCannotBeReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make files and folders of another owner";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    // A folder closed to the user holding a file open to all, and a shared
    // folder holding a file that the user may write through its group.
    fs::create_directory(dir / "closed");
    fs::permissions(dir / "closed", fs::perms::owner_all | fs::perms::group_read
            | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const fs::path open = dir / "closed" / "open.lyn";
    writeFile(open, "old");
    ASSERT_EQ(::chmod(open.c_str(), 0666), 0);
    const fs::path shared = dir / "shared.lyn";
    writeFile(shared, "old");
    ASSERT_EQ(::chown(shared.c_str(), 0, kNobody), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0664), 0);

    const int result = asOrdinaryUser([&] {
        if (::access((dir / "closed").c_str(), X_OK) != 0)
            return kCannotRun;
        return (writeFileReplacing(open, "new longer content") ? 0 : 1)
            | (writeFileReplacing(shared, "new") ? 0 : 2)
            | (writeFileReplacing(dir / "closed" / "fresh.lyn", "x") ? 4 : 0);
    });
    if (result == kCannotRun)
        GTEST_SKIP() << "the temporary folder " << dir.path() << " is closed to user nobody";
    EXPECT_EQ(result, 0) << "1: open file not written, 2: shared file not written, "
                            "4: a new file made in the closed folder";
    EXPECT_EQ(readFile(open), "new longer content");
    EXPECT_EQ(readFile(shared), "new");
    struct stat info { };
    ASSERT_EQ(::stat(shared.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u); // still root's, in its group
    EXPECT_EQ(info.st_gid, kNobody);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    EXPECT_FALSE(fs::exists(dir / "closed" / "fresh.lyn"));
}

} // namespace
} // namespace zlm
