// Installing from media made in a temporary folder into a temporary home,
// reinstalling over it, uninstalling, and running the clean-up it leaves.
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "setup/desktop_entry.h"
#include "setup/installer.h"
#include "setup/setup_run.h"
#include "setup/setup_texts.h"
#include "setup/uninstaller.h"
#include "tests/setup/setup_fixture.h"

#include <QProcess>

namespace zlm {
namespace {

using namespace test;
using setup::Installer;
using setup::Uninstaller;

class Install : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_media = std::make_unique<TempDir>();
        TempDir work;
        makeMedia(s_media->path(), MediaContent(), work);
    }
    static void TearDownTestSuite() { s_media.reset(); }

    void SetUp() override { m_places = m_home.places(s_media->path()); }

    bool install(const fs::path& destination)
    {
        fs::create_directories(destination);
        m_progress = 0;
        return Installer(m_places, m_prompts).install(destination, [this](int steps) {
            m_progress += steps;
        });
    }

    std::vector<std::string> shownTexts() const
    {
        std::vector<std::string> texts;
        for (const PromptRecord& r : m_prompts.records())
            texts.push_back(r.text);
        return texts;
    }

    std::optional<std::string> registryValue(std::string_view key, std::string_view name) const
    {
        const auto k = FileRegistry(m_places.registryFile()).openKey(key);
        return k ? k->readString(name) : std::nullopt;
    }

    // Runs a desktop entry's command line as a launcher would.
    int runEntry(const fs::path& entry, const fs::path& workingFolder)
    {
        const auto exec = setup::desktopValue(readFile(entry), "Exec");
        EXPECT_TRUE(exec);
        const auto argv = execArguments(exec.value_or(""));
        EXPECT_TRUE(argv) << *exec;
        if (!argv || argv->empty())
            return -1;
        QStringList arguments;
        for (std::size_t i = 1; i < argv->size(); ++i)
            arguments << QString::fromStdString((*argv)[i]);
        QProcess process;
        process.setWorkingDirectory(QString::fromStdString(workingFolder.string()));
        process.start(QString::fromStdString(argv->front()), arguments);
        EXPECT_TRUE(process.waitForFinished(10000));
        m_output = process.readAllStandardOutput().toStdString();
        return process.exitCode();
    }

    static inline std::unique_ptr<TempDir> s_media;
    SetupHome m_home;
    setup::SetupPlaces m_places;
    ScriptedPrompts m_prompts;
    int m_progress = 0;
    std::string m_output;
};

TEST_F(Install, PutsEveryFileSettingRegistryValueAndShortcutInPlace)
{
    const MediaContent media;
    const fs::path d = m_home.home() / ".local/opt/ZIRA/ZLM-350";
    ASSERT_TRUE(install(d));
    EXPECT_TRUE(m_prompts.records().empty()) << shownTexts().front();
    EXPECT_EQ(m_progress, setup::kProgressTotalSteps);

    EXPECT_EQ(readFile(d / "ZLM350"), media.program);
    EXPECT_NE(fs::status(d / "ZLM350").permissions() & fs::perms::owner_exec, fs::perms::none);
    for (const char* name : { "ZLM350", "ZLM350B", "ZLM350C", "ZLM350D" })
        EXPECT_EQ(
            readFile(d / (std::string(name) + ".stz")), media.definition + " " + name + ".st_");
    EXPECT_EQ(readFile(d / "ZLM350.bmp"), media.bitmap);
    EXPECT_EQ(readFile(d / "ZLM350FC.bmp"), media.bitmapFc);
    EXPECT_EQ(readFile(d / "WORK/Standard_data.lyn"), media.standardData);
    EXPECT_EQ(readFile(d / "setup"), media.setup);
    EXPECT_NE(fs::status(d / "setup").permissions() & fs::perms::owner_exec, fs::perms::none);
    // Copies carry the media's time, so a reinstall compares like with like.
    EXPECT_EQ(modifiedTime(d / "ZLM350"), mediaTime().count());
    EXPECT_EQ(modifiedTime(d / "ZLM350.stz"), mediaTime().count());

    const fs::path ini = m_home.home() / ".config/ZLM-350/ZLM350.ini";
    EXPECT_EQ(IniFile(ini).getString("UNDO", "SIZE"), "1024");
    EXPECT_EQ(IniFile(ini).getString("DIRECTORY", "PATH1"), (d / "WORK").string());
    ASSERT_TRUE(IniFile(ini).read().find("DIRECTORY", "PATH2"));
    EXPECT_EQ(*IniFile(ini).read().find("DIRECTORY", "PATH2"), "");

    EXPECT_EQ(registryValue("SOFTWARE\\ZLM-350", "Install Directory"), d.string());
    const std::string uninstall
        = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZLM-350";
    EXPECT_EQ(registryValue(uninstall, "DisplayName"), "ZLM-350");
    EXPECT_EQ(registryValue(uninstall, "UninstallString"), (d / "setup").string() + " /R");

    for (const fs::path& shortcut : { m_home.home() / "Mein Schreibtisch/ZLM350.desktop",
             m_home.home() / ".local/share/applications/ZLM350.desktop" }) {
        ASSERT_TRUE(fs::exists(shortcut)) << shortcut;
        const std::string entry = readFile(shortcut);
        EXPECT_EQ(execArguments(setup::desktopValue(entry, "Exec").value_or("")),
            std::vector<std::string> { (d / "ZLM350").string() });
        EXPECT_EQ(setup::desktopValue(entry, "Path"), d.string());
        EXPECT_EQ(setup::desktopValue(entry, "Icon"), (d / "ZLM350").string());
        EXPECT_EQ(setup::desktopValue(entry, "Type"), "Application");
        EXPECT_NE(fs::status(shortcut).permissions() & fs::perms::owner_exec, fs::perms::none);
    }
}

