// The Data Exchange session: reading, writing and comparing images between the
// ECU, the edit data and files, with its result log and button states. The ECU
// side runs through the real termios port against the virtual ECU.
#include "comm/data_exchange.h"
#include "base/app_settings.h"
#include "data/undo_stack.h"
#include "ecu_fixture.h"
#include "platform/scripted_prompts.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zlm {
namespace {

namespace fs = std::filesystem;

fs::path filesDir() { return ZLM_TEST_DATA_DIR; }

LineList loadDefinition()
{
    std::ifstream in(filesDir() / "small.def", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The virtual ECU answers a good image with "0".
    text += "\n[Error Message]\n0,Write complete\n1,Checksum error\n";
    return LineList::fromText(text);
}

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
    TempFile(const std::string& name, const std::string& content)
    {
        static int n = 0;
        m_dir = fs::temp_directory_path()
            / ("zlm-exchange-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        fs::create_directories(m_dir);
        std::ofstream(m_dir / name, std::ios::binary) << content;
        m_path = m_dir / name;
    }
    ~TempFile() { fs::remove_all(m_dir); }
    std::string path() const { return m_path.string(); }

private:
    fs::path m_dir;
    fs::path m_path;
};

// Chooses places from a queue, as the user would in the choice dialogs.
struct ChoiceScript {
    std::vector<std::optional<ExchangeSource>> answers;
    std::vector<std::pair<ExchangeChoice, bool>> asked;
    DataExchange::ChoiceAsker asker()
    {
        return [this](ExchangeChoice choice, bool portOpen) {
            asked.emplace_back(choice, portOpen);
            auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
    }
};

class DataExchangeTest : public ::testing::Test {
protected:
    DataExchangeTest()
        : definition(loadDefinition())
        , data(definition)
    {
        const LoadResult loaded = data.load((filesDir() / "small.lyn").string());
        EXPECT_TRUE(loaded.ok());
        data.setPath((filesDir() / "small.lyn").string());
    }

    std::unique_ptr<DataExchange> open(bool portOpen = false)
    {
        transfer = std::make_unique<ProtocolImageTransfer>(line.protocol, definition, &line.wait);
        return std::make_unique<DataExchange>(data, prompts, *transfer, choices.asker(), "/tmp",
                                              portOpen);
    }

    LineList definition;
    EcuDataSet data;
    ScriptedPrompts prompts;
    ChoiceScript choices;
    test::EcuLine line{test::EcuLine::withRange(0x8000, 0x810F)};
    std::unique_ptr<ProtocolImageTransfer> transfer;
};

std::vector<std::uint8_t> editBytes(const EcuDataSet& data)
{
    const auto image = data.image();
    return {image.begin() + data.lowest, image.begin() + data.highest + 1};
}

TEST(DataExchangeHelpers, RowsAndChecksumByte)
{
    EXPECT_EQ(imageRows(0x8000, 0x110), 0x11);
    EXPECT_EQ(imageRows(0x8008, 0x18), 2);
    const std::uint8_t bytes[] = {0x01, 0x02};
    EXPECT_EQ(checksumByteFor(bytes), 0x7C);
}

TEST_F(DataExchangeTest, OpeningFixesTheChecksumAndClosingRestoresTheModifiedFlag)
{
    data.image()[data.highest] = 0;
    data.modified = false;
    {
        auto session = open();
        const auto bytes = editBytes(data);
        EXPECT_EQ(bytes.back(), checksumByteFor(std::span(bytes).first(bytes.size() - 1)));
        EXPECT_FALSE(session->enabled(ExchangeButton::Write));
        EXPECT_FALSE(session->enabled(ExchangeButton::Verify));
        EXPECT_FALSE(session->enabled(ExchangeButton::Clear));
        EXPECT_FALSE(session->finish());
    }
    EXPECT_FALSE(data.modified);
}

TEST_F(DataExchangeTest, ReadFromEditThenWriteToEditStoresNothing)
{
    auto session = open();
    data.modified = false;
    choices.answers = {ExchangeSource::Edit, ExchangeSource::Edit};
    session->read();
    EXPECT_EQ(session->current().title, "Edit Data  [ " + data.path() + " ]");
    EXPECT_EQ(session->current().start, 0x8000);
    EXPECT_EQ(session->current().length(), 0x110u);
    session->write();
    EXPECT_EQ(session->log(), "Read from edit data   --->   Complete\r\n\r\n"
                              "Write to edit data   --->   Complete\r\n\r\n");
    EXPECT_FALSE(session->finish());
    EXPECT_FALSE(data.modified);
}

TEST_F(DataExchangeTest, FileImageGetsAValidChecksumByte)
{
    // 01 02 03 at 0x9000 (n = 2) is loaded as 01 02 7C.
    TempFile file("three.obj", "S106900001020363\r\nS9030000FC\r\n");
    auto session = open();
    choices.answers = {ExchangeSource::File};
    prompts.queuePath(file.path());
    session->read();
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].kind, PromptKind::OpenFile);
    EXPECT_EQ(prompts.records()[0].file.title, "Open File");
    EXPECT_EQ(prompts.records()[0].file.defaultExtension, "lyn");
    EXPECT_EQ(prompts.records()[0].file.initialDirectory, "/tmp"); // the data directory
    EXPECT_EQ(prompts.records()[0].file.filter,
              "ZLM-350 Data Files(*.lyn)|*.lyn|OBJ Format Files(*.obj)|*.obj|All Files(*.*)|*.*||");
    EXPECT_EQ(session->current().bytes, (std::vector<std::uint8_t>{0x01, 0x02, 0x7C}));
    EXPECT_EQ(session->current().title, "File Data [ three.obj ]");
    EXPECT_EQ(session->log(), "Read from file data   --->   Complete\r\n  File Data [ three.obj ]\r\n\r\n");
    EXPECT_EQ(session->status(), "");
}

TEST_F(DataExchangeTest, FileAtAnotherAddressCannotBeWrittenToTheEditData)
{
    TempFile file("other.obj", "S106900001020363\r\nS9030000FC\r\n");
    auto session = open();
    const auto before = editBytes(data);
    choices.answers = {ExchangeSource::File, ExchangeSource::Edit};
    prompts.queuePath(file.path());
    session->read();
    session->write();
    ASSERT_EQ(prompts.records().size(), 2u);
    EXPECT_EQ(prompts.records()[1].text, "Address does not correspond");
    EXPECT_EQ(prompts.records()[1].caption, "Data Exchange");
    EXPECT_EQ(prompts.records()[1].icon, Icon::Exclamation);
    EXPECT_NE(session->log().find("Write to edit data   --->   Fail\r\n\r\n"), std::string::npos);
    EXPECT_EQ(editBytes(data), before);
}

TEST_F(DataExchangeTest, BadFileShowsItsMessageAndTheChecksumStatus)
{
    // A wrong record checksum in a file that loads is made good by the fresh
    // checksum byte: no status.
    TempFile file("bad.obj", "S10690000102036E\r\n");
    auto session = open();
    choices.answers = {ExchangeSource::File};
    prompts.queuePath(file.path());
    session->read();
    EXPECT_EQ(session->status(), "");
    EXPECT_EQ(prompts.records().back().kind, PromptKind::OpenFile); // no message after the dialog
    EXPECT_EQ(session->log(), "Read from file data   --->   Complete\r\n  File Data [ bad.obj ]\r\n\r\n");

    // A file that cannot be used (one byte is no range) and has a wrong
    // checksum: the message, then the status.
    TempFile unusable("unusable.obj", "S104900001FF\r\nS9030000FC\r\n");
    choices.answers = {ExchangeSource::File};
    prompts.queue(Answer::Ok); // discard the current data
    prompts.queuePath(unusable.path());
    session->read();
    EXPECT_EQ(prompts.records().back().text, "Failed to read file data");
    EXPECT_EQ(prompts.records().back().caption, "Data Exchange");
    EXPECT_EQ(prompts.records().back().icon, Icon::Exclamation);
    EXPECT_EQ(session->status(), "Check Sum Error!");
    EXPECT_EQ(session->log(), "Read from file data   --->   Fail\r\n");

    // Verify clears the status again when the compare data stays empty.
    choices.answers = {ExchangeSource::Edit, ExchangeSource::File};
    session->read();
    prompts.queuePath(unusable.path());
    session->verify();
    EXPECT_EQ(session->status(), "");
    EXPECT_EQ(session->log().substr(session->log().find("Compare")),
              "Compare with file data   --->   Fail\r\n  \r\n\r\n");

    TempFile empty("empty.obj", "nothing here\r\n");
    choices.answers = {ExchangeSource::File};
    prompts.queue(Answer::Ok); // discard the current data
    prompts.queuePath(empty.path());
    session->read();
    EXPECT_EQ(prompts.records().back().text, "Failed to read file data");
    EXPECT_EQ(session->log(), "Read from file data   --->   Fail\r\n");
    EXPECT_TRUE(session->current().empty());
}

TEST_F(DataExchangeTest, ReadingOverAnImageAsksFirstAndCancelKeepsEverything)
{
    auto session = open();
    choices.answers = {ExchangeSource::Edit, ExchangeSource::Ecu};
    session->read();
    const std::string log = session->log();
    prompts.queue(Answer::Cancel);
    session->read();
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text, "Do you cancel current data ?");
    EXPECT_EQ(prompts.records()[0].caption, "Data Read");
    EXPECT_EQ(prompts.records()[0].icon, Icon::Question);
    EXPECT_EQ(prompts.records()[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(session->log(), log);
    EXPECT_EQ(session->current().length(), 0x110u);
    EXPECT_EQ(line.ecu.bytesEchoed(), 0);
}

TEST_F(DataExchangeTest, EcuImageIsReadWrittenAndVerified)
{
    std::vector<std::uint8_t> ecuBytes(0x110);
    for (std::size_t i = 0; i < ecuBytes.size(); ++i)
        ecuBytes[i] = static_cast<std::uint8_t>(i * 7);
    line.ecu.setImage(0x8000, ecuBytes);

    auto session = open();
    choices.answers = {ExchangeSource::Ecu, ExchangeSource::Edit, ExchangeSource::Edit};
    session->read();
    EXPECT_EQ(session->current().bytes, ecuBytes);
    EXPECT_EQ(session->current().title, "ECU Data");
    EXPECT_TRUE(session->enabled(ExchangeButton::Write));
    EXPECT_EQ(line.wait.titles.front(), "Read from ECU");

    // A change of Fuel1 taken back: the bytes written below end its Redo.
    MapDefinition& fuel = data.maps().front();
    data.startEditing(fuel);
    RecordChange(fuel, UndoOrigin::Typed, 1024);
    data.write(fuel.dataAddress, static_cast<std::uint8_t>(fuel.edit.currentValue + 1));
    ASSERT_TRUE(UndoLast(data, fuel, DisplayFormats {}).undone);
    ASSERT_FALSE(fuel.edit.redo.empty());

    data.modified = false;
    session->write(); // into the edit data
    EXPECT_EQ(editBytes(data), ecuBytes);
    EXPECT_TRUE(fuel.edit.redo.empty());
    session->verify(); // against the edit data
    EXPECT_EQ(session->log(), "Read from ECU data   --->   Complete\r\n\r\n"
                              "Write to edit data   --->   Complete\r\n\r\n"
                              "Compare with edit data   --->   Same\r\n\r\n");
    EXPECT_TRUE(session->finish());
    EXPECT_TRUE(data.modified);
}

TEST_F(DataExchangeTest, EditDataWrittenToTheEcuVerifiesAsSame)
{
    auto session = open();
    choices.answers = {ExchangeSource::Edit, ExchangeSource::Ecu, ExchangeSource::Ecu};
    session->read();
    session->write();
    EXPECT_EQ(line.ecu.memory(0x8000, 0x110), editBytes(data));
    session->verify();
    EXPECT_EQ(session->log(), "Read from edit data   --->   Complete\r\n\r\n"
                              "Write to ECU data   --->   Complete\r\n\r\n"
                              "Compare with ECU data   --->   Same\r\n\r\n");
    // The answer byte's text from the definition's "Error Message" section.
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text, "Write complete");
    EXPECT_EQ(prompts.records()[0].caption, "Write to ECU");
    EXPECT_EQ(prompts.records()[0].icon, Icon::Information);
}

TEST_F(DataExchangeTest, VerifyComparesBytesNotStartAddresses)
{
    // The same three bytes at another address (the last one is the checksum byte).
    TempFile a("a.obj", "S106900001020363\r\nS9030000FC\r\n");
    TempFile b("b.obj", "S106910001020362\r\nS9030000FC\r\n");
    auto session = open();
    choices.answers = {ExchangeSource::File, ExchangeSource::File, ExchangeSource::Edit};
    prompts.queuePath(a.path());
    prompts.queuePath(b.path());
    session->read();
    session->verify();
    EXPECT_NE(session->log().find("Compare with file data   --->   Same\r\n  File Data [ b.obj ]\r\n\r\n"),
              std::string::npos);
    session->verify();
    EXPECT_NE(session->log().find("Compare with edit data   --->   Not same\r\n\r\n"), std::string::npos);
}

TEST_F(DataExchangeTest, SilentEcuFailsWithItsMessageAndLeavesTheDataAlone)
{
    test::EcuLine silent(test::EcuLine::withFault("no-answer"));
    ProtocolImageTransfer silentTransfer(silent.protocol, definition, &silent.wait);
    DataExchange session(data, prompts, silentTransfer, choices.asker(), "/tmp", false);
    const auto before = editBytes(data);
    choices.answers = {ExchangeSource::Ecu};
    session.read();
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text, "No response from ECU.");
    EXPECT_EQ(prompts.records()[0].caption, "Data Exchange");
    EXPECT_EQ(session.log(), "Read from ECU data   --->   Fail\r\n\r\n");
    EXPECT_TRUE(session.current().empty());
    EXPECT_EQ(editBytes(data), before);
}

