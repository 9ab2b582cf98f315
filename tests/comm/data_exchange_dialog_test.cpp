// The Data Exchange dialog on the real widgets: buttons, log and status follow
// the session, the text box keeps its proportions, and the frame's command
// opens the dialog on the application's serial line.
#include "app/frame_tools.h"
#include "app/vex_app.h"
#include "comm/data_exchange_dialog.h"
#include "comm/exchange_choice_dialog.h"
#include "ecu_fixture.h"
#include "platform/scripted_prompts.h"
#include "views/main_frame.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <fstream>

namespace zlm {
namespace {

namespace fs = std::filesystem;

LineList readDefinition()
{
    std::ifstream in(fs::path(ZLM_TEST_DATA_DIR) / "small.def", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LineList::fromText(text + "\n[Error Message]\n0,Write complete\n");
}

std::string dataFile() { return (fs::path(ZLM_TEST_DATA_DIR) / "small.lyn").string(); }

class DataExchangeDialogTest : public ::testing::Test {
protected:
    DataExchangeDialogTest()
        : definition(readDefinition())
        , data(definition)
        , transfer(line.protocol, definition, nullptr)
    {
        EXPECT_TRUE(data.load(dataFile()).ok());
        data.setPath(dataFile());
    }

    DataExchangeDialog& open()
    {
        dialog = std::make_unique<DataExchangeDialog>(
            data, prompts, transfer, settings, "/tmp", false, nullptr,
            [this](ExchangeChoice, bool) -> std::optional<ExchangeSource> {
                auto next = choices.front();
                choices.erase(choices.begin());
                return next;
            });
        dialog->show();
        return *dialog;
    }
    QPushButton& button(ExchangeButton which) { return *dialog->button(which); }

    test::EcuLine line{test::EcuLine::withRange(0x8000, 0x810F)};
    LineList definition;
    EcuDataSet data;
    ProtocolImageTransfer transfer;
    ScriptedPrompts prompts;
    AppSettings settings;
    std::vector<std::optional<ExchangeSource>> choices;
    std::unique_ptr<DataExchangeDialog> dialog;
};

TEST_F(DataExchangeDialogTest, OpensWithOnlyReadAndCloseEnabledAndTheTextBoxSizedToTheCells)
{
    DataExchangeDialog& d = open();
    EXPECT_EQ(d.windowTitle(), "Data Exchange");
    EXPECT_TRUE(button(ExchangeButton::Read).isEnabled());
    EXPECT_TRUE(button(ExchangeButton::Read).isDefault());
    EXPECT_FALSE(button(ExchangeButton::Write).isEnabled());
    EXPECT_FALSE(button(ExchangeButton::Verify).isEnabled());
    EXPECT_FALSE(button(ExchangeButton::Clear).isEnabled());
    EXPECT_TRUE(button(ExchangeButton::Close).isEnabled());
    const int scrollBar = d.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    EXPECT_EQ(d.logView()->width(), 16 * (55 / 2) + 55 + scrollBar + 8);
    EXPECT_EQ(d.logView()->height(), 12 * 20 + 8);
    EXPECT_TRUE(d.logView()->isReadOnly());
}

TEST_F(DataExchangeDialogTest, ReadFromTheEcuAndVerifyShowTheirLogAndEnableTheImageButtons)
{
    DataExchangeDialog& d = open();
    line.ecu.setImage(0x8000, std::vector<std::uint8_t>(data.image().begin() + 0x8000,
                                                        data.image().begin() + 0x8110));
    choices = {ExchangeSource::Ecu, ExchangeSource::Edit};
    button(ExchangeButton::Read).click();
    EXPECT_TRUE(button(ExchangeButton::Write).isEnabled());
    EXPECT_TRUE(button(ExchangeButton::Clear).isEnabled());
    button(ExchangeButton::Verify).click();
    EXPECT_EQ(d.logView()->toPlainText(), "Read from ECU data   --->   Complete\n\n"
                                          "Compare with edit data   --->   Same\n\n");
    EXPECT_TRUE(prompts.records().empty());

    const QString shot = QString::fromLatin1(ZLM_BINARY_DIR) + "/data_exchange.png";
    EXPECT_TRUE(d.grab().save(shot));

    button(ExchangeButton::Clear).click();
    EXPECT_EQ(d.logView()->toPlainText(), "");
    EXPECT_FALSE(button(ExchangeButton::Write).isEnabled());
}

TEST_F(DataExchangeDialogTest, BadChecksumShowsInTheStatusText)
{
    const fs::path file = fs::temp_directory_path() / ("zlm-dx-" + std::to_string(::getpid()) + ".obj");
    // One byte with a wrong checksum: the file cannot be used.
    std::ofstream(file) << "S104900001FF\nS9030000FC\n";
    DataExchangeDialog& d = open();
    choices = {ExchangeSource::File};
    prompts.queuePath(file.string());
    button(ExchangeButton::Read).click();
    EXPECT_EQ(d.statusLabel()->text(), "Check Sum Error!");
    // The status text is drawn whole beside the buttons.
    EXPECT_GE(d.statusLabel()->width(), d.statusLabel()->sizeHint().width());
    EXPECT_TRUE(d.rect().contains(d.statusLabel()->geometry()));
    const QString shot = QString::fromLatin1(ZLM_BINARY_DIR) + "/data_exchange_status.png";
    EXPECT_TRUE(d.grab().save(shot));
    fs::remove(file);
}

// The three choice dialogs: captions, choices, the first one preselected, and
// the ECU out of reach while the port is open.
TEST(ExchangeChoiceDialogTest, CaptionsChoicesAndThePortRule)
{
    struct Expected {
        ExchangeChoice choice;
        const char* title;
        const char* group;
        QStringList texts;
    };
    const Expected all[] = {
        {ExchangeChoice::Read, "Data Read", "&Read From", {"ECU Data", "Edit Data", "File Data"}},
        {ExchangeChoice::Write, "Data Write", "&Write To", {"ECU", "Edit"}},
        {ExchangeChoice::Verify, "Data Verify", "&Compare With", {"ECU Data", "Edit Data", "File Data"}},
    };
    for (const Expected& e : all) {
        SCOPED_TRACE(e.title);
        for (const bool portOpen : {false, true}) {
            ExchangeChoiceDialog dialog(e.choice, portOpen);
            dialog.show();
            EXPECT_EQ(dialog.windowTitle(), e.title);
            const auto groups = dialog.findChildren<QGroupBox*>();
            ASSERT_EQ(groups.size(), 1);
            EXPECT_EQ(groups[0]->title(), e.group);
            const auto radios = dialog.findChildren<QRadioButton*>();
            ASSERT_EQ(radios.size(), e.texts.size());
            for (int i = 0; i < radios.size(); ++i) {
                EXPECT_EQ(radios[i]->text(), e.texts[i]);
                // Every choice is drawn whole.
                EXPECT_GE(radios[i]->width(), radios[i]->sizeHint().width());
            }
            EXPECT_EQ(radios[0]->isEnabled(), !portOpen);
            EXPECT_EQ(dialog.selected(), portOpen ? ExchangeSource::Edit : ExchangeSource::Ecu);
            radios.back()->setChecked(true);
            EXPECT_EQ(dialog.selected(), static_cast<ExchangeSource>(radios.size() - 1));
            if (!portOpen && e.choice == ExchangeChoice::Read) {
                const QString shot = QString::fromLatin1(ZLM_BINARY_DIR) + "/data_read.png";
                EXPECT_TRUE(dialog.grab().save(shot));
            }
        }
    }
}

// The frame's "Data Exchange" command opens the dialog on the application's
// serial line: PORT1 is the virtual ECU through the settings file's "DEVICES".
TEST(DataExchangeCommand, FrameOpensTheDialogOnTheApplicationsLine)
{
    test::EcuLine line;
    const fs::path home = fs::temp_directory_path() / ("zlm-dx-home-" + std::to_string(::getpid()));
    fs::create_directories(home);
    std::ofstream(home / "ZLM350.ini") << "[DEVICES]\nPORT1=" << line.ecu.devicePath() << "\n";

    CVexApp app;
    auto prompts = std::make_unique<ScriptedPrompts>();
    ScriptedPrompts& recorded = *prompts;
    app.setPrompts(std::move(prompts));
    app.iniPath = home / "ZLM350.ini";
    app.serial.portIndex = 0;
    app.serial.flowIndex = 1;
    app.serial.timeoutMs = 20;
    app.definitionLines = readDefinition();
    ASSERT_TRUE(app.data().load(dataFile()).ok());
    app.data().setPath(dataFile());

    CMainFrame frame(app);
    new FrameTools(frame, app);
    // PORT1 reaches the virtual ECU, and the port is closed again afterwards.
    EXPECT_EQ(app.protocol().EcuCheckCommand(), 0);
    EXPECT_FALSE(app.link().isOpen());
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<DataExchangeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        sawDialog = true;
        dialog->button(ExchangeButton::Close)->click();
    });
    EXPECT_TRUE(frame.execute(cmd::kDataExchange));
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(recorded.records().empty());
    fs::remove_all(home);
}

} // namespace
} // namespace zlm
