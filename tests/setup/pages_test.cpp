// The installer's windows driven for real: the welcome page, the destination
// page with its installation, the folder browser, and whole runs of setup.
#include "setup/destination_page.h"
#include "setup/folder_browser.h"
#include "setup/setup_run.h"
#include "setup/welcome_page.h"
#include "tests/setup/setup_fixture.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

namespace zlm {
namespace {

using namespace test;
using setup::DestinationPage;
using setup::FolderBrowser;
using setup::WelcomePage;

QString labelText(const QWidget& page, const char* name)
{
    const auto* label = page.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

QStringList allLabels(const QWidget& page)
{
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

void saveScreenshot(QWidget& w, const QString& name)
{
    const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
    fs::create_directories(dir.toStdString());
    w.show();
    // Long enough for the folder tree to read its folders.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(w.grab().save(dir + "/" + name));
    w.hide();
}

class Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        TempDir work;
        makeMedia(m_media.path(), MediaContent(), work);
        m_places = m_home.places(m_media.path());
    }
    TempDir m_media;
    SetupHome m_home;
    setup::SetupPlaces m_places;
    ScriptedPrompts m_prompts;
};

TEST_F(Pages, WelcomePageTexts)
{
    WelcomePage page;
    EXPECT_EQ(page.windowTitle(), "Welcome");
    EXPECT_EQ(labelText(page, "line1013"), "Welcome to the ZLM-350 Setup program.");
    EXPECT_EQ(labelText(page, "line1015"), "This program will install ZLM-350 on your computer.");
    const QStringList texts = allLabels(page);
    EXPECT_TRUE(texts.contains("Click Cancel to quit Setup and then close any programs"));
    EXPECT_TRUE(texts.contains("you have running. Click Next to continue with the Setup program."));
    EXPECT_EQ(page.nextButton()->text(), "&Next >");
    EXPECT_EQ(page.cancelButton()->text(), "Cancel");
    saveScreenshot(page, "setup_welcome.png");
}

TEST_F(Pages, DestinationPageTextsFolderAndBrowse)
{
    DestinationPage page(m_places, m_prompts);
    EXPECT_EQ(page.windowTitle(), "ZLM-350 Setup");
    EXPECT_EQ(labelText(page, "line1013"), "Setup will install ZLM-350 in the following folder.");
    EXPECT_EQ(labelText(page, "line1014"),
        "You can choose not to install ZLM-350 by clicking Cancel to exit Setup.");
    const QStringList texts = allLabels(page);
    EXPECT_TRUE(texts.contains("To install to this folder,click Install."));
    EXPECT_TRUE(
        texts.contains("To install to a different folder,click Browse and select another folder."));
    EXPECT_EQ(page.folder(), (m_home.home() / ".local/opt/ZIRA/ZLM-350").string());
    EXPECT_EQ(page.installButton()->text(), "&Install");
    EXPECT_EQ(page.browseButton()->text(), "B&rowse...");
    EXPECT_FALSE(page.progressBar()->isVisibleTo(&page));

    std::string offered;
    std::optional<std::string> answer = "/opt/chosen";
    page.setBrowser([&](QWidget*, const std::string& folder) {
        offered = folder;
        return answer;
    });
    page.browseButton()->click();
    EXPECT_EQ(offered, (m_home.home() / ".local/opt/ZIRA/ZLM-350").string());
    EXPECT_EQ(page.folder(), "/opt/chosen");
    answer.reset();
    page.browseButton()->click();
    EXPECT_EQ(page.folder(), "/opt/chosen");
}

TEST_F(Pages, InstallCreatesTheFolderAndEndsThePageWithTheFinishedMessage)
{
    DestinationPage page(m_places, m_prompts);
    const fs::path d = m_home.home() / ".local/opt/ZIRA/ZLM-350";
    int highest = 0;
    QObject::connect(page.progressBar(), &QProgressBar::valueChanged, [&](int v) {
        highest = std::max(highest, v);
        EXPECT_TRUE(page.progressBar()->isVisibleTo(&page));
        EXPECT_EQ(page.progressLabel()->text(), "Copying Files Now !");
    });
    page.installButton()->click();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(
        m_prompts.records()[0].text, "Setup has finished installing ZLM-350 on your computer.");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Information);
    EXPECT_EQ(page.result(), QDialog::Accepted);
    EXPECT_EQ(highest, page.progressBar()->maximum());
    EXPECT_FALSE(page.progressBar()->isVisibleTo(&page));
    EXPECT_TRUE(page.progressLabel()->text().isEmpty());
    EXPECT_TRUE(fs::exists(d / "ZLM350"));
}

TEST_F(Pages, FailedInstallKeepsThePageOpenForAnotherTry)
{
    fs::remove(m_media / "ZLM350D.st_");
    DestinationPage page(m_places, m_prompts);
    page.show();
    page.installButton()->click();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "[ZLM350D.stz] Read error.");
    EXPECT_NE(page.result(), QDialog::Accepted);
    EXPECT_TRUE(page.isVisible());
    EXPECT_FALSE(page.progressBar()->isVisible());
    EXPECT_FALSE(page.progressLabel()->isVisible());
    EXPECT_EQ(page.progressBar()->value(), 0);
    EXPECT_EQ(page.focusWidget(), page.browseButton());

    // A folder that breaks the rule is refused before anything is copied.
    m_prompts.clear();
    page.setBrowser([](QWidget*, const std::string&) { return std::string("/tmp/bad|name"); });
    page.browseButton()->click();
    page.installButton()->click();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(
        m_prompts.records()[0].text, "The folder:\n\n/tmp/bad|name\n\nis invalid. Please reenter.");
    EXPECT_FALSE(fs::exists("/tmp/bad|name"));
}

