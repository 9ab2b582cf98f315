// Locating the definition file by screen class, expanding it into
// "zlmst0.tmp" in the temporary folder, and reading its lines.
#include "data/definition_file.h"
#include "platform/screen.h"
#include "platform/settings_folder.h"
#include "tests/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace zlm {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// "[Free Map]\r\n8000,8FFF,0\r\n; packed packed packed packed\r\nlast" compressed
// to SZDD, the way the definition files are shipped.
const unsigned char kCompressed[] = {
    0x53, 0x5a, 0x44, 0x44, 0x88, 0xf0, 0x27, 0x33, 0x41, 0x00, 0x3c, 0x00, 0x00, 0x00, 0xff, 0x5b,
    0x46, 0x72, 0x65, 0x65, 0x20, 0x4d, 0x61, 0xff, 0x70, 0x5d, 0x0d, 0x0a, 0x38, 0x30, 0x30, 0x30,
    0xff, 0x2c, 0x38, 0x46, 0x46, 0x46, 0x2c, 0x30, 0x0d, 0xff, 0x0a, 0x3b, 0x20, 0x70, 0x61, 0x63,
    0x6b, 0x65, 0xf9, 0x64, 0x0a, 0x0d, 0x13, 0x02, 0x0d, 0x0a, 0x6c, 0x61, 0x73, 0x01, 0x74};

class DefinitionFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_program);
        fs::create_directories(m_temp);
    }
    // A finder over the program folder that records every name asked for.
    FileFinder finder()
    {
        return [this](std::string_view name) {
            m_asked.emplace_back(name);
            return findFileNoCase(m_program, name);
        };
    }
    std::string tempText() const { return m_temp.string() + "/"; }

    test::TempDir m_root;
    fs::path m_program = m_root / "program";
    fs::path m_temp = m_root / "temp";
    std::vector<std::string> m_asked;
};

TEST(DefinitionFileNamesTest, ClassSuffixesFromTheScreenClassDown)
{
    using Names = std::vector<std::string>;
    EXPECT_EQ(definitionFileNames("ZLM350", 0), Names({"ZLM350.STZ"}));
    EXPECT_EQ(definitionFileNames("ZLM350", 2), Names({"ZLM350C.STZ", "ZLM350B.STZ", "ZLM350.STZ"}));
    EXPECT_EQ(definitionFileNames("ZLM350", 3),
              Names({"ZLM350D.STZ", "ZLM350C.STZ", "ZLM350B.STZ", "ZLM350.STZ"}));
    EXPECT_EQ(definitionFileNames("ZLM350", 7), Names({"ZLM350.STZ"}));
}

TEST_F(DefinitionFileTest, LargeScreenFallsBackToTheBFile)
{
    writeFile(m_program / "ZLM350B.STZ", "b");
    writeFile(m_program / "ZLM350.STZ", "plain");
    const auto found = locateDefinitionFile("ZLM350", screenClass(1280, 1024), finder());
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->filename(), "ZLM350B.STZ");
    EXPECT_EQ(m_asked, (std::vector<std::string>{"ZLM350D.STZ", "ZLM350C.STZ", "ZLM350B.STZ"}));
}

TEST_F(DefinitionFileTest, SmallScreenTriesOnlyThePlainFile)
{
    writeFile(m_program / "ZLM350B.STZ", "b");
    const auto found = locateDefinitionFile("ZLM350", screenClass(800, 600), finder());
    ASSERT_FALSE(found.ok());
    EXPECT_EQ(m_asked, std::vector<std::string>{"ZLM350.STZ"});
    EXPECT_EQ(found.error().text, "Setup file is not exist.");
    EXPECT_EQ(found.error().icon, Icon::Stop);
}

TEST_F(DefinitionFileTest, StaleTemporaryFileIsReplaced)
{
    writeFile(m_program / "ZLM350.STZ", "[Free Map]\nnew\n");
    writeFile(m_temp / "zlmst0.tmp", "old content that is longer than the new one\n");
    const DefinitionLoad load = expandDefinitionFile(m_program / "ZLM350.STZ", m_temp);
    ASSERT_TRUE(load.ok);
    EXPECT_TRUE(load.messages.empty());
    EXPECT_EQ(load.tempPath, m_temp / "zlmst0.tmp");
    EXPECT_EQ(readFile(load.tempPath), "[Free Map]\nnew\n");
}

