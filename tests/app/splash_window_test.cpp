#include "app/splash_window.h"

#include "app/about_dialog.h"
#include "tests/test_support.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace zlm {
namespace {

using test::TempDir;
using test::writeFile;
namespace fs = std::filesystem;

// Runs the event loop until `done` holds or `limitMs` passed.
template <typename Pred> bool waitFor(Pred done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(SplashBitmapPath, ColourScreensUseTheFcFile)
{
    EXPECT_EQ(
        SplashWindow::bitmapFilePath("/opt/zlm/ZLM350", 32), fs::path("/opt/zlm/ZLM350Fc.bmp"));
    EXPECT_EQ(
        SplashWindow::bitmapFilePath("/opt/zlm/ZLM350", 16), fs::path("/opt/zlm/ZLM350Fc.bmp"));
    EXPECT_EQ(SplashWindow::bitmapFilePath("/opt/zlm/ZLM350", 8), fs::path("/opt/zlm/ZLM350.bmp"));
    // Only a real extension is dropped; the name itself stays whole.
    EXPECT_EQ(
        SplashWindow::bitmapFilePath("/opt/zlm/ZLM350.exe", 24), fs::path("/opt/zlm/ZLM350Fc.bmp"));
}

TEST(SplashBitmapFile, ReadsAWholeBitmapFile)
{
    TempDir dir;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(200, 16, 30));
    ASSERT_TRUE(picture.save(QString::fromStdString((dir / "a.bmp").string()), "BMP"));
    const QImage read = SplashWindow::readBitmapFile(dir / "a.bmp");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.size(), QSize(40, 30));
    EXPECT_EQ(read.pixelColor(5, 5), QColor(200, 16, 30));
}

TEST(SplashBitmapFile, RefusesWhatIsNoBitmapFile)
{
    TempDir dir;
    EXPECT_TRUE(SplashWindow::readBitmapFile(dir / "missing.bmp").isNull());
    writeFile(dir / "short.bmp", "BM1234");
    EXPECT_TRUE(SplashWindow::readBitmapFile(dir / "short.bmp").isNull());
    writeFile(dir / "garbage.bmp", std::string("BM") + std::string(60, '\xff'));
    EXPECT_TRUE(SplashWindow::readBitmapFile(dir / "garbage.bmp").isNull());
    EXPECT_TRUE(SplashWindow::readBitmapFile(dir.path()).isNull()); // a folder

    // A PNG decodes fine elsewhere but lacks the "BM" header.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString((dir / "png.bmp").string()), "PNG"));
    EXPECT_TRUE(SplashWindow::readBitmapFile(dir / "png.bmp").isNull());

    // A bitmap file cut short loses its pixels.
    ASSERT_TRUE(picture.save(QString::fromStdString((dir / "cut.bmp").string()), "BMP"));
    fs::resize_file(dir / "cut.bmp", 40);
    EXPECT_TRUE(SplashWindow::readBitmapFile(dir / "cut.bmp").isNull());
}

TEST(SplashBuiltIn, DrawsThePicture)
{
    const QImage image = SplashWindow::builtInBitmap();
    ASSERT_EQ(image.size(), QSize(480, 300));
    // Not a blank picture: the dark ground and the red livery are both there.
    EXPECT_LT(image.pixelColor(5, 5).lightness(), 80);
    EXPECT_NE(image.pixelColor(5, 5), image.pixelColor(470, 20));
}

class Splash : public ::testing::Test {
protected:
    void TearDown() override
    {
        waitFor([] { return SplashWindow::instance() == nullptr; });
        // The splash hands itself over with deleteLater().
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TempDir m_dir;
};

TEST_F(Splash, WithoutItsFileShowsTheMainWindowAtOnce)
{
    QWidget mainWindow;
    SplashWindow* splash = SplashWindow::start(&mainWindow, m_dir / "ZLM350");
    ASSERT_NE(splash, nullptr);
    EXPECT_FALSE(splash->fileRead());
    EXPECT_EQ(splash->displayTime().count(), 0);
    EXPECT_FALSE(splash->isVisible());
    EXPECT_FALSE(mainWindow.isVisible());
    ASSERT_TRUE(waitFor([&] { return mainWindow.isVisible(); }));
    EXPECT_TRUE(mainWindow.isMaximized());
    EXPECT_EQ(SplashWindow::instance(), nullptr);
}

TEST_F(Splash, WithItsFileShowsThePictureThenTheMainWindow)
{
    QImage picture(120, 80, QImage::Format_RGB32);
    picture.fill(QColor(10, 60, 200));
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    // Named as the installer names it ("ZLM350FC.bmp"), whatever case the program asks for.
    const fs::path asked = SplashWindow::bitmapFilePath(m_dir / "ZLM350", screen->depth());
    const fs::path file = asked.parent_path()
        / (QString::fromStdString(asked.stem().string()).toUpper().toStdString() + ".bmp");
    ASSERT_TRUE(picture.save(QString::fromStdString(file.string()), "BMP"));

    QWidget mainWindow;
    SplashWindow* splash = SplashWindow::start(&mainWindow, m_dir / "ZLM350");
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->fileRead());
    EXPECT_EQ(splash->displayTime(), SplashWindow::kDisplayTime);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(120, 80));
    EXPECT_EQ(splash->geometry().center(), screen->geometry().center());
    EXPECT_EQ(splash->grab().toImage().pixelColor(60, 40), QColor(10, 60, 200));
    EXPECT_FALSE(mainWindow.isVisible());

    // At most one splash exists.
    EXPECT_EQ(SplashWindow::start(&mainWindow, m_dir / "ZLM350"), splash);

    ASSERT_TRUE(waitFor([&] { return mainWindow.isVisible(); }));
    EXPECT_TRUE(mainWindow.isMaximized());
    EXPECT_EQ(SplashWindow::instance(), nullptr);
}

TEST_F(Splash, MainWindowGoneBeforeTheTimerIsNoCrash)
{
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(Qt::black);
    ASSERT_TRUE(picture.save(QString::fromStdString((m_dir / "ZLM350Fc.bmp").string()), "BMP"));
    ASSERT_TRUE(picture.save(QString::fromStdString((m_dir / "ZLM350.bmp").string()), "BMP"));
    {
        auto mainWindow = std::make_unique<QWidget>();
        ASSERT_NE(SplashWindow::start(mainWindow.get(), m_dir / "ZLM350"), nullptr);
    } // the splash goes with its owner
    EXPECT_EQ(SplashWindow::instance(), nullptr);
}

TEST(AboutDialog, ShowsNameVersionAndOk)
{
    CAboutDlg dialog;
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("ZLM350"));
    EXPECT_TRUE(texts.contains("Version 2.0"));
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Ok), nullptr);
    EXPECT_TRUE(dialog.isModal());

    QTimer::singleShot(0, &dialog, [&] { buttons->button(QDialogButtonBox::Ok)->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

} // namespace
} // namespace zlm