TEST_F(DataExchangeTest, ReadCutShortKeepsThePartialImageForClearOnly)
{
    test::EcuLine cut(test::EcuLine::withFault("cut:60"));
    ProtocolImageTransfer cutTransfer(cut.protocol, definition, &cut.wait);
    DataExchange session(data, prompts, cutTransfer, choices.asker(), "/tmp", false);
    choices.answers = {ExchangeSource::Ecu};
    session.read();
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].text.rfind("Failed to correspond with ECU.\nRead Error Address : 8", 0), 0u);
    EXPECT_TRUE(session.current().partial);
    EXPECT_FALSE(session.enabled(ExchangeButton::Write));
    EXPECT_FALSE(session.enabled(ExchangeButton::Verify));
    EXPECT_TRUE(session.enabled(ExchangeButton::Clear));
    session.clear();
    EXPECT_TRUE(session.current().empty());
    EXPECT_EQ(session.log(), "");
}

// An ECU read that breaks off during Verify leaves a partial compare image
// that was never compared: the log says "Fail", not "Not same".
TEST_F(DataExchangeTest, VerifyAgainstAReadThatBrokeOffIsFail)
{
    test::EcuLine cut(test::EcuLine::withFault("cut:60"));
    ProtocolImageTransfer cutTransfer(cut.protocol, definition, &cut.wait);
    DataExchange session(data, prompts, cutTransfer, choices.asker(), "/tmp", false);
    choices.answers = {ExchangeSource::Edit, ExchangeSource::Ecu};
    session.read();
    session.verify();
    EXPECT_FALSE(session.compare().empty()); // the partial image
    EXPECT_EQ(session.log(), "Read from edit data   --->   Complete\r\n\r\n"
                             "Compare with ECU data   --->   Fail\r\n\r\n");
}

TEST_F(DataExchangeTest, OpenPortIsPassedToTheChoiceDialogs)
{
    auto session = open(true);
    choices.answers = {std::nullopt};
    session->read();
    ASSERT_EQ(choices.asked.size(), 1u);
    EXPECT_TRUE(choices.asked[0].second);
    EXPECT_EQ(session->log(), "");
}

} // namespace
} // namespace zlm
