#include "platform/ini_file.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

constexpr const char* kSample = "; settings written by the installer\r\n"
                                "[RS232C]\r\n"
                                "SPEED = 9600 \r\n"
                                "\tPORT=PORT2\r\n"
                                "\r\n"
                                "[ Directory ]\r\n"
                                "PATH1=\"/home/me/work\"\r\n"
                                "Path2=\r\n"
                                "\r\n"
                                "; a comment between sections\r\n"
                                "[PRECISION]\r\n"
                                "X=3\r\n";

TEST(IniRead, NamesIgnoreCaseAndValuesAreTrimmed)
{
    const auto doc = IniDocument::fromText(kSample);
    EXPECT_EQ(doc.find("rs232c", "speed"), "9600");
    EXPECT_EQ(doc.find("RS232C", "PORT"), "PORT2");
    // Blanks inside the brackets do not count; enclosing quotes are removed.
    EXPECT_EQ(doc.find("DIRECTORY", "path1"), "/home/me/work");
    EXPECT_EQ(doc.find("DIRECTORY", "PATH2"), "");
    EXPECT_FALSE(doc.find("DIRECTORY", "PATH3"));
    EXPECT_FALSE(doc.find("PRINT", "LEFT"));
    // A key of one section is not found in another.
    EXPECT_FALSE(doc.find("PRECISION", "SPEED"));
}

TEST(IniRead, CommentsAndLinesWithoutEqualsAreNoKeys)
{
    const auto doc = IniDocument::fromText("[A]\n;KEY=1\nKEY\nOTHER=2\n");
    EXPECT_FALSE(doc.find("A", ";KEY"));
    EXPECT_FALSE(doc.find("A", "KEY"));
    EXPECT_EQ(doc.keys("A"), (std::vector<std::string> { "OTHER" }));
}

TEST(IniRead, FirstOfRepeatedKeysWins)
{
    const auto doc = IniDocument::fromText("[A]\nK=first\nk=second\n[a]\nK=third\n");
    EXPECT_EQ(doc.find("A", "K"), "first");
}

TEST(IniRead, MissingFileGivesDefaults)
{
    TempDir dir;
    const IniFile ini(dir / "absent.ini");
    EXPECT_EQ(ini.getString("RS232C", "SPEED", "4800"), "4800");
    EXPECT_EQ(ini.getInt("UNDO", "SIZE", 1024), 1024);
}

TEST(IniRead, IntegersFollowProfileRules)
{
    TempDir dir;
    writeFile(dir / "a.ini", "[N]\nA=42\nB= -17 \nC=12abc\nD=abc\nE=\nF=+8\nG=0x10\n");
    const IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.getInt("N", "A", 5), 42);
    EXPECT_EQ(ini.getInt("N", "B", 5), -17);
    EXPECT_EQ(ini.getInt("N", "C", 5), 12);
    EXPECT_EQ(ini.getInt("N", "D", 5), 0); // present but not a number
    EXPECT_EQ(ini.getInt("N", "E", 5), 5); // empty value: the default
    EXPECT_EQ(ini.getInt("N", "F", 5), 8);
    EXPECT_EQ(ini.getInt("N", "G", 5), 0); // decimal only
    EXPECT_EQ(ini.getInt("N", "missing", 5), 5);
}

TEST(IniWrite, ReplacesValueInPlaceKeepingEveryOtherLine)
{
    auto doc = IniDocument::fromText(kSample);
    doc.set("rs232c", "speed", "19200");
    std::string expected = kSample;
    expected.replace(expected.find("SPEED = 9600 "), 13, "SPEED =19200");
    EXPECT_EQ(doc.toText(), expected);
}

TEST(IniWrite, NewKeyGoesAfterTheSectionsLastKey)
{
    auto doc = IniDocument::fromText(kSample);
    doc.set("RS232C", "TIMEOUT", "80");
    const std::string text = doc.toText();
    EXPECT_NE(text.find("\tPORT=PORT2\r\nTIMEOUT=80\r\n\r\n[ Directory ]"), std::string::npos)
        << text;
    EXPECT_EQ(IniDocument::fromText(text).find("RS232C", "TIMEOUT"), "80");
}

