#include "platform/registry.h"

#include "tests/test_support.h"

#include <gtest/gtest.h>

namespace zlm {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

TEST(RegistryFile, MissingFileOrKeyCannotBeOpened)
{
    TempDir dir;
    FileRegistry reg(dir / "registry.reg");
    EXPECT_EQ(reg.openKey("SOFTWARE\\ZLM-350"), nullptr);
    writeFile(reg.file(), "[SOFTWARE\\Other]\n\"A\"=dword:00000001\n");
    EXPECT_EQ(reg.openKey("SOFTWARE\\ZLM-350"), nullptr);
    // A key exists when a key below it does.
    EXPECT_NE(reg.openKey("software"), nullptr);
}

TEST(RegistryFile, ReadsTypedValuesWithRegistrySizes)
{
    TempDir dir;
    writeFile(dir / "registry.reg",
        "; written by hand\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZLM-350]\r\n"
        "\"EcuCheckResult\"=sz:\"QX\"\r\n"
        "\"Empty\"=sz:\"\"\r\n"
        "\"Plain\"=\"old style\"\r\n"
        "\"Escaped\"=sz:\"a\\\\b \\\"q\\\" \\n\"\r\n"
        "\"TableWndFontSize\"=dword:0000001e\r\n"
        "\"Binary\"=hex:01,02,03\r\n");
    FileRegistry reg(dir / "registry.reg");
    const auto key = reg.openKey("software\\zlm-350");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->valueSize("ecucheckresult"), 3u);
    EXPECT_EQ(key->readString("EcuCheckResult"), "QX");
    EXPECT_EQ(key->valueSize("Empty"), 1u);
    EXPECT_EQ(key->readString("Empty"), "");
    EXPECT_EQ(key->readString("Plain"), "old style");
    EXPECT_EQ(key->readString("Escaped"), "a\\b \"q\" \n");
    EXPECT_EQ(key->valueSize("TableWndFontSize"), 4u);
    EXPECT_EQ(key->readDword("TableWndFontSize"), 30u);
    // Wrong type, unknown type, absent value.
    EXPECT_FALSE(key->readDword("EcuCheckResult"));
    EXPECT_FALSE(key->readString("TableWndFontSize"));
    EXPECT_FALSE(key->valueSize("Binary"));
    EXPECT_FALSE(key->valueSize("Nothing"));
    // A buffer must hold the terminating zero too.
    EXPECT_FALSE(key->readString("EcuCheckResult", 2));
    EXPECT_EQ(key->readString("EcuCheckResult", 3), "QX");
}

TEST(RegistryFile, WritesRoundTripAndKeepOtherLines)
{
    TempDir dir;
    writeFile(dir / "registry.reg",
        "; keep me\n[SOFTWARE\\ZLM-350]\n\"A\"=dword:00000001\n\n"
        "[SOFTWARE\\Other]\n\"B\"=sz:\"b\"\n");
    FileRegistry reg(dir / "registry.reg");
    auto key = reg.createKey("SOFTWARE\\ZLM-350");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->writeDword("a", 0xdeadbeef));
    ASSERT_TRUE(key->writeString("Install Directory", "C:\\ZIRA \"x\"\n"));
    EXPECT_EQ(readFile(reg.file()),
        "; keep me\n[SOFTWARE\\ZLM-350]\n\"A\"=dword:deadbeef\n"
        "\"Install Directory\"=sz:\"C:\\\\ZIRA \\\"x\\\"\\n\"\n\n"
        "[SOFTWARE\\Other]\n\"B\"=sz:\"b\"\n");
    EXPECT_EQ(key->readDword("A"), 0xdeadbeefu);
    EXPECT_EQ(key->readString("install directory"), "C:\\ZIRA \"x\"\n");

    ASSERT_TRUE(key->deleteValue("A"));
    ASSERT_TRUE(key->deleteValue("A"));
    EXPECT_FALSE(key->valueSize("A"));
    EXPECT_EQ(reg.openKey("SOFTWARE\\Other")->readString("B"), "b");
}

