// The live monitor in the program: the Monitor menu and the Monitor dialog
// on the main frame, live values from the virtual ECU on PORT1, the Set
// Monitor data dialog, and the selection kept in "DIAGSELECT".
#include "../comm/ecu_fixture.h"
#include "../test_support.h"
#include "app/frame_tools.h"
#include "app/monitor_tools.h"
#include "app/vex_app.h"
#include "comm/diag_item.h"
#include "comm/monitor_dialog.h"
#include "comm/set_monitor_data_dialog.h"
#include "platform/ini_file.h"
#include "platform/scripted_prompts.h"
#include "platform/text_file.h"
#include "views/main_frame.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>

namespace zlm {
namespace {

namespace fs = std::filesystem;
const std::string kResDir = ZLM_RES_DIR;

// The virtual ECU answering every "Diag.Com" item of the sample definition
// as a running engine, the Water Temp item silent when asked.
sim::VirtualEcuConfig engineConfig(const LineList& definition, bool silentWater = false)
{
    auto config = test::EcuLine::defaultConfig();
    for (const DiagItem& d : parseDiagItems(definition)) {
        sim::MonitorItem item;
        item.number = d.number;
        item.size = d.size;
        item.kind = silentWater && d.name == "Water Temp" ? sim::MonitorItem::Kind::Silent
                                                          : sim::MonitorItem::Kind::Engine;
        item.name = d.name;
        item.factor = std::stod(d.factor);
        item.offset = std::stod(d.offset);
        config.monitor.push_back(item);
    }
    config.engineSeconds = 187.0; // warmed up, pulling hard
    return config;
}

LineList sampleDefinition()
{
    auto lines = readTextLines(kResDir + "/ZLM350.def");
    return lines ? *lines : LineList {};
}

class MonitorCommands : public ::testing::Test {
protected:
    explicit MonitorCommands(bool silentWater = false)
        : line(engineConfig(sampleDefinition(), silentWater))
    { }

    void SetUp() override
    {
        std::ofstream(m_dir / "ZLM350.ini") << "[RS232C]\nPORT=PORT1\n[DEVICES]\nPORT1="
                                             << line.ecu.devicePath() << "\n";
        auto prompts = std::make_unique<ScriptedPrompts>();
        m_prompts = prompts.get();
        m_app.setPrompts(std::move(prompts));
        m_app.iniPath = m_dir / "ZLM350.ini";
        m_app.serial.portIndex = 0;
        m_app.serial.flowIndex = 1;
        m_app.serial.timeoutMs = 50;
        m_app.definitionLines = sampleDefinition();
        m_app.screenWidth = 1280;
        m_app.screenHeight = 1024;
        m_frame = std::make_unique<CMainFrame>(m_app);
        new FrameTools(*m_frame, m_app);
        m_tools = m_frame->findChild<MonitorTools*>();
        ASSERT_NE(m_tools, nullptr);
        m_frame->show();
        load();
    }

    void TearDown() override
    {
        m_frame.reset();
        settle();
    }

    void load()
    {
        const fs::path data = m_dir / "Standard_data.lyn";
        fs::copy_file(kResDir + "/Standard_data.lyn", data, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(m_frame->loadDataFile(data.string()));
        m_frame->setFrameMenu(MenuId::Loaded);
        m_frame->updateCommandStates();
    }

    static void settle()
    {
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    }

    // Lets the 100 ms timer run until `done` or `limit` ms have passed.
    template <typename Done>
    bool waitFor(Done done, int limit)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < limit)
            QTest::qWait(10);
        return done();
    }

    // As waitFor, with the link ticked at once rather than every 100 ms.
    template <typename Done>
    bool tickUntil(Done done, int limit)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < limit) {
            m_app.link().tick();
            QCoreApplication::processEvents();
        }
        return done();
    }

    MonitorDialog* dialog() const { return m_tools->dialog(); }

    test::TempDir m_tempDir;
    fs::path m_dir = m_tempDir.path();
    test::EcuLine line;
    CVexApp m_app;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
    MonitorTools* m_tools = nullptr;
};

