// The real ZLM350 program, started as a user or a script would start it, with
// scripted prompts and folders of its own.
#include "tests/test_support.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace zlm {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

const fs::path kProgram = fs::path(ZLM_BINARY_DIR) / "app" / "ZLM350";
const fs::path kSamples = fs::path(ZLM_BINARY_DIR) / "res";
constexpr int kFinishMs = 30000; // a generous bound for a loaded machine, not a measurement

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        out.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return out;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(kProgram)) << kProgram;
        fs::create_directories(m_dirs.path() / "home");
        fs::create_directories(m_dirs.path() / "tmp");
        fs::create_directories(m_dirs.path() / "work");
    }

    fs::path home() const { return m_dirs / "home"; }
    fs::path tmp() const { return m_dirs / "tmp"; }
    fs::path work() const { return m_dirs / "work"; }
    fs::path promptsFile() const { return m_dirs / "prompts.txt"; }

    void installSettings() { writeFile(home() / "ZLM350.ini", "[PRECISION]\r\nX=0\r\n"); }
    void installDefinition() { fs::copy_file(kSamples / "ZLM350.STZ", home() / "ZLM350.STZ"); }

    void start(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ZLM350_HOME", QString::fromStdString(home().string()));
        env.insert("TMPDIR", QString::fromStdString(tmp().string()));
        env.insert("ZLM350_PROMPTS", QString::fromStdString(promptsFile().string()));
        env.insert("ZLM350_SCREEN", m_screen);
        env.remove("ZLM350_ANSWERS");
        if (m_adjustEnvironment)
            m_adjustEnvironment(env);
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(QString::fromStdString(work().string()));
        m_process.start(QString::fromStdString(kProgram.string()), arguments);
        ASSERT_TRUE(m_process.waitForStarted(kFinishMs));
    }

    // Runs the program to its end; false when it did not end by itself.
    bool run(const QStringList& arguments)
    {
        start(arguments);
        if (!m_process.waitForFinished(kFinishMs)) {
            m_process.kill();
            m_process.waitForFinished();
            return false;
        }
        return m_process.exitStatus() == QProcess::NormalExit;
    }

    std::vector<std::string> prompts() const
    {
        return fs::exists(promptsFile()) ? lines(readFile(promptsFile()))
                                         : std::vector<std::string> {};
    }

    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    TempDir m_dirs;
    QProcess m_process;
    QString m_screen = QStringLiteral("1024x768");
    std::function<void(QProcessEnvironment&)> m_adjustEnvironment;
};

TEST_F(Program, WithoutSettingsFileStopsWithExitCodeZero)
{
    installDefinition();
    ASSERT_TRUE(run({}));
    EXPECT_EQ(m_process.exitCode(), 0);
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "STOP\tTavoreth Racing Tool\tZLM350.ini is not exist.");
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));
}

TEST_F(Program, WithoutDefinitionFileStopsWithExitCodeZero)
{
    installSettings();
    ASSERT_TRUE(run({}));
    EXPECT_EQ(m_process.exitCode(), 0);
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "STOP\tTavoreth Racing Tool\tSetup file is not exist.");
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));
}

TEST_F(Program, BatchConversionWritesTheCsvAndRemovesTheExpandedDefinition)
{
    installSettings();
    installDefinition();
    ASSERT_EQ(readFile(home() / "ZLM350.STZ").substr(0, 4), "SZDD");
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "Standard data.lyn");

    ASSERT_TRUE(run({ "Standard data.lyn", "out put.csv" }));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(prompts().empty());
    const auto csv = lines(readFile(work() / "out put.csv"));
    ASSERT_GT(csv.size(), 3u);
    EXPECT_EQ(csv[1], "Version 1.0\r");
    EXPECT_EQ(csv.back(), "[end]\r");
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));
}

TEST_F(Program, FailedBatchConversionStillEndsByItself)
{
    installSettings();
    installDefinition();
    ASSERT_TRUE(run({ "missing.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 1); // no CSV written: a script can tell
    const auto shown = prompts();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "EXCLAMATION\tTavoreth Racing Tool\tFailed to open file");
    EXPECT_FALSE(fs::exists(work() / "out.csv"));
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));
}

