// Data Exchange's safeguards against the virtual ECU: the history of the
// images that crossed the line, the read-back after a write, the difference
// report after "Not same", and the dialog's check box remembered in the
// settings file. The log lines of the exchange itself stay as they were.
#include "app/frame_tools.h"
#include "app/vex_app.h"
#include "comm/data_exchange.h"
#include "comm/data_exchange_dialog.h"
#include "data/data_file.h"
#include "ecu_fixture.h"
#include "platform/ini_file.h"
#include "platform/scripted_prompts.h"
#include "tests/test_support.h"
#include "views/main_frame.h"
#include "tests/comm/exchange_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <fstream>

namespace zlm {
namespace {

namespace fs = std::filesystem;

const fs::path kFiles = ZLM_TEST_DATA_DIR;

LineList readDefinition()
{
    std::ifstream in(kFiles / "small.def", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LineList::fromText(text + "\n[Error Message]\n0,Write complete\n");
}

using test::steppingClock;

// The OBJ text of an image, as a file the user picks for "File Data".
fs::path objFile(const fs::path& dir, std::uint16_t start, std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (const std::string& record : encodeImage(start, bytes))
        text += record + "\r\n";
    const fs::path path = dir / "ecu_before_race.obj";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// An ECU side whose writes succeed and whose reads fail half-way.
struct UnreadableEcu final : EcuImageTransfer {
    ReadEcuResult readImage() override
    {
        ReadEcuResult result;
        result.outcome = ReadEcuResult::Outcome::Failed;
        result.message = Message { 0, "Failed to correspond with ECU.\nRead Error Address : 8013",
            Icon::Exclamation, "Data Exchange" };
        return result;
    }
    WriteEcuResult writeImage(std::uint16_t, std::span<const std::uint8_t>) override
    {
        return { true, 0x30, std::nullopt };
    }
};

class DataExchangeChecks : public ::testing::Test {
protected:
    explicit DataExchangeChecks(
        sim::VirtualEcuConfig config = test::EcuLine::withRange(0x8000, 0x810F))
        : definition(readDefinition())
        , data(definition)
        , line(std::move(config))
        , transfer(line.protocol, definition, &line.wait)
        , history(home / "history", ImageHistory::kKeptFiles, steppingClock())
    {
        EXPECT_TRUE(data.load((kFiles / "small.lyn").string()).ok());
        data.setPath((kFiles / "small.lyn").string());
    }

    std::unique_ptr<DataExchange> open(EcuImageTransfer* ecu = nullptr)
    {
        auto session = std::make_unique<DataExchange>(
            data, prompts, ecu ? *ecu : transfer,
            [this](ExchangeChoice, bool) {
                auto next = choices.front();
                choices.erase(choices.begin());
                return next;
            },
            home.path().string(), false);
        session->setHistory(&history);
        return session;
    }
    // Reads the edit data and writes it to the ECU with the read-back check on.
    void writeEditDataWithReadBack(DataExchange& session)
    {
        session.setReadBackAfterWrite(true);
        choices = { ExchangeSource::Edit, ExchangeSource::Ecu };
        session.read();
        session.write();
    }
    std::vector<std::uint8_t> editBytes() const
    {
        return { data.image().begin() + 0x8000, data.image().begin() + 0x8110 };
    }

    test::TempDir home;
    LineList definition;
    EcuDataSet data;
    test::EcuLine line;
    ProtocolImageTransfer transfer;
    ImageHistory history;
    ScriptedPrompts prompts;
    std::vector<std::optional<ExchangeSource>> choices;
};

TEST_F(DataExchangeChecks, ReadThenWriteLeavesBothImagesInTheHistory)
{
    std::vector<std::uint8_t> ecuBytes(0x110);
    for (std::size_t i = 0; i < ecuBytes.size(); ++i)
        ecuBytes[i] = static_cast<std::uint8_t>(i * 5);
    line.ecu.setImage(0x8000, ecuBytes);

    auto session = open();
    choices = { ExchangeSource::Ecu, ExchangeSource::Edit, ExchangeSource::Ecu };
    session->read();
    EXPECT_EQ(session->log(), "Read from ECU data   --->   Complete\r\n\r\n");
    session->read(); // the edit data, after "Do you cancel current data ?" (OK clears the log)
    session->write();
    EXPECT_EQ(session->log(),
        "Read from edit data   --->   Complete\r\n\r\n"
        "Write to ECU data   --->   Complete\r\n\r\n");

    const fs::path read = home / "history" / "2026-12-08_143005_read.obj";
    const fs::path written = home / "history" / "2026-12-08_143006_written.obj";
    const ObjImage before = readObjFile(read.string());
    EXPECT_EQ(before.start, 0x8000);
    EXPECT_EQ(before.bytes, ecuBytes); // the ECU's calibration before the write
    const ObjImage after = readObjFile(written.string());
    EXPECT_EQ(after.start, 0x8000);
    EXPECT_EQ(after.bytes, line.ecu.memory(0x8000, 0x110));
    EXPECT_EQ(after.bytes, editBytes());

    // Restoring is Read from file, Write to ECU.
    choices = { ExchangeSource::File, ExchangeSource::Ecu };
    prompts.queue(Answer::Ok);
    prompts.queuePath(read.string());
    session->read();
    session->write();
    auto expected = ecuBytes;
    expected.back() = checksumByteFor(std::span(ecuBytes).first(ecuBytes.size() - 1));
    EXPECT_EQ(line.ecu.memory(0x8000, 0x110), expected);
}

TEST_F(DataExchangeChecks, AHistoryThatCannotBeWrittenIsOneLogLineAndTheReadCompletes)
{
    std::ofstream(home / "history") << "not a folder";
    auto session = open();
    choices = { ExchangeSource::Ecu };
    session->read();
    const std::string head
        = "Read from ECU data   --->   Complete\r\n\r\nNot kept in the history: ";
    EXPECT_EQ(session->log().rfind(head, 0), 0u) << session->log();
    EXPECT_EQ(session->log().find("\r\n", head.size()), session->log().size() - 4);
    EXPECT_EQ(session->current().length(), 0x110u);
    EXPECT_TRUE(session->enabled(ExchangeButton::Write));
}

TEST_F(DataExchangeChecks, ReadBackThatMatchesAddsItsLineAfterTheWrite)
{
    int opened = 0;
    line.link.setDeviceResolver([this, &opened](int) {
        ++opened;
        return line.ecu.devicePath();
    });
    auto session = open();
    writeEditDataWithReadBack(*session);
    // The read-back is a second transfer on the line the write opened, which is closed after.
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(line.link.isOpen());
    EXPECT_EQ(session->log(),
        "Read from edit data   --->   Complete\r\n\r\n"
        "Write to ECU data   --->   Complete\r\n\r\n"
        "Read back and compare   --->   Same\r\n\r\n");
    EXPECT_EQ(line.wait.titles, (std::vector<std::string> { "Write to ECU", "Read from ECU" }));
    EXPECT_TRUE(fs::exists(home / "history" / "2026-12-08_143005_written.obj"));
    EXPECT_TRUE(fs::exists(home / "history" / "2026-12-08_143006_read.obj"));
    EXPECT_TRUE(session->enabled(ExchangeButton::Write));
}

TEST_F(DataExchangeChecks, ReadBackCannotBeReadIsAFailedWriteWithItsOwnLine)
{
    UnreadableEcu ecu;
    auto session = open(&ecu);
    writeEditDataWithReadBack(*session);
    EXPECT_EQ(session->log(),
        "Read from edit data   --->   Complete\r\n\r\n"
        "Write to ECU data   --->   Fail\r\n\r\n"
        "Read back and compare   --->   Fail\r\n\r\n");
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(
        prompts.records()[0].text, "Failed to correspond with ECU.\nRead Error Address : 8013");
}

TEST_F(DataExchangeChecks, VerifyNotSameIsFollowedByTheReport)
{
    auto changed = editBytes();
    changed[0x100] = 0x5A; // Idle speed 850 -> 900; the file loader renews the checksum byte
    auto session = open();
    choices = { ExchangeSource::Edit, ExchangeSource::File };
    prompts.queuePath(objFile(home.path(), 0x8000, changed).string());
    session->read();
    session->verify();
    EXPECT_EQ(session->log(),
        "Read from edit data   --->   Complete\r\n\r\n"
        "Compare with file data   --->   Not same\r\n"
        "  File Data [ ecu_before_race.obj ]\r\n\r\n"
        "    Idle speed: 850 -> 900 rpm\r\n"
        "    1 other byte differs, at 810F\r\n\r\n");
}

class CorruptingEcu : public DataExchangeChecks {
protected:
    static sim::VirtualEcuConfig config()
    {
        auto c = test::EcuLine::withRange(0x8000, 0x810F);
        c.faults.push_back(*sim::parseFault("corrupt:256")); // 8100, Idle speed
        return c;
    }
    CorruptingEcu()
        : DataExchangeChecks(config())
    { }
};

TEST_F(CorruptingEcu, ReadBackThatDiffersFailsTheWriteWithTheReport)
{
    auto session = open();
    writeEditDataWithReadBack(*session);
    EXPECT_EQ(session->log(),
        "Read from edit data   --->   Complete\r\n\r\n"
        "Write to ECU data   --->   Fail\r\n\r\n"
        "Read back and compare   --->   Not same\r\n\r\n"
        "    Idle speed: 850 -> 1700 rpm\r\n\r\n");
    // The ECU answered the write itself as usual.
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text, "Write complete");
}

// The dialog: the check box beneath the buttons, off by default, and the
// screenshot of a "Not same" with its report.
TEST_F(DataExchangeChecks, DialogShowsTheReportAndTheReadBackBox)
{
    AppSettings settings;
    DataExchangeDialog dialog(data, prompts, transfer, settings, home.path().string(), false,
        nullptr, [this](ExchangeChoice, bool) {
            auto next = choices.front();
            choices.erase(choices.begin());
            return next;
        });
    std::vector<bool> told;
    dialog.onReadBackChanged = [&told](bool on) { told.push_back(on); };
    dialog.show();
    QCheckBox* box = dialog.readBackBox();
    EXPECT_EQ(box->text(), "Read back and compare after writing");
    EXPECT_FALSE(box->isChecked());
    EXPECT_GE(box->width(), box->sizeHint().width());
    dialog.setReadBackAfterWrite(true); // as remembered: not told back
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(dialog.session().readBackAfterWrite());
    box->click();
    EXPECT_FALSE(dialog.session().readBackAfterWrite());
    EXPECT_EQ(told, std::vector<bool> { false });

    // The ECU holds a calibration with a few changed cells and constants.
    auto ecuBytes = editBytes();
    for (std::uint16_t a : { 0x0B, 0x0C, 0x10, 0x11, 0x12 })
        ecuBytes[a] += 6; // Fuel1 cells
    ecuBytes[0x18] = 0x5F; // Ign2 THROT point 1
    ecuBytes[0x100] = 0x5A; // Idle speed
    ecuBytes[0x102] = 0x58; // Rev limit
    ecuBytes[0x60] = 0x01; // behind the maps
    line.ecu.setImage(0x8000, ecuBytes);
    choices = { ExchangeSource::Edit, ExchangeSource::Ecu };
    dialog.button(ExchangeButton::Read)->click();
    dialog.button(ExchangeButton::Verify)->click();
    const QString log = dialog.logView()->toPlainText();
    EXPECT_TRUE(log.startsWith("Read from edit data   --->   Complete\n\n"
                               "Compare with ECU data   --->   Not same\n\n"
                               "    Fuel1: 5 cells differ\n"
                               "      THROT 10.0 / RPM 4000.0: 26.0 -> 29.0\n"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("    Idle speed: 850 -> 900 rpm\n")) << log.toStdString();
    EXPECT_TRUE(dialog.button(ExchangeButton::Verify)->hasFocus() || !dialog.isActiveWindow());
    // The picture starts at the verdict (the dialog itself shows the end of the log).
    dialog.logView()->verticalScrollBar()->setValue(2);
    const QString shot = QString::fromLatin1(ZLM_BINARY_DIR) + "/data_exchange_not_same.png";
    EXPECT_TRUE(dialog.grab().save(shot));
}

// The frame's command remembers the check box in the settings file, and keeps
// the history in the settings folder.
TEST(DataExchangeReadBackSetting, RememberedInTheSettingsFile)
{
    test::TempDir home;
    CVexApp app;
    app.setPrompts(std::make_unique<ScriptedPrompts>());
    app.settingsDir = home.path();
    app.iniPath = home / "ZLM350.ini";
    std::ofstream(app.iniPath) << "[RS232C]\r\nPORT=PORT1\r\n";
    app.definitionLines = readDefinition();
    ASSERT_TRUE(app.data().load((kFiles / "small.lyn").string()).ok());
    app.data().setPath((kFiles / "small.lyn").string());
    CMainFrame frame(app);
    new FrameTools(frame, app);

    const auto openAndClick = [&frame](bool click) {
        bool checked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<DataExchangeDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            checked = dialog->readBackBox()->isChecked();
            if (click)
                dialog->readBackBox()->click();
            dialog->button(ExchangeButton::Close)->click();
        });
        EXPECT_TRUE(frame.execute(cmd::kDataExchange));
        return checked;
    };
    EXPECT_FALSE(openAndClick(true));
    EXPECT_EQ(IniFile(app.iniPath).getString("DATA EXCHANGE", "READBACK"), "1");
    EXPECT_EQ(IniFile(app.iniPath).getString("RS232C", "PORT"), "PORT1");
    EXPECT_TRUE(openAndClick(true));
    EXPECT_EQ(IniFile(app.iniPath).getString("DATA EXCHANGE", "READBACK"), "0");
    EXPECT_FALSE(openAndClick(false));
}

} // namespace
} // namespace zlm