TEST_F(Install, ReinstallCopiesEqualTimesAndKeepsANewerSettingsFile)
{
    const fs::path d = m_home.root() / "first";
    ASSERT_TRUE(install(d));
    // Same time as the media, other content: the equal time copies again.
    writeFile(d / "ZLM350.stz", "changed");
    setTime(d / "ZLM350.stz", mediaTime());
    // A newer data file of the user's is kept.
    writeFile(d / "WORK/Standard_data.lyn", "the user's own");
    // The user moved the data folder since (the settings file is now newer).
    const fs::path ini = m_home.home() / ".config/ZLM-350/ZLM350.ini";
    ASSERT_TRUE(IniFile(ini).writeString("DIRECTORY", "PATH1", "/data/elsewhere"));

    m_prompts.clear();
    ASSERT_TRUE(install(d));
    EXPECT_EQ(readFile(d / "ZLM350.stz"), MediaContent().definition + " ZLM350.st_");
    EXPECT_EQ(readFile(d / "WORK/Standard_data.lyn"), "the user's own");
    EXPECT_EQ(IniFile(ini).getString("DIRECTORY", "PATH1"), "/data/elsewhere");
    const auto& shown = m_prompts.records();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(
        shown[0].text, "[ZLM350.ini] Newer date file is already exist. Copy was not executed.");
    EXPECT_EQ(shown[0].icon, Icon::Information);
    EXPECT_EQ(shown[0].caption, "ZLM-350 Setup");
    EXPECT_EQ(shown[1].text,
        "[Standard_data.lyn] Newer date file is already exist. Copy was not executed.");
}

TEST_F(Install, FailedStepStopsWithItsMessageAndKeepsWhatWasCopied)
{
    TempDir brokenMedia;
    TempDir work;
    makeMedia(brokenMedia.path(), MediaContent(), work);
    // A damaged program file: its length says more than it holds.
    std::string damaged = readFile(brokenMedia / "ZLM350.bm_");
    damaged.resize(damaged.size() - 3);
    writeFile(brokenMedia / "ZLM350.bm_", damaged);
    m_places.media = brokenMedia.path();

    const fs::path d = m_home.root() / "d";
    EXPECT_FALSE(install(d));
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "[ZLM350.bmp] Read error.");
    EXPECT_TRUE(fs::exists(d / "ZLM350D.stz"));
    EXPECT_FALSE(fs::exists(d / "ZLM350.bmp"));
    EXPECT_FALSE(fs::exists(m_places.settingsFile()));
    EXPECT_FALSE(fs::exists(m_places.registryFile()));

    // A missing file of the media.
    fs::remove(brokenMedia / "Stddata.ly_");
    fs::copy_file(s_media->path() / "ZLM350.bm_", brokenMedia / "ZLM350.bm_",
        fs::copy_options::overwrite_existing);
    m_prompts.clear();
    EXPECT_FALSE(install(d));
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "[Standard_data.lyn] Read error.");
    EXPECT_TRUE(fs::is_directory(d / "WORK"));
}

