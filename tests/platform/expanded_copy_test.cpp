#include "platform/expanded_copy.h"

#include "tests/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zlm {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

// Compresses `content` with the system's SZDD compressor; the path of the
// compressed file ("name_").
fs::path compressed(const TempDir& dir, const std::string& name, const std::string& content)
{
    writeFile(dir / name, content);
    const std::string command = "mscompress '" + (dir / name).string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << "mscompress is needed to make SZDD files";
    fs::path out = dir / (name + "_");
    EXPECT_TRUE(fs::exists(out));
    EXPECT_EQ(readFile(out).substr(0, 4), "SZDD");
    return out;
}

std::string sampleText()
{
    std::string s;
    for (int i = 0; i < 3000; ++i)
        s += "[Free Map]\r\n8000,80FF,0 ; line " + std::to_string(i * 7919 % 1000) + "\r\n";
    return s;
}

// Sets the last-write time to `seconds` after the epoch plus `nanoseconds`.
void setTime(const fs::path& p, time_t seconds, long nanoseconds = 0)
{
    const timespec times[2] = { { seconds, nanoseconds }, { seconds, nanoseconds } };
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

time_t mtime(const fs::path& p)
{
    struct stat st { };
    ::stat(p.c_str(), &st);
    return st.st_mtim.tv_sec;
}

TEST(ExpandedCopy, ExpandsSzddFile)
{
    TempDir dir;
    const std::string text = sampleText();
    const fs::path source = compressed(dir, "ZLM350D.STZ", text);
    ASSERT_LT(fs::file_size(source), text.size());
    const auto r = expandedCopy(source, dir / "zlmst0.tmp", false);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(readFile(dir / "zlmst0.tmp"), text);
}

TEST(ExpandedCopy, OtherFilesAreCopiedUnchanged)
{
    TempDir dir;
    // Longer than the SZDD header, shorter than it, and empty.
    for (const std::string& content : { sampleText(), std::string("[A]\r\n"), std::string() }) {
        writeFile(dir / "plain.txt", content);
        const auto r = expandedCopy(dir / "plain.txt", dir / "out.txt", false);
        EXPECT_TRUE(r.ok) << content.size();
        EXPECT_EQ(readFile(dir / "out.txt"), content);
    }
}

TEST(ExpandedCopy, PlainCopyKeepsCompressedBytes)
{
    TempDir dir;
    const fs::path source = compressed(dir, "ZLM350.STZ", sampleText());
    const auto r = plainCopy(source, dir / "copy.stz", false);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(readFile(dir / "copy.stz"), readFile(source));
}

TEST(ExpandedCopy, TruncatedSzddIsReadErrorAndKeepsOldDestination)
{
    TempDir dir;
    const fs::path source = compressed(dir, "ZLM350.STZ", sampleText());
    const std::string bytes = readFile(source);
    writeFile(source, bytes.substr(0, bytes.size() / 2));
    writeFile(dir / "ZLM350.stz", "previous");

    const auto r = expandedCopy(source, dir / "ZLM350.stz", false);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, CopyError::ReadError);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, "[ZLM350.stz] Read error.");
    EXPECT_EQ(readFile(dir / "ZLM350.stz"), "previous");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

// A destination that runs out of room (a full temporary folder; here the
// file-size limit of a child process) is a write error with the system's
// code, not a damaged source.
TEST(ExpandedCopy, DestinationOutOfRoomIsWriteErrorWithTheSystemsCode)
{
    TempDir dir;
    const fs::path source = compressed(dir, "ZLM350.STZ", sampleText());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto r = expandedCopy(source, dir / "zlmst0.tmp", false);
        const bool right = !r.ok && r.error == CopyError::WriteError && r.systemError == EFBIG
            && r.messages.size() == 1 && r.messages[0].text == "[zlmst0.tmp] Write error.";
        ::_exit(right ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(dir / "zlmst0.tmp"));
}

TEST(ExpandedCopy, MissingSourceAndUnwritableDestination)
{
    TempDir dir;
    auto r = expandedCopy(dir / "missing.st_", dir / "out.stz", false);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, CopyError::ReadError);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text, "[out.stz] Read error.");
    EXPECT_FALSE(fs::exists(dir / "out.stz"));

    const fs::path source = compressed(dir, "a.txt", "some text to expand, some text to expand");
    for (const fs::path& from : { source, dir / "a.txt" }) {
        r = expandedCopy(from, dir / "no-folder" / "a.txt", false);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, CopyError::WriteError);
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_EQ(r.messages[0].text, "[a.txt] Write error.");
        EXPECT_EQ(r.messages[0].icon, Icon::None);
    }
}

TEST(ExpandedCopy, DestinationTakesSourceTime)
{
    TempDir dir;
    const fs::path source = compressed(dir, "a.txt", sampleText());
    setTime(source, 1'000'000'000);
    ASSERT_TRUE(expandedCopy(source, dir / "b.txt", false).ok);
    EXPECT_EQ(mtime(dir / "b.txt"), 1'000'000'000);
}

class TimeStampRule : public ::testing::Test {
protected:
    TimeStampRule()
    {
        writeFile(m_source, "new content");
        writeFile(m_dest, "installed");
    }
    TempDir m_dir;
    fs::path m_source = m_dir / "ZLM350.in_";
    fs::path m_dest = m_dir / "ZLM350.ini";
};

TEST_F(TimeStampRule, OlderSourceKeepsDestinationWithNotice)
{
    setTime(m_source, 1'000'000'000);
    setTime(m_dest, 1'000'000'001);
    EXPECT_EQ(checkTimeStamps(m_source, m_dest), TimeStampCheck::KeepDestination);
    const auto r = expandedCopy(m_source, m_dest, true);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.keptNewer);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].text,
        "[ZLM350.ini] Newer date file is already exist. Copy was not executed.");
    EXPECT_EQ(r.messages[0].icon, Icon::Information);
    EXPECT_EQ(readFile(m_dest), "installed");
    // Without the check the copy is made.
    EXPECT_TRUE(expandedCopy(m_source, m_dest, false).ok);
    EXPECT_EQ(readFile(m_dest), "new content");
}

TEST_F(TimeStampRule, EqualSecondsCopyAndFractionsAreIgnored)
{
    setTime(m_source, 1'000'000'000, 100'000'000);
    setTime(m_dest, 1'000'000'000, 900'000'000);
    EXPECT_EQ(checkTimeStamps(m_source, m_dest), TimeStampCheck::Copy);
    const auto r = expandedCopy(m_source, m_dest, true);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(readFile(m_dest), "new content");
}

TEST_F(TimeStampRule, NewerSourceAndMissingDestinationCopy)
{
    setTime(m_source, 1'700'000'000);
    setTime(m_dest, 1'000'000'000);
    EXPECT_TRUE(plainCopy(m_source, m_dest, true).ok);
    EXPECT_EQ(readFile(m_dest), "new content");
    fs::remove(m_dest);
    EXPECT_EQ(checkTimeStamps(m_source, m_dest), TimeStampCheck::Copy);
    EXPECT_TRUE(expandedCopy(m_source, m_dest, true).ok);
}

TEST_F(TimeStampRule, UnreadableFileIsTimeStampError)
{
    fs::remove(m_source);
    EXPECT_EQ(checkTimeStamps(m_source, m_dest), TimeStampCheck::Error);
    const auto r = expandedCopy(m_source, m_dest, true);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.error, CopyError::TimeStamp);
    EXPECT_EQ(r.messages[0].text, "Time stamp check error!");
    EXPECT_EQ(readFile(m_dest), "installed");
}

} // namespace
} // namespace zlm