TEST_F(DefinitionFileTest, UndeletableTemporaryFileStopsWithTheThirdMessage)
{
    writeFile(m_program / "ZLM350.STZ", "x");
    fs::create_directories(m_temp / "zlmst0.tmp" / "inside");
    const DefinitionLoad load = expandDefinitionFile(m_program / "ZLM350.STZ", m_temp);
    ASSERT_FALSE(load.ok);
    ASSERT_EQ(load.messages.size(), 1u);
    EXPECT_EQ(load.failure().text, "Setup file Read Error(Create TemporaryFile:3-"
                                       + std::to_string(EISDIR) + ")\n[" + tempText() + "]");
    EXPECT_EQ(load.failure().icon, Icon::Stop);
    EXPECT_TRUE(fs::is_directory(m_temp / "zlmst0.tmp" / "inside"));
}

TEST_F(DefinitionFileTest, TemporaryFolderThatIsNoFolderGivesTheSecondMessage)
{
    writeFile(m_root / "not-a-folder", "x");
    const DefinitionLoad load = expandDefinitionFile(m_program / "ZLM350.STZ", m_root / "not-a-folder");
    ASSERT_FALSE(load.ok);
    EXPECT_EQ(load.failure().text,
              "Setup file Read Error(Create TemporaryFile:2-" + std::to_string(ENOTDIR) + ")");
}

TEST_F(DefinitionFileTest, FailedExpansionShowsTheCopyMessageThenTheFourth)
{
    const fs::path missing = m_program / "ZLM350.STZ";
    const DefinitionLoad load = expandDefinitionFile(missing, m_temp);
    ASSERT_FALSE(load.ok);
    ASSERT_EQ(load.messages.size(), 2u);
    EXPECT_EQ(load.messages[0].text, "[zlmst0.tmp] Read error.");
    const std::string prefix = "Setup file Read Error(Create TemporaryFile:4-";
    const std::string& text = load.failure().text;
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
    const std::string tail = ")\n" + missing.string() + " ->" + tempText();
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_TRUE(load.tempPath.empty());
}

TEST_F(DefinitionFileTest, LinesDropCarriageReturnsAndKeepALastUnterminatedLine)
{
    writeFile(m_temp / "a.txt", "one\r\n\r\n two \n;c\r\nlast");
    const LineList lines = readDefinitionLines(m_temp / "a.txt");
    ASSERT_EQ(lines.count(), 5u);
    EXPECT_EQ(lines.at(0), "one");
    EXPECT_EQ(lines.at(1), "");
    EXPECT_EQ(lines.at(2), " two ");
    EXPECT_EQ(lines.at(3), ";c");
    EXPECT_EQ(lines.at(4), "last");

    // Lines longer than the read buffer, and a CR LF split across two reads.
    const std::string longLine(4095, 'a');
    writeFile(m_temp / "b.txt", longLine + "\r\n" + std::string(5000, 'b') + "\n");
    const LineList big = readDefinitionLines(m_temp / "b.txt");
    ASSERT_EQ(big.count(), 2u);
    EXPECT_EQ(big.at(0), longLine);
    EXPECT_EQ(big.at(1).size(), 5000u);

    EXPECT_TRUE(readDefinitionLines(m_temp / "missing.txt").empty());
}

TEST_F(DefinitionFileTest, LoadFindsExpandsAndReadsACompressedFile)
{
    // Found on the search path from the program folder, whatever the case of its name.
    writeFile(m_program / "zlm350c.stz",
          std::string_view(reinterpret_cast<const char*>(kCompressed), sizeof kCompressed));
    DefinitionSource source;
    source.programName = "ZLM350";
    source.screenClass = screenClass(1152, 864);
    source.programDir = m_program;
    source.tempDirectory = m_temp;
    const DefinitionLoad load = loadDefinitionFile(source);
    ASSERT_TRUE(load.ok) << (load.messages.empty() ? "" : load.failure().text);
    EXPECT_EQ(load.tempPath, m_temp / "zlmst0.tmp");
    ASSERT_EQ(load.lines.count(), 4u);
    EXPECT_EQ(load.lines.at(0), "[Free Map]");
    EXPECT_EQ(load.lines.at(1), "8000,8FFF,0");
    EXPECT_EQ(load.lines.at(3), "last");
    EXPECT_EQ(load.lines.findSection("free map"), 0);
}

TEST_F(DefinitionFileTest, LoadWithoutAnyFileKeepsNoTemporaryFile)
{
    DefinitionSource source;
    source.programName = "ZLM350-none";
    source.screenClass = 3;
    source.find = finder();
    source.tempDirectory = m_temp;
    const DefinitionLoad load = loadDefinitionFile(source);
    ASSERT_FALSE(load.ok);
    EXPECT_EQ(load.failure().text, "Setup file is not exist.");
    EXPECT_TRUE(load.tempPath.empty());
    EXPECT_FALSE(fs::exists(m_temp / "zlmst0.tmp"));
    EXPECT_EQ(m_asked.size(), 4u);
}

} // namespace
} // namespace zlm
