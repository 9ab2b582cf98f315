#include "app/startup.h"

#include "platform/text_file.h"

#include "app/vex_app.h"
#include "tests/test_support.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace zlm {
namespace {

using test::readFile;
using test::ScopedEnv;
using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

TEST(CommandLine, TwoArgumentsRunTheBatchConversion)
{
    const BatchArguments batch = parseCommandLine({ "in.lyn", "out.csv" });
    EXPECT_TRUE(batch.requested());
    EXPECT_EQ(batch.source, "in.lyn");
    EXPECT_EQ(batch.target, "out.csv");
}

TEST(CommandLine, NoOrOneArgumentStartsNormally)
{
    EXPECT_FALSE(parseCommandLine({}).requested());
    EXPECT_FALSE(parseCommandLine({ "in.lyn" }).requested());
}

TEST(CommandLine, ASingleNameWithABlankIsNotSplit)
{
    const BatchArguments batch = parseCommandLine({ "My Data.lyn" });
    EXPECT_FALSE(batch.requested());
    EXPECT_EQ(batch.source, "");
    EXPECT_EQ(batch.target, "");
}

TEST(CommandLine, NamesWithBlanksStayWholeInABatch)
{
    const BatchArguments batch = parseCommandLine({ "My Data.lyn", "My Export.csv" });
    EXPECT_EQ(batch.source, "My Data.lyn");
    EXPECT_EQ(batch.target, "My Export.csv");
}

TEST(CommandLine, MoreThanTwoArgumentsStartNormally)
{
    EXPECT_FALSE(parseCommandLine({ "a.lyn", "b.csv", "c" }).requested());
}

TEST(StartupMessages, IniMissingNamesTheProgram)
{
    const Message m = iniMissingMessage("ZLM350");
    EXPECT_EQ(m.text, "ZLM350.ini is not exist.");
    EXPECT_EQ(m.icon, Icon::Stop);
    EXPECT_EQ(m.caption, "");
}

// A program folder, a settings folder and a temporary folder of their own, so
// that nothing of the machine's own settings takes part.
class Startup : public ::testing::Test {
protected:
    Startup()
        : m_home("ZLM350_HOME", m_homeDir.path().string())
        , m_tmp("TMPDIR", m_tmpDir.path().string())
        , m_path("PATH", std::nullopt)
    {
        m_env.programPath = m_programDir / "ZLM350";
        m_env.screenWidth = 1024;
        m_env.screenHeight = 768;
    }

    fs::path home() const { return m_homeDir.path(); }
    fs::path programDir() const { return m_programDir.path(); }
    fs::path tmp() const { return m_tmpDir.path(); }
    void writeIni(const std::string& text) { writeFile(home() / "ZLM350.ini", text); }
    void writeDefinition(const std::string& name, const std::string& text)
    {
        writeFile(programDir() / name, text);
    }
    std::vector<Message> start(CVexApp& app)
    {
        return prepareApplication(app, m_env, FileRegistry(home() / "registry.reg"));
    }

    TempDir m_homeDir, m_programDir, m_tmpDir;
    ScopedEnv m_home, m_tmp, m_path;
    StartupEnvironment m_env;
};

TEST_F(Startup, SettingsFilesThatArePipesDevicesOrHugeAreRefusedWithoutReading)
{
    writeDefinition("ZLM350.STZ", "[Free Map]\n");
    // A pipe with no writer would stall a blocking read for ever.
    ASSERT_EQ(::mkfifo((home() / "ZLM350.ini").c_str(), 0600), 0);
    CVexApp app;
    auto messages = start(app);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
        "ZLM350.ini cannot be used as a settings file:\n"
        "it is not a regular file (a folder, named pipe or device).");
    EXPECT_EQ(messages[0].icon, Icon::Stop);
    EXPECT_TRUE(app.tempDefinitionPath.empty());

    // A device, and a file above 1 MiB, as the registry file.
    fs::remove(home() / "ZLM350.ini");
    writeIni("[UNDO]\nSIZE=10\n");
    fs::create_symlink("/dev/zero", home() / "registry.reg");
    CVexApp second;
    messages = start(second);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.substr(0, 44), "registry.reg cannot be used as a settings fi");
    fs::remove(home() / "registry.reg");
    writeFile(home() / "registry.reg", std::string(kMaxSettingsFileBytes + 1, ';'));
    CVexApp third;
    messages = start(third);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
        "registry.reg cannot be used as a settings file:\nit is larger than 1 MiB.");

    // One mebibyte exactly is still a settings file.
    writeFile(home() / "registry.reg", std::string(kMaxSettingsFileBytes, ';'));
    CVexApp fourth;
    EXPECT_TRUE(start(fourth).empty());
    EXPECT_EQ(fourth.undoSize, 10);
}

TEST_F(Startup, WithoutIniStopsWithTheProgramName)
{
    CVexApp app;
    writeDefinition("ZLM350.STZ", "[Free Map]\n");
    const auto messages = start(app);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "ZLM350.ini is not exist.");
    EXPECT_EQ(messages[0].icon, Icon::Stop);
    EXPECT_TRUE(app.tempDefinitionPath.empty());
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));
}

TEST_F(Startup, ProgramNameComesFromTheExecutable)
{
    CVexApp app;
    m_env.programPath = programDir() / "LYNR.bin";
    writeIni("");
    const auto messages = start(app);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "LYNR.ini is not exist.");
}

TEST_F(Startup, WithoutDefinitionFileStops)
{
    CVexApp app;
    writeIni("[RS232C]\nSPEED=9600\n");
    const auto messages = start(app);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, "Setup file is not exist.");
    EXPECT_EQ(messages.back().icon, Icon::Stop);
    EXPECT_TRUE(app.tempDefinitionPath.empty());
}