TEST(IniWrite, NewSectionIsAddedAtTheEnd)
{
    auto doc = IniDocument::fromText(kSample);
    doc.set("DEVICES", "PORT1", "/dev/ttyUSB0");
    EXPECT_EQ(doc.toText(), std::string(kSample) + "\r\n[DEVICES]\r\nPORT1=/dev/ttyUSB0\r\n");
}

TEST(IniWrite, KeepsTheFilesLineEndStyle)
{
    auto lf = IniDocument::fromText("[A]\nK=1\n");
    lf.set("A", "L", "2");
    lf.set("B", "M", "3");
    EXPECT_EQ(lf.toText(), "[A]\nK=1\nL=2\n\n[B]\nM=3\n");

    auto fresh = IniDocument::fromText("");
    fresh.set("A", "K", "1");
    EXPECT_EQ(fresh.toText(), "[A]\r\nK=1\r\n");

    // A last line without a line end gets one before the new line.
    auto open = IniDocument::fromText("[A]\r\nK=1");
    open.set("A", "L", "2");
    EXPECT_EQ(open.toText(), "[A]\r\nK=1\r\nL=2\r\n");
}

TEST(IniWrite, LineBreakInValueCannotSplitTheLine)
{
    auto doc = IniDocument::fromText("[A]\n");
    doc.set("A", "K", "one\ntwo=evil");
    EXPECT_EQ(doc.toText(), "[A]\nK=one\n");
}

TEST(IniWrite, DeleteKeyAndSection)
{
    auto doc = IniDocument::fromText(kSample);
    EXPECT_TRUE(doc.remove("directory", "PATH2"));
    EXPECT_FALSE(doc.remove("directory", "PATH2"));
    EXPECT_FALSE(doc.find("DIRECTORY", "PATH2"));
    EXPECT_EQ(doc.find("DIRECTORY", "PATH1"), "/home/me/work");
    EXPECT_TRUE(doc.removeSection("RS232C"));
    EXPECT_FALSE(doc.hasSection("RS232C"));
    EXPECT_TRUE(doc.hasSection("PRECISION"));
    EXPECT_EQ(doc.toText().rfind("; settings written by the installer\r\n", 0), 0u);
}

TEST(IniFileOnDisk, WritesCreateTheFileAndKeepTheRest)
{
    TempDir dir;
    IniFile ini(dir / "ZLM350.ini");
    ASSERT_TRUE(ini.writeString("DIRECTORY", "PATH1", "/data"));
    ASSERT_TRUE(ini.writeInt("UNDO", "SIZE", 200));
    EXPECT_EQ(readFile(ini.path()), "[DIRECTORY]\r\nPATH1=/data\r\n\r\n[UNDO]\r\nSIZE=200\r\n");
    EXPECT_EQ(ini.getInt("undo", "size", 0), 200);
    ASSERT_TRUE(ini.deleteKey("DIRECTORY", "PATH1"));
    ASSERT_TRUE(ini.deleteKey("DIRECTORY", "PATH1"));
    EXPECT_EQ(ini.getString("DIRECTORY", "PATH1", "none"), "none");
}

TEST(IniFileOnDisk, FailedWriteIsReportedAndLosesNothing)
{
    TempDir dir;
    IniFile missingFolder(dir / "no" / "such" / "a.ini");
    EXPECT_FALSE(missingFolder.writeString("A", "K", "1"));

    // A name that exists but cannot be read as a file is left alone.
    std::filesystem::create_directory(dir / "b.ini");
    writeFile(dir / "b.ini" / "inside", "x");
    IniFile folder(dir / "b.ini");
    EXPECT_FALSE(folder.writeString("A", "L", "2"));
    EXPECT_FALSE(folder.deleteKey("A", "L"));
    EXPECT_EQ(readFile(dir / "b.ini" / "inside"), "x");
}

TEST(IniFileOnDisk, WritingThroughALinkChangesTheTarget)
{
    TempDir dir;
    writeFile(dir / "real.ini", "[A]\nK=1\n");
    std::filesystem::create_symlink("real.ini", dir / "link.ini");
    IniFile ini(dir / "link.ini");
    ASSERT_TRUE(ini.writeString("A", "K", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(readFile(dir / "real.ini"), "[A]\nK=2\n");
}

} // namespace
} // namespace zlm
