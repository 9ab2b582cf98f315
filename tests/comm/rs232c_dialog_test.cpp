#include "comm/rs232c_dialog.h"

#include "app/vex_app.h"
#include "comm/directory_dialog.h"
#include "comm/directory_list.h"
#include "platform/ini_file.h"
#include "platform/scripted_prompts.h"
#include "platform/serial_devices.h"
#include "sim/virtual_ecu.h"
#include "tests/test_support.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace zlm {
namespace {

namespace fs = std::filesystem;

void saveScreenshot(QWidget& widget, const QString& name)
{
    const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(widget.grab().save(dir + "/" + name + ".png"));
}

class Rs232cDialogTest : public ::testing::Test {
protected:
    fs::path ini() const { return m_dir / "ZLM350.ini"; }
    test::TempDir m_dir;
    ScriptedPrompts m_prompts;
};

TEST_F(Rs232cDialogTest, OnlyThePortGroupIsShownInTheSpeedGroupsPlace)
{
    SerialSettings settings;
    settings.portIndex = -1;
    Rs232cDialog dialog(settings, ini(), m_prompts, {}, 19);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "RS232C Parameter Set");
    EXPECT_EQ(dialog.group(Rs232cDialog::kPort)->checkedId(), 0); // -1 shows Port1
    EXPECT_EQ(dialog.group(Rs232cDialog::kSpeed)->checkedId(), 3);
    EXPECT_FALSE(dialog.speedBox()->isVisible());
    EXPECT_FALSE(dialog.speedBox()->isEnabled());
    EXPECT_FALSE(dialog.defaultButton()->isVisible());
    EXPECT_TRUE(dialog.portBox()->isVisible());
    // The port group stands at the left, and the dialog is no wider than it needs.
    EXPECT_LT(dialog.portBox()->x(), 20);
    EXPECT_LT(dialog.width(), 2 * dialog.portBox()->width() + 160);
    // Port1..Port4 in the first column, Port5..Port8 in the second.
    auto* port1 = dialog.group(Rs232cDialog::kPort)->button(0);
    auto* port5 = dialog.group(Rs232cDialog::kPort)->button(4);
    EXPECT_EQ(port5->text(), "Port5");
    EXPECT_EQ(port1->y(), port5->y());
    EXPECT_LT(port1->x(), port5->x());
}

TEST_F(Rs232cDialogTest, IncompleteParametersAreRefused)
{
    SerialSettings settings;
    settings.speedIndex = 9; // no such button
    Rs232cDialog dialog(settings, ini(), m_prompts, {}, 19);
    dialog.accept();
    ASSERT_EQ(m_prompts.records().size(), 1u);
    EXPECT_EQ(m_prompts.records()[0].text, "All Parameters are not defined");
    EXPECT_EQ(m_prompts.records()[0].caption, "RS232C Parameter Set");
    EXPECT_EQ(m_prompts.records()[0].icon, Icon::Exclamation);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(fs::exists(ini()));
}

TEST_F(Rs232cDialogTest, Port6AndItsDeviceAreWrittenAndTheNextOpenUsesThem)
{
    sim::VirtualEcu ecu(sim::VirtualEcuConfig{});
    ASSERT_TRUE(ecu.openPty()) << ecu.error();
    ecu.start();
    test::writeFile(ini(), "[RS232C]\r\nPORT=PORT1\r\nSPEED=19200\r\n");

    CVexApp app;
    app.iniPath = ini();
    app.serial.speedIndex = 5;
    app.serial.flowIndex = 1;
    app.serial.timeoutMs = 77;
    Rs232cDialog dialog(app.serial, ini(), m_prompts, {"/dev/ttyS0"}, 19);
    dialog.group(Rs232cDialog::kPort)->button(5)->setChecked(true);
    EXPECT_EQ(dialog.deviceList()->currentText(), "/dev/ttyUSB1");
    dialog.deviceList()->setEditText(QString::fromStdString(ecu.devicePath()));
    EXPECT_TRUE(dialog.deviceState()->text().isEmpty());
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(m_prompts.records().empty());

    const IniFile file(ini());
    EXPECT_EQ(file.getString("RS232C", "PORT"), "PORT6");
    EXPECT_EQ(file.getString("RS232C", "SPEED"), "19200"); // only the port is written
    EXPECT_EQ(file.getString("DEVICES", "PORT6"), ecu.devicePath());
    EXPECT_EQ(dialog.settings().portIndex, 5);
    EXPECT_EQ(dialog.settings().speedIndex, 5);
    EXPECT_EQ(dialog.settings().flowIndex, 1);
    app.serial = dialog.settings();
    EXPECT_TRUE(app.link().Open(false));
    app.link().Close();
    ecu.stop();
}

TEST_F(Rs232cDialogTest, AMissingDeviceIsSaidAtOnce)
{
    Rs232cDialog dialog(SerialSettings{}, ini(), m_prompts, {}, 19);
    dialog.deviceList()->setEditText(QString::fromStdString((m_dir / "no-such-tty").string()));
    EXPECT_EQ(dialog.deviceState()->text(), "This device does not exist.");
    const fs::path locked = m_dir / "locked";
    test::writeFile(locked, "");
    fs::permissions(locked, fs::perms::none);
    dialog.deviceList()->setEditText(QString::fromStdString(locked.string()));
    if (::geteuid() != 0) // root may open anything
        EXPECT_TRUE(dialog.deviceState()->text().startsWith("No permission"));
    dialog.deviceList()->setEditText(QStringLiteral("/dev/null"));
    EXPECT_TRUE(dialog.deviceState()->text().isEmpty());
}