TEST_F(Startup, LoadsSettingsAndDefinitionAndRemovesTheExpandedFileAtExit)
{
    fs::path expanded;
    {
        CVexApp app;
        app.data().nextViewKind = 3;
        writeIni("[RS232C]\r\nSPEED=9600\r\nPORT=PORT3\r\n[PRECISION]\r\nZ=3\r\n"
                 "[DIRECTORY]\r\nPATH1=/data\r\n");
        writeDefinition("ZLM350.STZ", "; plain text is copied unchanged\r\n[Free Map]\r\n0,FF,0");
        m_env.arguments = { "a.lyn", "b.csv" };
        ASSERT_TRUE(start(app).empty());

        EXPECT_EQ(app.programName, "ZLM350");
        EXPECT_EQ(app.iniPath, home() / "ZLM350.ini");
        EXPECT_EQ(app.serial.speedIndex, 4);
        EXPECT_EQ(app.serial.portIndex, 2);
        EXPECT_EQ(app.formatZ(1.0f), "1.000");
        EXPECT_EQ(app.workingDirectory, "/data");
        EXPECT_EQ(app.batchSource, "a.lyn");
        EXPECT_EQ(app.batchTarget, "b.csv");
        EXPECT_EQ(app.data().nextViewKind, 0);

        ASSERT_EQ(app.definitionLines.count(), 3u);
        EXPECT_EQ(app.definitionLines.at(1), "[Free Map]");
        EXPECT_EQ(app.definitionLines.at(2), "0,FF,0");
        // The data set reads the same definition lines.
        EXPECT_EQ(&app.data().definition(), &app.definitionLines);

        expanded = app.tempDefinitionPath;
        EXPECT_EQ(expanded, tmp() / "zlmst0.tmp");
        EXPECT_TRUE(fs::exists(expanded));
    }
    EXPECT_FALSE(fs::exists(expanded));
}

TEST_F(Startup, IniFoundBesideTheProgramPassesTheCheckButSettingsComeFromTheSettingsFolder)
{
    CVexApp app;
    writeFile(programDir() / "zlm350.INI", "[RS232C]\nSPEED=600\n");
    writeDefinition("ZLM350.STZ", "[Free Map]\n");
    ASSERT_TRUE(start(app).empty());
    EXPECT_EQ(app.iniPath, home() / "ZLM350.ini");
    EXPECT_EQ(app.serial.speedIndex, 3);
}

TEST_F(Startup, DefinitionFileIsChosenByScreenSize)
{
    writeIni("");
    writeDefinition("ZLM350.STZ", "class 0\n");
    writeDefinition("ZLM350C.STZ", "class 2\n");
    {
        CVexApp app;
        m_env.screenWidth = 1280;
        m_env.screenHeight = 1024;
        ASSERT_TRUE(start(app).empty());
        ASSERT_EQ(app.definitionLines.count(), 1u);
        EXPECT_EQ(app.definitionLines.at(0), "class 2");
    }
    {
        CVexApp app;
        m_env.screenWidth = 1024;
        m_env.screenHeight = 768;
        ASSERT_TRUE(start(app).empty());
        EXPECT_EQ(app.definitionLines.at(0), "class 0");
    }
}

TEST_F(Startup, RegistryValuesOverScreenDefaults)
{
    writeIni("");
    writeDefinition("ZLM350.STZ", "x\n");
    writeFile(home() / "registry.reg",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZLM-350]\n"
        "\"TableWndCellWidth\"=dword:00000000\n"
        "\"TableWndFontSize\"=dword:00000000\n"
        "\"ReadEcuNum\"=dword:00000005\n");
    CVexApp app;
    m_env.screenWidth = 640;
    m_env.screenHeight = 480;
    ASSERT_TRUE(start(app).empty());
    EXPECT_EQ(app.settings.tableCellWidth, 50); // 0 keeps the small-screen default
    EXPECT_EQ(app.settings.tableFontSize, 0); // used whatever its value
    EXPECT_EQ(app.settings.programDlgFontSize, 14);
    EXPECT_EQ(app.settings.tableCellHeight, 16);
    EXPECT_EQ(app.settings.readCount, 5);
}

TEST(AppSettingsDefaults, SmallScreenOnlyWhenNarrowAndLow)
{
    const AppSettings small = AppSettings::defaultsFor(640, 480);
    EXPECT_EQ(small.programDlgFontSize, 14);
    EXPECT_EQ(small.tableCellWidth, 50);
    EXPECT_EQ(small.tableCellHeight, 16);
    EXPECT_EQ(small.tableFontSize, 14);
    for (auto [w, h] :
        { std::pair { 800, 480 }, std::pair { 640, 600 }, std::pair { 1024, 768 } }) {
        const AppSettings large = AppSettings::defaultsFor(w, h);
        EXPECT_EQ(large.programDlgFontSize, 19) << w << "x" << h;
        EXPECT_EQ(large.tableCellWidth, 55);
        EXPECT_EQ(large.tableCellHeight, 20);
        EXPECT_EQ(large.tableFontSize, 16);
    }
    EXPECT_EQ(std::string(small.ecuType.data()), "QX");
    EXPECT_EQ(small.readCount, 30);
}

TEST(VexApp, ExitSwallowsAnExpandedFileThatCannotBeRemoved)
{
    TempDir dir;
    const fs::path folder = dir / "zlmst0.tmp";
    fs::create_directories(folder / "inside");
    {
        CVexApp app;
        app.tempDefinitionPath = folder; // a non-empty folder cannot be removed
    }
    EXPECT_TRUE(fs::exists(folder));
    {
        CVexApp app;
        app.tempDefinitionPath = dir / "gone.tmp"; // already gone
    }
}

} // namespace
} // namespace zlm