TEST(RegistryFile, CreateKeyMakesFileAndDeleteKeyTakesSubkeys)
{
    TempDir dir;
    FileRegistry reg(dir / "registry.reg");
    auto uninstall
        = reg.createKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZLM-350");
    ASSERT_NE(uninstall, nullptr);
    ASSERT_TRUE(uninstall->writeString("DisplayName", "ZLM-350"));
    ASSERT_TRUE(reg.createKey("SOFTWARE\\ZLM-350")->writeString("Install Directory", "/opt/zlm"));
    EXPECT_NE(reg.openKey("SOFTWARE\\Microsoft\\Windows"), nullptr);

    ASSERT_TRUE(reg.deleteKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_EQ(
        reg.openKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZLM-350"), nullptr);
    EXPECT_EQ(reg.openKey("SOFTWARE\\Microsoft"), nullptr);
    EXPECT_EQ(reg.openKey("SOFTWARE\\ZLM-350")->readString("Install Directory"), "/opt/zlm");
    // A key of a similar name is not below the deleted one.
    ASSERT_TRUE(reg.createKey("SOFTWARE\\ZLM-3500")->writeDword("X", 1));
    ASSERT_TRUE(reg.deleteKey("SOFTWARE\\ZLM-350"));
    EXPECT_NE(reg.openKey("SOFTWARE\\ZLM-3500"), nullptr);
    EXPECT_TRUE(reg.deleteKey("SOFTWARE\\Nothing"));
}

// --- the program's own values --------------------------------------------------

class AppRegistry : public ::testing::Test {
protected:
    void values(const std::string& lines)
    {
        writeFile(m_dir / "registry.reg", "[SOFTWARE\\ZLM-350]\n" + lines);
    }
    AppSettings read(int w = 1024, int h = 768)
    {
        return readAppSettings(m_reg, AppSettings::defaultsFor(w, h));
    }
    TempDir m_dir;
    FileRegistry m_reg { m_dir / "registry.reg" };
};

TEST_F(AppRegistry, DefaultsDependOnScreenSize)
{
    const auto small = AppSettings::defaultsFor(640, 480);
    EXPECT_EQ(small.programDlgFontSize, 14);
    EXPECT_EQ(small.tableCellWidth, 50);
    EXPECT_EQ(small.tableCellHeight, 16);
    EXPECT_EQ(small.tableFontSize, 14);
    for (const auto& [w, h] :
        { std::pair { 800, 480 }, std::pair { 640, 600 }, std::pair { 1280, 1024 } }) {
        const auto large = AppSettings::defaultsFor(w, h);
        EXPECT_EQ(large.programDlgFontSize, 19) << w << "x" << h;
        EXPECT_EQ(large.tableCellWidth, 55);
        EXPECT_EQ(large.tableCellHeight, 20);
        EXPECT_EQ(large.tableFontSize, 16);
    }
}

TEST_F(AppRegistry, NoKeyKeepsEveryDefault)
{
    const auto s = read(640, 480);
    EXPECT_EQ((std::string { s.ecuType.data() }), "QX");
    EXPECT_EQ(s.programDlgFontSize, 14);
    EXPECT_EQ(s.tableFontSize, 14);
    EXPECT_EQ(s.commLogPath, "");
    EXPECT_EQ(s.readCount, 30);
}

TEST_F(AppRegistry, EcuTypeBySize)
{
    values("\"EcuCheckResult\"=sz:\"\"\n");
    EXPECT_EQ(read().ecuType, (std::array<char, 3> { 0, 0, 0 }));
    values("\"EcuCheckResult\"=sz:\"RZ\"\n");
    EXPECT_EQ(read().ecuType, (std::array<char, 3> { 'R', 'Z', 0 }));
    for (const char* other : { "sz:\"R\"", "sz:\"RZX\"", "dword:00000001" }) {
        values(std::string("\"EcuCheckResult\"=") + other + "\n");
        EXPECT_EQ(read().ecuType, (std::array<char, 3> { 'Q', 'X', 0 })) << other;
    }
}

TEST_F(AppRegistry, ZeroKeepsDefaultExceptTableFontSize)
{
    values("\"ProgramDlgFontSize\"=dword:00000000\n\"TableWndCellWidth\"=dword:00000000\n"
           "\"TableWndCellHeight\"=dword:00000000\n\"TableWndFontSize\"=dword:00000000\n");
    auto s = read(640, 480);
    EXPECT_EQ(s.programDlgFontSize, 14);
    EXPECT_EQ(s.tableCellWidth, 50);
    EXPECT_EQ(s.tableCellHeight, 16);
    EXPECT_EQ(s.tableFontSize, 0);

    values("\"ProgramDlgFontSize\"=dword:00000015\n\"TableWndCellWidth\"=dword:0000003c\n"
           "\"TableWndCellHeight\"=dword:00000018\n\"TableWndFontSize\"=dword:00000012\n"
           "\"ReadEcuNum\"=dword:00000005\n");
    s = read();
    EXPECT_EQ(s.programDlgFontSize, 21);
    EXPECT_EQ(s.tableCellWidth, 60);
    EXPECT_EQ(s.tableCellHeight, 24);
    EXPECT_EQ(s.tableFontSize, 18);
    EXPECT_EQ(s.readCount, 5);
    // A value of the wrong type cannot be read and keeps the default.
    values("\"TableWndCellWidth\"=sz:\"60\"\n\"ReadEcuNum\"=sz:\"5\"\n");
    s = read();
    EXPECT_EQ(s.tableCellWidth, 55);
    EXPECT_EQ(s.readCount, 30);
}

TEST_F(AppRegistry, CommLogDeletedOnlyWhenAskedFor)
{
    const fs::path log = m_dir / "comm.log";
    writeFile(log, "old");
    values("\"CommoLog\"=sz:\"" + log.string() + "\"\n\"CommoLogDelete\"=dword:00000000\n");
    EXPECT_EQ(read().commLogPath, log.string());
    EXPECT_TRUE(fs::exists(log));

    values("\"CommoLog\"=sz:\"" + log.string() + "\"\n\"CommoLogDelete\"=dword:00000001\n");
    EXPECT_EQ(read().commLogPath, log.string());
    EXPECT_FALSE(fs::exists(log));

    // The delete flag alone does nothing.
    writeFile(log, "old");
    values("\"CommoLogDelete\"=dword:00000001\n");
    EXPECT_EQ(read().commLogPath, "");
    EXPECT_TRUE(fs::exists(log));
}

TEST_F(AppRegistry, CommLogPathOfMoreThan127CharactersIsNotRead)
{
    const fs::path log = m_dir / "comm.log";
    writeFile(log, "old");
    std::string longPath = m_dir.path().string() + "/";
    longPath += std::string(127 - longPath.size(), 'a');
    values("\"CommoLog\"=sz:\"" + longPath + "\"\n");
    EXPECT_EQ(read().commLogPath, longPath);

    values("\"CommoLog\"=sz:\"" + longPath + "b\"\n\"CommoLogDelete\"=dword:00000001\n");
    EXPECT_EQ(read().commLogPath, "");
}

TEST_F(AppRegistry, CommLogDeleteNeverRemovesAFolder)
{
    const fs::path folder = m_dir / "logs";
    fs::create_directory(folder);
    values("\"CommoLog\"=sz:\"" + folder.string() + "\"\n\"CommoLogDelete\"=dword:00000001\n");
    (void)read();
    EXPECT_TRUE(fs::is_directory(folder));
}

} // namespace
} // namespace zlm