TEST_F(Pages, FolderBrowserChecksAndCreatesTheTypedFolder)
{
    const fs::path start = m_home.home() / "missing/deeper";
    FolderBrowser browser(m_prompts, start.string());
    EXPECT_EQ(browser.windowTitle(), "Choose Folder");
    const QStringList texts = allLabels(browser);
    EXPECT_TRUE(texts.contains("Please choose the installation folder."));
    EXPECT_TRUE(texts.contains("&Path:"));
    EXPECT_TRUE(texts.contains("&Directories:"));
    EXPECT_EQ(browser.pathEdit()->text().toStdString(), start.string());
    // The tree opens at the nearest folder that exists.
    EXPECT_EQ(static_cast<QFileSystemModel*>(browser.tree()->model())
                  ->filePath(browser.tree()->currentIndex())
                  .toStdString(),
        m_home.home().string());

    browser.pathEdit()->clear();
    EXPECT_FALSE(browser.okButton()->isEnabled());
    browser.pathEdit()->setText(QString::fromStdString(m_home.home().string() + "/"));
    EXPECT_TRUE(browser.okButton()->isEnabled());
    browser.okButton()->click();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text,
        "The folder:\n\n" + m_home.home().string() + "/\n\nis invalid. Please reenter.");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Exclamation);
    EXPECT_NE(browser.result(), QDialog::Accepted);

    const fs::path wanted = m_home.home() / "new place/ZLM-350";
    browser.pathEdit()->setText(QString::fromStdString(wanted.string()));
    m_prompts.clear();
    m_prompts.queue(Answer::No);
    browser.okButton()->click();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text,
        "The folder:\n\n" + wanted.string()
            + "\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_EQ(m_prompts.records()[0].buttons, Buttons::YesNo);
    EXPECT_NE(browser.result(), QDialog::Accepted);
    EXPECT_FALSE(fs::exists(wanted));

    // Under a file nothing can be created.
    writeFile(m_home.home() / "plain", "x");
    browser.pathEdit()->setText(QString::fromStdString((m_home.home() / "plain/sub").string()));
    m_prompts.clear();
    m_prompts.queue(Answer::Yes);
    browser.okButton()->click();
    ASSERT_EQ(m_prompts.records().size(), 2u);
    EXPECT_EQ(m_prompts.records()[1].text,
        "The folder:\n\n" + (m_home.home() / "plain/sub").string()
            + "\n\ncan not be created. Please double check.");
    EXPECT_NE(browser.result(), QDialog::Accepted);

    browser.pathEdit()->setText(QString::fromStdString(wanted.string()));
    m_prompts.queue(Answer::Yes);
    browser.okButton()->click();
    EXPECT_EQ(browser.result(), QDialog::Accepted);
    EXPECT_EQ(browser.folder(), wanted.string());
    EXPECT_TRUE(fs::is_directory(wanted));
}

TEST_F(Pages, Screenshots)
{
    // A user's folder rather than the test's temporary one.
    m_places.proposedFolder = "/home/mechanic/.local/opt/ZIRA/ZLM-350";
    DestinationPage page(m_places, m_prompts);
    saveScreenshot(page, "setup_destination.png");
    FolderBrowser browser(m_prompts, "/usr/local/ZIRA/ZLM-350");
    saveScreenshot(browser, "setup_folder_browser.png");
}

// Clicks through every page that comes up: Next on the welcome page, Install
// on the destination page.
void clickThroughPages()
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* welcome = qobject_cast<WelcomePage*>(modal))
            welcome->nextButton()->click();
        else if (auto* destination = qobject_cast<DestinationPage*>(modal))
            destination->installButton()->click();
        else if (!modal)
            return;
        if (qobject_cast<DestinationPage*>(modal))
            timer->deleteLater();
    });
    timer->start(10);
}

TEST_F(Pages, WholeRunInstallsAndClearsAPendingCleanUp)
{
    // Left by an earlier uninstall that has not run yet.
    const fs::path script = m_home.tmp() / "ZLM350-uninstall.sh";
    writeFile(script, "#!/bin/sh\n");
    fs::create_directories(m_places.autostart);
    writeFile(
        m_places.autostartEntry(), "[Desktop Entry]\nX-ZLM350-Script=" + script.string() + "\n");

    clickThroughPages();
    EXPECT_EQ(setup::runSetup({}, m_places, m_prompts), 0);
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(
        m_prompts.records()[0].text, "Setup has finished installing ZLM-350 on your computer.");
    EXPECT_TRUE(fs::exists(m_home.home() / ".local/opt/ZIRA/ZLM-350/ZLM350"));
    EXPECT_FALSE(fs::exists(script));
    EXPECT_FALSE(fs::exists(m_places.autostartEntry()));
}

TEST_F(Pages, RunWithoutMediaOrWithUninstallAnsweredNo)
{
    TempDir empty;
    m_places.media = empty.path();
    EXPECT_EQ(setup::runSetup({}, m_places, m_prompts), 0);
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "Can not execute this program.");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Stop);

    fs::create_directories(m_places.settings);
    writeFile(m_places.settingsFile(), "");
    m_prompts.clear();
    m_prompts.queue(Answer::No);
    EXPECT_EQ(setup::runSetup({ "/r" }, m_places, m_prompts), 0);
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text,
        "This will uninstall ZLM-350.\nAre you sure you want to uninstall?");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Question);
    EXPECT_EQ(m_prompts.records()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(fs::exists(m_places.settingsFile()));
}

} // namespace
} // namespace zlm