TEST_F(Install, UninstallRemovesItAllAndTheCleanUpFinishesAtTheNextLogIn)
{
    // A folder name that would run commands or split words if it were not quoted.
    const fs::path d = m_home.root() / "Tools 'n' $(touch PWNED) `touch PWNED2`; echo %F & ~x";
    ASSERT_TRUE(install(d));
    writeFile(d / "WORK/my own.lyn", "the user's data");

    m_prompts.clear();
    m_prompts.queue(Answer::Yes);
    EXPECT_EQ(setup::runSetup({ "/R" }, m_places, m_prompts), 0);
    ASSERT_EQ(m_prompts.records().size(), 2u);
    EXPECT_EQ(
        m_prompts.records()[1].text, "Completed uninstallation.\r\nPlease restart your computer.");
    EXPECT_EQ(m_prompts.records()[1].icon, Icon::Information);
    for (const char* name : { "ZLM350", "ZLM350.stz", "ZLM350B.stz", "ZLM350C.stz", "ZLM350D.stz",
             "ZLM350.bmp", "ZLM350FC.bmp", "WORK/Standard_data.lyn" })
        EXPECT_FALSE(fs::exists(d / name)) << name;
    EXPECT_FALSE(fs::exists(m_places.settingsFile()));
    EXPECT_FALSE(fs::exists(m_home.home() / "Mein Schreibtisch/ZLM350.desktop"));
    EXPECT_FALSE(fs::exists(m_home.home() / ".local/share/applications/ZLM350.desktop"));
    EXPECT_FALSE(FileRegistry(m_places.registryFile()).openKey("SOFTWARE\\ZLM-350"));
    EXPECT_FALSE(FileRegistry(m_places.registryFile())
                     .openKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZLM-350"));
    // The user's own file keeps the data folder; the installer copy waits for the script.
    EXPECT_TRUE(fs::exists(d / "WORK/my own.lyn"));
    EXPECT_TRUE(fs::exists(d / "setup"));

    const fs::path script = m_home.tmp() / "ZLM350-uninstall.sh";
    const fs::path entry = m_home.home() / ".config/autostart/ZLM350-uninstall.desktop";
    ASSERT_TRUE(fs::exists(script));
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_EQ(setup::desktopValue(readFile(entry), setup::kScriptKey), script.string());

    // At the next log-in, with the user's file moved away: the entry runs once.
    fs::remove_all(d / "WORK");
    TempDir cwd;
    EXPECT_EQ(runEntry(entry, cwd.path()), 0);
    EXPECT_EQ(m_output, "ZLM-350 UnInstaller finished\nPlease close this window\n");
    EXPECT_FALSE(fs::exists(d / "setup"));
    EXPECT_FALSE(fs::exists(d));
    EXPECT_TRUE(fs::exists(d.parent_path()));
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(entry));
    for (const fs::path& dir : { cwd.path(), m_home.root(), m_home.home() }) {
        EXPECT_FALSE(fs::exists(dir / "PWNED")) << dir;
        EXPECT_FALSE(fs::exists(dir / "PWNED2")) << dir;
    }
}

TEST_F(Install, CleanUpScriptLeavesAFolderThatIsNotEmpty)
{
    const fs::path d = m_home.root() / "kept";
    ASSERT_TRUE(install(d));
    Uninstaller(m_places, m_prompts).uninstall();
    writeFile(d / "notes.txt", "mine");
    QProcess sh;
    sh.start(
        "/bin/sh", { QString::fromStdString((m_home.tmp() / "ZLM350-uninstall.sh").string()) });
    ASSERT_TRUE(sh.waitForFinished(10000));
    EXPECT_FALSE(fs::exists(d / "setup"));
    EXPECT_TRUE(fs::exists(d / "notes.txt"));
    EXPECT_FALSE(fs::exists(m_home.tmp() / "ZLM350-uninstall.sh"));
}

TEST_F(Install, UninstallWithoutTheSettingsFileAsksToDeleteByHand)
{
    const fs::path d = m_home.root() / "d";
    ASSERT_TRUE(install(d));
    fs::remove(m_places.settingsFile());
    m_prompts.clear();
    Uninstaller(m_places, m_prompts).uninstall();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text,
        "Some files were not deleted. Please delete yourself.\n[" + d.string() + "]");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Information);
    EXPECT_FALSE(fs::exists(d / "ZLM350"));
    EXPECT_FALSE(fs::exists(m_home.tmp() / "ZLM350-uninstall.sh"));
    EXPECT_FALSE(fs::exists(m_places.autostartEntry()));
}

TEST_F(Install, UninstallDeletesNothingOutsideAnInstallFolderThatBreaksTheRule)
{
    // A hand-edited registry file naming a relative folder.
    TempDir cwd;
    ScopedCwd inside(cwd.path());
    writeFile(cwd / "ZLM350", "not ours");
    fs::create_directories(m_places.settings);
    writeFile(m_places.settingsFile(), "");
    auto key = FileRegistry(m_places.registryFile()).createKey("SOFTWARE\\ZLM-350");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->writeString("Install Directory", ""));
    Uninstaller(m_places, m_prompts).uninstall();
    EXPECT_TRUE(fs::exists(cwd / "ZLM350"));
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(
        m_prompts.records()[0].text, "Some files were not deleted. Please delete yourself.\n[]");
}

TEST_F(Install, CompletedInstallRemovesAPendingCleanUp)
{
    const fs::path d = m_home.root() / "d";
    ASSERT_TRUE(install(d));
    Uninstaller(m_places, m_prompts).uninstall();
    const fs::path script = m_home.tmp() / "ZLM350-uninstall.sh";
    ASSERT_TRUE(fs::exists(script));
    ASSERT_TRUE(install(d));
    setup::removePendingUninstall(m_places);
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(m_places.autostartEntry()));
    EXPECT_TRUE(fs::exists(d / "setup"));
}

} // namespace
} // namespace zlm