TEST(SerialDevices, StableNamesFirstThenUsbThenBuiltInInNaturalOrder)
{
    test::TempDir dev;
    fs::create_directories(dev.path() / "serial" / "by-id");
    for (const char* name : {"ttyS10", "ttyS2", "ttyACM0", "ttyUSB1", "ttyUSB0", "tty0", "ttyS"})
        test::writeFile(dev.path() / name, "");
    test::writeFile(dev.path() / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0", "");
    std::vector<std::string> expected;
    for (const char* name : {"serial/by-id/usb-FTDI_FT232R-if00-port0", "ttyUSB0", "ttyUSB1",
                             "ttyACM0", "ttyS2", "ttyS10"})
        expected.push_back((dev.path() / name).string());
    EXPECT_EQ(listSerialDevices(dev.path()), expected);
    EXPECT_TRUE(listSerialDevices(dev.path() / "missing").empty());
}

TEST(DirectoryList, ChosenFolderComesFirstAndTheNinthDropsTheOldest)
{
    test::TempDir dir;
    IniFile ini(dir / "ZLM350.ini");
    test::writeFile(ini.path(), "[DIRECTORY]\r\nPATH1=/data/a\r\nPATH2=/data/b\r\nPATH3=NO_DIR\r\nPATH4=/x\r\n");
    EXPECT_EQ(readDirectoryList(ini), (std::vector<std::string>{"/data/a", "/data/b"}));
    storeDirectoryChoice(ini, readDirectoryList(ini), "/data/b");
    EXPECT_EQ(ini.getString("DIRECTORY", "PATH1"), "/data/b");
    EXPECT_EQ(ini.getString("DIRECTORY", "PATH2"), "/data/a");
    EXPECT_EQ(ini.getString("DIRECTORY", "PATH3"), "NO_DIR");

    std::vector<std::string> eight;
    for (int i = 1; i <= 8; ++i)
        eight.push_back("/d" + std::to_string(i));
    const auto written = storeDirectoryChoice(ini, eight, "/new");
    EXPECT_EQ(written.size(), 8u);
    EXPECT_EQ(readDirectoryList(ini),
              (std::vector<std::string>{"/new", "/d1", "/d2", "/d3", "/d4", "/d5", "/d6", "/d7"}));
}

TEST(DirectoryDialog, ListsTheFoldersBrowsesAndStoresTheChoice)
{
    test::TempDir dir;
    IniFile ini(dir / "ZLM350.ini");
    test::writeFile(ini.path(), "[DIRECTORY]\r\nPATH1=/data/a\r\nPATH2=/data/b\r\n");
    ScriptedPrompts prompts;
    DirectoryDialog dialog(ini, prompts, 19);
    EXPECT_EQ(dialog.windowTitle(), "Directory");
    ASSERT_EQ(dialog.pathList()->count(), 2);
    EXPECT_EQ(dialog.pathList()->currentText(), "/data/a");

    prompts.queueCancel();
    dialog.browse();
    EXPECT_EQ(dialog.pathList()->currentText(), "/data/a");
    prompts.queuePath("/data/picked");
    dialog.browse();
    ASSERT_EQ(prompts.records().size(), 2u);
    EXPECT_EQ(prompts.records()[1].kind, PromptKind::Folder);
    EXPECT_EQ(prompts.records()[1].caption, "Please select directory.");
    EXPECT_EQ(dialog.pathList()->currentText(), "/data/picked");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), "/data/picked");
    EXPECT_EQ(readDirectoryList(ini), (std::vector<std::string>{"/data/picked", "/data/a", "/data/b"}));
}

TEST(Rs232cAndDirectoryScreenshots, TidyAtBothSizes)
{
    test::TempDir dir;
    test::writeFile(dir / "ZLM350.ini", "[DIRECTORY]\r\nPATH1=/home/mechanic/ZLM-350/2026 season\r\nPATH2=/home/mechanic/ZLM-350\r\n");
    ScriptedPrompts prompts;
    SerialSettings settings;
    settings.portIndex = 0;
    for (const auto& [pixels, size] : {std::pair{19, "default"}, std::pair{14, "small"}}) {
        Rs232cDialog rs232c(settings, dir / "ZLM350.ini", prompts, {"/dev/ttyS0", "/dev/ttyUSB0"},
                            pixels);
        rs232c.adjustSize();
        EXPECT_LE(rs232c.width(), 640);
        EXPECT_LE(rs232c.height(), 480);
        saveScreenshot(rs232c, QStringLiteral("rs232c_dialog_") + size);
        IniFile ini(dir / "ZLM350.ini");
        DirectoryDialog directory(ini, prompts, pixels);
        directory.adjustSize();
        EXPECT_LE(directory.width(), 640);
        saveScreenshot(directory, QStringLiteral("directory_dialog_") + size);
    }
}

} // namespace
} // namespace zlm