// The lines the program wrote to its error output.
std::vector<std::string> errorLines(QProcess& process)
{
    return lines(process.readAllStandardError().toStdString());
}

// Whether the program told its error output that the data file could not be
// opened (beside whatever the platform itself printed there).
bool saidFailedToOpen(QProcess& process)
{
    const auto said = errorLines(process);
    return std::find(said.begin(), said.end(), "EXCLAMATION\tTavoreth Racing Tool\tFailed to open file")
        != said.end();
}

TEST_F(Program, BatchWithoutAnyDisplayNeedsNoneAndTellsTheErrorOutput)
{
    installSettings();
    installDefinition();
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "data.lyn");
    // As from cron or an SSH session: no display, no platform, no prompts file.
    m_adjustEnvironment = [](QProcessEnvironment& env) {
        for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "ZLM350_PROMPTS" })
            env.remove(QString::fromLatin1(name));
    };
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(run({ "missing.lyn", "out.csv" }));
    // Well under the bound even on a loaded machine; it waits for nothing.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(m_process.exitCode(), 1);
    EXPECT_EQ(errorLines(m_process),
        std::vector<std::string> { "EXCLAMATION\tTavoreth Racing Tool\tFailed to open file" });
    EXPECT_FALSE(fs::exists(work() / "out.csv"));
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));

    ASSERT_TRUE(run({ "data.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(errorLines(m_process).empty());
    EXPECT_TRUE(readFile(work() / "out.csv").ends_with("[Fixed]\r\n[end]\r\n"));

    // Without a display a normal start says why it cannot run.
    ASSERT_TRUE(run({}));
    EXPECT_EQ(m_process.exitCode(), 1);
    const auto said = errorLines(m_process);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("no display"), std::string::npos) << said[0];
}

TEST_F(Program, BatchWithADisplayOutOfReachRunsWithoutIt)
{
    installSettings();
    installDefinition();
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "data.lyn");
    // A stale DISPLAY, as in an SSH session whose forwarding has gone.
    m_adjustEnvironment = [](QProcessEnvironment& env) {
        for (const char* name : { "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "ZLM350_PROMPTS" })
            env.remove(QString::fromLatin1(name));
        env.insert("DISPLAY", ":987");
    };
    ASSERT_TRUE(run({ "missing.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 1);
    EXPECT_TRUE(saidFailedToOpen(m_process));
    ASSERT_TRUE(run({ "data.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(readFile(work() / "out.csv").ends_with("[Fixed]\r\n[end]\r\n"));
}

TEST_F(Program, BatchWhoseStartFailsBeforeTheCommandLineExitsWithOne)
{
    installDefinition(); // no settings file
    ASSERT_TRUE(run({ "data.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 1);
    EXPECT_EQ(prompts(),
        std::vector<std::string> { "STOP\tTavoreth Racing Tool\tZLM350.ini is not exist." });
}

TEST_F(Program, OffscreenBatchWithoutPromptsFileDoesNotWaitOnAnUnseenBox)
{
    installSettings();
    installDefinition();
    m_adjustEnvironment = [](QProcessEnvironment& env) { env.remove("ZLM350_PROMPTS"); };
    ASSERT_TRUE(run({ "missing.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 1);
    EXPECT_TRUE(saidFailedToOpen(m_process));
}

TEST_F(Program, OneFileNameWithABlankStartsNormally)
{
    installSettings();
    installDefinition();
    writeFile(work() / "My Data.lyn", "not a data file\r\n");
    start({ "My Data.lyn" });
    // A normal start keeps running with its windows; a split name would have
    // run the batch conversion and ended with "Failed to open file".
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline && !fs::exists(tmp() / "zlmst0.tmp"))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(m_process.waitForFinished(1500));
    EXPECT_EQ(m_process.state(), QProcess::Running);
    EXPECT_TRUE(prompts().empty());
    EXPECT_TRUE(fs::exists(tmp() / "zlmst0.tmp"));
    EXPECT_FALSE(fs::exists(work() / "Data.lyn"));
}

TEST_F(Program, BatchCsvHasTheDateLineAndCrLfLineEnds)
{
    installSettings();
    installDefinition();
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "data.lyn");
    ASSERT_TRUE(run({ "data.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 0);
    const std::string text = readFile(work() / "out.csv");
    ASSERT_TRUE(text.ends_with("[Fixed]\r\n[end]\r\n"));
    const auto csv = lines(text);
    ASSERT_GT(csv.size(), 4u);
    for (const std::string& line : csv)
        EXPECT_TRUE(line.ends_with("\r") && line.find('\r') == line.size() - 1) << line;
    // "%y/%m/%d %H:%M:%S"
    const std::string& date = csv[0];
    ASSERT_EQ(date.size(), 18u) << date;
    for (std::size_t i : { 2u, 5u })
        EXPECT_EQ(date[i], '/') << date;
    EXPECT_EQ(date[8], ' ');
    EXPECT_EQ(date[11], ':');
    EXPECT_EQ(date[14], ':');
    EXPECT_EQ(csv[2], "FMDataName,Fuel Map1\r");
    EXPECT_NE(std::find(csv.begin(), csv.end(), "[Calib]\r"), csv.end());
}

TEST_F(Program, CsvThatCannotBeWrittenIsReportedAndTheProgramEnds)
{
    installSettings();
    installDefinition();
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "data.lyn");
    ASSERT_TRUE(run({ "data.lyn", "no such folder/out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 1);
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "EXCLAMATION\tTavoreth Racing Tool\tFailed to write file");
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));
}

TEST_F(Program, LargeScreenWithOnlyTheBFileUsesIt)
{
    installSettings();
    // A plain (not compressed) definition whose first map is named after its file.
    std::string definition = readFile(fs::path(ZLM_RES_DIR) / "ZLM350.def");
    const auto at = definition.find("Fuel Map1");
    ASSERT_NE(at, std::string::npos);
    definition.replace(at, 9, "B File Map");
    writeFile(home() / "zlm350b.stz", definition);
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "data.lyn");
    m_screen = QStringLiteral("1280x1024");
    ASSERT_TRUE(run({ "data.lyn", "out.csv" }));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(prompts().empty());
    EXPECT_NE(
        readFile(work() / "out.csv").find("\r\nFMDataName,B File Map\r\n"), std::string::npos);

    // An 800 x 600 screen looks for the plain name only.
    m_screen = QStringLiteral("800x600");
    ASSERT_TRUE(run({ "data.lyn", "out2.csv" }));
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "STOP\tTavoreth Racing Tool\tSetup file is not exist.");
    EXPECT_FALSE(fs::exists(work() / "out2.csv"));
}

TEST_F(Program, StaleTemporaryFileIsReplacedAndAnUndeletableOneStops)
{
    installSettings();
    installDefinition();
    fs::copy_file(kSamples / "Standard_data.lyn", work() / "data.lyn");
    writeFile(tmp() / "zlmst0.tmp", "[Free Map]\r\nstale lines of an earlier run\r\n");
    ASSERT_TRUE(run({ "data.lyn", "out.csv" }));
    EXPECT_TRUE(prompts().empty());
    EXPECT_NE(readFile(work() / "out.csv").find("FMDataName,Fuel Map1"), std::string::npos);
    EXPECT_FALSE(fs::exists(tmp() / "zlmst0.tmp"));

    // A folder of that name cannot be deleted like a file.
    fs::create_directories(tmp() / "zlmst0.tmp" / "inside");
    ASSERT_TRUE(run({ "data.lyn", "out2.csv" }));
    EXPECT_EQ(m_process.exitCode(), 1); // a batch run whose start-up failed wrote nothing
    const auto shown = prompts();
    ASSERT_EQ(shown.size(), 1u);
    const std::string expected
        = "STOP\tTavoreth Racing Tool\tSetup file Read Error(Create TemporaryFile:3-";
    EXPECT_EQ(shown[0].substr(0, expected.size()), expected);
    EXPECT_NE(shown[0].find(")\\n[" + tmp().string()), std::string::npos) << shown[0];
    EXPECT_TRUE(shown[0].ends_with("]"));
    EXPECT_FALSE(fs::exists(work() / "out2.csv"));
    EXPECT_TRUE(fs::exists(tmp() / "zlmst0.tmp" / "inside"));
}

} // namespace
} // namespace zlm