TEST_F(MonitorCommands, DialogShowsTheFirstFifteenItemsAndTogglesWithTheCommand)
{
    EXPECT_TRUE(m_frame->isEnabled(cmd::kItemSet));
    EXPECT_FALSE(m_frame->isEnabled(cmd::kMonitorDialog));
    ASSERT_TRUE(m_frame->execute(cmd::kMonitor));
    ASSERT_NE(dialog(), nullptr);
    EXPECT_TRUE(m_frame->isChecked(cmd::kMonitor));
    EXPECT_TRUE(m_frame->isEnabled(cmd::kMonitorDialog));
    EXPECT_EQ(dialog()->rowCount(), 15); // 17 items in the definition
    EXPECT_EQ(dialog()->nameLabel(0)->text(), "Engine Speed");
    EXPECT_EQ(dialog()->unitLabel(0)->text(), "rpm");
    EXPECT_EQ(dialog()->nameLabel(14)->text(), "Fuel Trim");
    EXPECT_EQ(dialog()->startStopButton()->text(), "St&art");
    EXPECT_TRUE(dialog()->valueField(0)->isReadOnly());

    // Escape closes it; it comes back where it stood.
    dialog()->move(40, 50);
    const QPoint place = dialog()->pos();
    QTest::keyClick(dialog(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_FALSE(m_frame->isChecked(cmd::kMonitor));
    m_frame->execute(cmd::kMonitor);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->pos(), place);
    m_frame->execute(cmd::kMonitor);
    settle();
    EXPECT_EQ(dialog(), nullptr);
}

TEST_F(MonitorCommands, MonitorDialogCommandFocusesItEnterGivesTheFocusBack)
{
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    m_frame->execute(cmd::kMonitor);
    ASSERT_NE(dialog(), nullptr);
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    ASSERT_TRUE(m_frame->execute(cmd::kMonitorDialog));
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog()));
    QTest::keyClick(dialog(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    EXPECT_NE(dialog(), nullptr); // Enter does not close it
}

TEST_F(MonitorCommands, StartShowsLiveValuesStopClosesThePort)
{
    m_frame->execute(cmd::kMonitor);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_TRUE(m_frame->isChecked(cmd::kStop));
    // The button's own keys need Alt: a plain A does nothing.
    QTest::keyClick(dialog()->startStopButton(), Qt::Key_A);
    EXPECT_FALSE(m_app.link().isOpen());
    dialog()->startStopButton()->click();
    ASSERT_TRUE(m_app.link().isOpen()) << (m_prompts->records().empty() ? "" : m_prompts->records()[0].text);
    EXPECT_EQ(dialog()->startStopButton()->text(), "St&op");
    EXPECT_TRUE(m_frame->isChecked(cmd::kStart));
    EXPECT_FALSE(m_frame->isChecked(cmd::kStop));
    // Engine speed (two bytes) and throttle (one) arrive within a few ticks.
    ASSERT_TRUE(waitFor([&] { return !dialog()->valueField(1)->text().isEmpty(); }, 1500));
    const QString rpm = dialog()->valueField(0)->text();
    EXPECT_EQ(rpm.size(), 7) << rpm.toStdString();
    EXPECT_GE(rpm.toDouble(), 1300.0);

    dialog()->startStopButton()->click();
    EXPECT_FALSE(m_app.link().isOpen());
    EXPECT_EQ(dialog()->startStopButton()->text(), "St&art");
    EXPECT_TRUE(m_prompts->records().empty());
}

TEST_F(MonitorCommands, StartWithAPortThatCannotOpen)
{
    m_app.serial.portIndex = 7; // PORT8: /dev/ttyUSB3, not there
    m_app.link().ecuChecked = true;
    m_app.settings.ecuType = { '\0', '\0', '\0' };
    m_frame->execute(cmd::kStart);
    ASSERT_EQ(m_prompts->records().size(), 1u);
    EXPECT_EQ(m_prompts->records()[0].text, "Failed open RS232C port");
    EXPECT_EQ(m_prompts->records()[0].caption, "RS232C Parameter Set");
    EXPECT_FALSE(m_frame->isChecked(cmd::kStart));
}

TEST_F(MonitorCommands, ItemSetAddsUpToFifteenAndRebuildsTheDialog)
{
    m_frame->execute(cmd::kMonitor);
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<SetMonitorDataDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), "Set Monitor data");
        EXPECT_EQ(d->itemList()->count(), 17);
        EXPECT_EQ(d->itemList()->item(0)->text(), "Air Temp"); // sorted
        EXPECT_EQ(d->monitorList()->count(), 15);
        EXPECT_FALSE(d->addButton()->isEnabled());
        EXPECT_FALSE(d->removeButton()->isEnabled());
        d->itemList()->setCurrentRow(0);
        EXPECT_FALSE(d->addButton()->isEnabled()); // fifteen already
        d->monitorList()->setCurrentRow(0);
        EXPECT_TRUE(d->removeButton()->isEnabled());
        d->removeButton()->click(); // Engine Speed goes
        EXPECT_TRUE(d->addButton()->isEnabled());
        EXPECT_FALSE(d->removeButton()->isEnabled());
        d->monitorList()->setCurrentRow(1);
        const QString added = QStringLiteral("Vehicle Speed"); // not listed yet
        d->itemList()->setCurrentItem(d->itemList()->findItems(added, Qt::MatchExactly).at(0));
        d->addButton()->click();
        EXPECT_EQ(d->monitorList()->count(), 15);
        EXPECT_EQ(d->monitorList()->item(1)->text(), added);
        EXPECT_FALSE(d->addButton()->isEnabled());
        // An item already listed moves rather than doubles.
        d->monitorList()->setCurrentRow(-1);
        d->monitorList()->setCurrentRow(5);
        d->removeButton()->click();
        d->itemList()->setCurrentItem(d->itemList()->findItems(added, Qt::MatchExactly).at(0));
        d->monitorList()->setCurrentRow(0);
        d->addButton()->click();
        EXPECT_EQ(d->monitorList()->count(), 14);
        EXPECT_EQ(d->monitorList()->item(0)->text(), added);
        checked = true;
        d->accept();
    });
    m_frame->execute(cmd::kItemSet);
    ASSERT_TRUE(checked);
    settle();
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->rowCount(), 14);
    EXPECT_EQ(dialog()->nameLabel(0)->text().toStdString(),
              m_app.monitor().items()[static_cast<std::size_t>(m_app.monitor().selection()[0])].name);
}

