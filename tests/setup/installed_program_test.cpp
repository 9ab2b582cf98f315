// The real programs: setup itself started as a user starts it, and ZLM350
// installed from media and started from its shortcut's command line.
#include "setup/desktop_entry.h"
#include "setup/installer.h"
#include "tests/setup/setup_fixture.h"

#include <QProcess>

#include <thread>

namespace zlm {
namespace {

using namespace test;

const fs::path kBuild(ZLM_BINARY_DIR);
constexpr int kFinishMs = 30000; // a bound for a loaded machine, not a measurement

// setup with its prompts written to a file and answered from another.
class SetupProgram : public ::testing::Test {
protected:
    std::string run(
        const QStringList& arguments, const fs::path& folder, const std::string& answers)
    {
        writeFile(m_home.root() / "answers", answers);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ZLM350_PROMPTS", QString::fromStdString((m_home.root() / "prompts").string()));
        env.insert("ZLM350_ANSWERS", QString::fromStdString((m_home.root() / "answers").string()));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(folder.string()));
        process.start(QString::fromStdString((kBuild / "setup/setup").string()), arguments);
        EXPECT_TRUE(process.waitForFinished(kFinishMs));
        EXPECT_EQ(process.exitCode(), 0);
        return readFile(m_home.root() / "prompts");
    }
    SetupHome m_home;
};

TEST_F(SetupProgram, RefusesAFolderWithoutMediaAndAsksBeforeUninstalling)
{
    EXPECT_EQ(run({}, m_home.tmp(), ""), "STOP\tZLM-350 Setup\tCan not execute this program.\n");
    fs::remove(m_home.root() / "prompts");

    fs::create_directories(m_home.home() / ".config/ZLM-350");
    writeFile(m_home.home() / ".config/ZLM-350/ZLM350.ini", "");
    EXPECT_EQ(run({ "/R" }, m_home.tmp(), "No\n"),
        "QUESTION\tZLM-350 Setup\tThis will uninstall ZLM-350.\\nAre you sure you want to "
        "uninstall?\n");
    EXPECT_TRUE(fs::exists(m_home.home() / ".config/ZLM-350/ZLM350.ini"));

    // Yes: the settings file goes, and without an installation the rest is left to the user.
    fs::remove(m_home.root() / "prompts");
    const std::string shown = run({ "/R" }, m_home.tmp(), "Yes\n");
    EXPECT_NE(shown.find("INFORMATION\tZLM-350 Setup\tSome files were not deleted. Please delete "
                         "yourself.\\n[]\n"),
        std::string::npos)
        << shown;
    EXPECT_FALSE(fs::exists(m_home.home() / ".config/ZLM-350/ZLM350.ini"));
}

TEST_F(SetupProgram, ScriptedPagesInstallFromTheMediaAndStayAfterARefusedFolder)
{
    TempDir work;
    const fs::path media = m_home.root() / "media";
    makeMedia(media, MediaContent(), work);
    const std::string proposed = (m_home.home() / ".local/opt/ZIRA/ZLM-350").string();
    const std::string welcome = "NONE\tWelcome\tWelcome to the ZLM-350 Setup program.\\nThis "
                                "program will install ZLM-350 on your computer.\\nClick Cancel to "
                                "quit Setup and then close any programs\\nyou have running. Click "
                                "Next to continue with the Setup program.\n";

    // Cancel on the welcome page ends the run; no answer left on the destination page too.
    EXPECT_EQ(run({}, media, "Cancel\n"), welcome);
    fs::remove(m_home.root() / "prompts");
    EXPECT_EQ(run({}, media, "Next\n"), welcome + "FOLDER\tZLM-350 Setup\t" + proposed + "\n");
    EXPECT_FALSE(fs::exists(proposed));

    // A refused folder keeps the page for another answer, which installs.
    fs::remove(m_home.root() / "prompts");
    const std::string shown = run({}, media, "Next\n/tmp/a?b\nOK\n" + proposed + "\n");
    EXPECT_EQ(shown,
        welcome + "FOLDER\tZLM-350 Setup\t" + proposed
            + "\nEXCLAMATION\tZLM-350 Setup\tThe folder:\\n\\n/tmp/a?b\\n\\nis invalid. Please "
              "reenter.\nFOLDER\tZLM-350 Setup\t/tmp/a?b\n"
              "INFORMATION\tZLM-350 Setup\tSetup has finished installing ZLM-350 on your computer.\n");
    EXPECT_FALSE(fs::exists("/tmp/a?b"));
    EXPECT_TRUE(fs::exists(fs::path(proposed) / "ZLM350"));

    // "Install" takes the folder the page shows: here again, with the equal times copied.
    fs::remove(m_home.root() / "prompts");
    EXPECT_NE(run({}, media, "Next\nInstall\n").find("\tSetup has finished installing"),
        std::string::npos);
}

TEST_F(SetupProgram, InstalledProgramStartsFromItsShortcutAndFindsItsFiles)
{
    // Media of the real program and definition files, made here.
    TempDir work;
    MediaContent content;
    content.settings = readFile(fs::path(ZLM_RES_DIR) / "ZLM350.ini.sample");
    const fs::path media = m_home.root() / "media";
    makeMedia(media, content, work);
    // The program uncompressed (the expanded copy takes it unchanged): the
    // build's program is large, and compressing it here would slow the test.
    fs::copy_file(
        kBuild / "app/ZLM350", media / "ZLM350.ex_", fs::copy_options::overwrite_existing);
    for (const char* name : { "ZLM350", "ZLM350B", "ZLM350C", "ZLM350D" })
        fs::copy_file(kBuild / "res" / (std::string(name) + ".STZ"),
            media / (std::string(name) + ".st_"), fs::copy_options::overwrite_existing);

    // Quotes, a command substitution, a field code: none of them may change what runs.
    const fs::path d = m_home.root() / "Programs 'A' $(x) ;b %F";
    fs::create_directories(d);
    ScriptedPrompts prompts;
    const auto places = m_home.places(media);
    ASSERT_TRUE(setup::Installer(places, prompts).install(d));
    ASSERT_TRUE(prompts.records().empty());

    const std::string shortcut = readFile(places.applications / "ZLM350.desktop");
    const auto argv = execArguments(setup::desktopValue(shortcut, "Exec").value_or(""));
    ASSERT_TRUE(argv);
    EXPECT_EQ(*argv, (std::vector<std::string> { "/usr/bin/env", (d / "ZLM350").string() }));
    const auto path = setup::desktopValue(shortcut, "Path");
    ASSERT_TRUE(path);

    // Started the way a launcher starts it, in a session with this home.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZLM350_PROMPTS", QString::fromStdString((m_home.root() / "prompts").string()));
    env.insert("ZLM350_SCREEN", "1024x768");
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromStdString(*path));
    QStringList arguments;
    for (std::size_t i = 1; i < argv->size(); ++i)
        arguments << QString::fromStdString((*argv)[i]);
    program.start(QString::fromStdString(argv->front()), arguments);
    ASSERT_TRUE(program.waitForStarted(kFinishMs));
    // It runs once its settings file and its definition file (expanded into
    // the temporary folder) are found; a missing one ends it with a message.
    const fs::path expanded = m_home.tmp() / "zlmst0.tmp";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && !fs::exists(expanded)
        && program.state() == QProcess::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(fs::exists(expanded));
    EXPECT_EQ(program.state(), QProcess::Running);
    EXPECT_FALSE(fs::exists(m_home.root() / "prompts")) << readFile(m_home.root() / "prompts");
    // The one for this screen size: ZLM350B.stz beside the program.
    const std::string definition = readFile(expanded);
    EXPECT_NE(definition.find("[Free Map]"), std::string::npos);
    program.kill();
    program.waitForFinished();
}

} // namespace
} // namespace zlm
