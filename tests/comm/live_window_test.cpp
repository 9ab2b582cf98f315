// The windows during an ECU transfer, wired as the program wires them (the
// frame's tools, the Qt pump, the wait window): the wait window's progress is
// painted while the read runs, input meanwhile acts on nothing, and a silent
// ECU fails on time under the window system's pump too.
#include "app/frame_tools.h"
#include "app/vex_app.h"
#include "comm/data_exchange_dialog.h"
#include "comm/exchange_choice_dialog.h"
#include "ecu_fixture.h"
#include "platform/scripted_prompts.h"
#include "views/main_frame.h"
#include "tests/comm/exchange_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

namespace zlm {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The program's side of the line: application, frame and its tools, on a
// virtual ECU reached as PORT1 through the settings file.
class ProgramOnLine {
public:
    explicit ProgramOnLine(sim::VirtualEcuConfig config)
        : ecu(std::move(config))
        , home(fs::temp_directory_path()
              / ("zlm-live-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count)))
    {
        EXPECT_TRUE(ecu.openPty()) << ecu.error();
        ecu.start();
        fs::create_directories(home);
        std::ofstream(home / "ZLM350.ini") << "[DEVICES]\nPORT1=" << ecu.devicePath() << "\n";
        auto scripted = std::make_unique<ScriptedPrompts>();
        prompts = scripted.get();
        app.setPrompts(std::move(scripted));
        app.iniPath = home / "ZLM350.ini";
        app.settingsDir = home;
        app.serial.portIndex = 0;
        app.serial.flowIndex = 1;
        app.serial.timeoutMs = test::kTestTimeoutMs;
        const fs::path def = fs::path(ZLM_TEST_DATA_DIR) / "small.def";
        std::ifstream in(def, std::ios::binary);
        app.definitionLines = LineList::fromText(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        const std::string data = (fs::path(ZLM_TEST_DATA_DIR) / "small.lyn").string();
        EXPECT_TRUE(app.data().load(data).ok());
        app.data().setPath(data);
        frame = std::make_unique<CMainFrame>(app);
        new FrameTools(*frame, app);
        frame->show();
    }
    ~ProgramOnLine()
    {
        frame.reset();
        ecu.stop();
        std::error_code ec;
        fs::remove_all(home, ec);
    }

    sim::VirtualEcu ecu;
    fs::path home;
    CVexApp app;
    ScriptedPrompts* prompts = nullptr;
    std::unique_ptr<CMainFrame> frame;

private:
    static inline int s_count = 0;
};

// The wait window while it is shown: the visible tool window with two lines.
QLabel* waitProgressLine()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || !(w->windowFlags() & Qt::Tool))
            continue;
        const auto labels = w->findChildren<QLabel*>();
        if (labels.size() == 2)
            return labels[1];
    }
    return nullptr;
}

TEST(LiveWindow, PacedReadPaintsItsProgressAndInputMeanwhileActsOnNothing)
{
    auto config = test::EcuLine::withRange(0x8000, 0x80BF); // 12 records, about 0.55 s
    config.baud = 19200;
    ProgramOnLine program(config);

    std::vector<QString> seen; // progress lines as painted during the read
    int paints = 0;
    bool keysSent = false;
    QString log;
    bool dialogOpenAfterRead = false;
    QPointer<DataExchangeDialog> dialog;
    QTimer sampler;
    sampler.setInterval(10);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        QLabel* line = waitProgressLine();
        if (!line)
            return;
        ++paints;
        if (seen.empty() || seen.back() != line->text())
            seen.push_back(line->text());
        if (!keysSent && seen.size() >= 2 && dialog) {
            keysSent = true;
            // Escape would close Data Exchange; Ctrl+O would open a file.
            QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
            QTest::keyClick(program.frame->windowHandle(), Qt::Key_O, Qt::ControlModifier);
            QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {},
                dialog->button(ExchangeButton::Close)->geometry().center());
        }
    });
    QTimer::singleShot(0, [&] {
        dialog = qobject_cast<DataExchangeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        // The choice "ECU Data" is preselected: OK it.
        QTimer::singleShot(0, [] {
            auto* choice = qobject_cast<ExchangeChoiceDialog*>(QApplication::activeModalWidget());
            if (choice)
                choice->accept();
        });
        sampler.start();
        dialog->button(ExchangeButton::Read)->click();
        sampler.stop();
        // Nothing held back is replayed now that the read is over.
        QCoreApplication::processEvents();
        ASSERT_TRUE(dialog);
        dialogOpenAfterRead = dialog->isVisible();
        log = dialog->logView()->toPlainText();
        dialog->button(ExchangeButton::Close)->click();
    });
    EXPECT_TRUE(program.frame->execute(cmd::kDataExchange));

    EXPECT_TRUE(keysSent);
    EXPECT_GE(seen.size(), 3u) << "the progress line changed while the read ran";
    EXPECT_GE(paints, 10);
    EXPECT_TRUE(dialogOpenAfterRead);
    EXPECT_EQ(log, "Read from ECU data   --->   Complete\n\n");
    EXPECT_TRUE(program.prompts->records().empty()); // no file dialog, no message
}

// The silence allowance under the window system's pump (a 100 ms timer and
// whatever else the windows do) is T tick periods from the last byte.
TEST(LiveWindow, SilentEcuFailsOnTimeUnderTheWindowPump)
{
    for (const test::SilenceCase& c : test::kSilenceCases) {
        SCOPED_TRACE(c.ticks);
        test::expectFailsOnTime(c, [&] {
            ProgramOnLine program(test::EcuLine::withFault("cut:100"));
            program.app.serial.timeoutMs = c.ticks;
            program.app.link().setTickPeriod(c.tick);
            const ReadEcuResult r = program.app.protocol().ReadEcu();
            const double seconds
                = std::chrono::duration<double>(Clock::now() - program.ecu.lastSent()).count();
            EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
            return seconds;
        });
    }
}

} // namespace
} // namespace zlm