TEST_F(MonitorCommands, SelectionSurvivesCloseAndReopen)
{
    m_app.monitor().setSelection({ 16, 2, 0 });
    m_frame->execute(cmd::kMonitor);
    m_frame->execute(cmd::kClose);
    EXPECT_FALSE(m_app.data().loaded());
    EXPECT_EQ(dialog(), nullptr);
    const IniFile ini(m_app.iniPath);
    EXPECT_EQ(ini.getString("DIAGSELECT", "SELECT0"), "Vehicle Speed");
    EXPECT_EQ(ini.getString("DIAGSELECT", "SELECT2"), "Engine Speed");
    load();
    EXPECT_EQ(m_app.monitor().selection(), (std::vector<int> { 16, 2, 0 }));
}

class SilentItemMonitor : public MonitorCommands {
protected:
    SilentItemMonitor()
        : MonitorCommands(true)
    { }
};

// Live values beside the main frame with a map and a table window open;
// the silent Water Temp row says "Error" while the rows after it go on.
TEST_F(SilentItemMonitor, LiveValuesBesideTheMainFrame)
{
    m_frame->resize(640, 560);
    m_frame->move(0, 0);
    m_frame->openWindow(ViewKind::Map);
    m_frame->openWindow(ViewKind::Table);
    m_frame->tileHorizontally();
    m_frame->execute(cmd::kMonitor);
    m_frame->execute(cmd::kStart);
    ASSERT_TRUE(m_app.link().isOpen());
    m_app.link().setTickPeriod(std::chrono::milliseconds(10)); // ten ticks of silence: 0.1 s
    // Water Temp is row 3: "Error" after its ten ticks, later rows keep coming.
    ASSERT_TRUE(tickUntil([&] { return dialog()->valueField(2)->text() == "Error"
                                    && !dialog()->valueField(4)->text().isEmpty(); },
                          1500));
    EXPECT_FALSE(dialog()->valueField(3)->text().isEmpty());
    ASSERT_TRUE(tickUntil([&] { return !dialog()->valueField(14)->text().isEmpty(); }, 1500));
    for (int r = 0; r < dialog()->rowCount(); ++r) {
        QLineEdit* v = dialog()->valueField(r);
        EXPECT_LE(v->fontMetrics().horizontalAdvance(v->text()) + 6, v->width()) << r;
        QLabel* name = dialog()->nameLabel(r);
        EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width()) << r;
    }
    settle();
    const QPixmap frame = m_frame->grab();
    const QPixmap monitor = dialog()->grab();
    QPixmap shot(frame.width() + 12 + monitor.width(), std::max(frame.height(), monitor.height()));
    shot.fill(QColor(90, 110, 130));
    QPainter painter(&shot);
    painter.drawPixmap(0, 0, frame);
    painter.drawPixmap(frame.width() + 12, 0, monitor);
    painter.end();
    const QString dir = QStringLiteral(ZLM_BINARY_DIR) + QStringLiteral("/screenshots");
    fs::create_directories(dir.toStdString());
    EXPECT_TRUE(shot.save(dir + "/monitor_beside_main_frame.png"));
    m_frame->execute(cmd::kStop);
}

} // namespace
} // namespace zlm
