// Every exchange with the ECU, through the termios port and a pseudo-terminal
// to the virtual ECU, including the injected faults.
#include "ecu_fixture.h"

#include "res/string_table.h"

#include <algorithm>
#include <numeric>

namespace zlm {
namespace {

using test::EcuLine;
using test::secondsSince;
using Clock = std::chrono::steady_clock;

// Failing exchanges end within the time-outs: a few hundred ms here.
constexpr double kFailureBoundSeconds = 2.0;

LineList errorMessages()
{
    return LineList::fromText("[Error Message]\n0,Write complete\n1,Checksum error\n");
}

std::vector<std::uint8_t> ramp(std::size_t n, std::uint8_t first = 0)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

// --- identification ------------------------------------------------------------

TEST(EcuCheckCommand, MatchingTypePassesAndLeavesThePortAsFound)
{
    EcuLine line;
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 0);
    EXPECT_TRUE(line.link.ecuChecked);
    EXPECT_FALSE(line.link.isOpen());
    EXPECT_FALSE(line.link.timerRunning());
}

TEST(EcuCheckCommand, WrongSecondByteGivesTypeDifferentAndClearsTheCheckedFlag)
{
    EcuLine line(EcuLine::withFault("wrong-type"));
    line.link.ecuChecked = true;
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 1542);
    EXPECT_FALSE(line.link.ecuChecked);
}

TEST(EcuCheckCommand, SilentEcuGivesNoResponseWithinTheDriverTimeOut)
{
    EcuLine line(EcuLine::withFault("no-answer"));
    const auto t0 = Clock::now();
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 1524);
    EXPECT_LT(secondsSince(t0), 1.0);
    EXPECT_FALSE(line.link.ecuChecked);
}

TEST(EcuCheckCommand, AnswerSlowerThanTheDriverTimeOutIsNoResponse)
{
    EcuLine line(EcuLine::withFault("slow:250"));
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 1524);
}

TEST(EcuCheckCommand, SwitchedOffSendsNothing)
{
    auto config = EcuLine::defaultConfig();
    config.type = { 'Z', 'Z' };
    EcuLine line(config);
    line.app.ecuType = { '\0', '\0', '\0' };
    test::TempLog log;
    line.link.setLogPath(log.path());
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 0);
    EXPECT_TRUE(line.link.ecuChecked);
    EXPECT_TRUE(line.protocol.SCommand(0x1234, 0x11).ok());
    EXPECT_EQ(line.ecu.byteAt(0x1234), 0x11);
    for (const std::string& l : log.lines())
        EXPECT_EQ(l.find("EcuCheckCommand"), std::string::npos) << l;
}

TEST(EcuCheckCommand, PortThatCannotOpenIsNoResponse)
{
    EcuLine line;
    line.serial.portIndex = -1;
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 1524);
}

// --- single-value writes -------------------------------------------------------

TEST(SCommand, WriteByteSendsTheFrameAndShowsTheTitle)
{
    EcuLine line;
    test::TempLog log;
    line.link.setLogPath(log.path());
    // Tick periods too long to pass during the test: the log shows each reload.
    line.link.setTickPeriod(std::chrono::hours(1));
    const Status s = line.protocol.SCommand(0x1234, 0x5A);
    ASSERT_TRUE(s.ok()) << s.error().text;
    EXPECT_EQ(line.ecu.byteAt(0x1234), 0x5A);
    EXPECT_EQ(line.wait.titles, std::vector<std::string> { "( 1234 ) = 5A" });
    EXPECT_EQ(line.wait.closes, 1);
    EXPECT_FALSE(line.link.busy);
    EXPECT_FALSE(line.link.isOpen());

    // Each byte goes out only after the echo of the previous one came back.
    std::vector<std::string> frame;
    for (const std::string& l : log.lines()) {
        if (l.rfind("WriteFile:OutComm", 0) == 0 || l.rfind("ReadFile:OutComm", 0) == 0)
            frame.push_back(l.substr(0, l.find("  NumberOf")));
        // The echo wait of a single write reloads 50, whatever T is.
        if (l.rfind("ReadFile:OutComm", 0) == 0)
            EXPECT_NE(l.find("  m_timeOut=50  "), std::string::npos) << l;
    }
    const std::vector<std::string> expected
        = { "WriteFile:OutComm   Buffer=53", "ReadFile:OutComm   Buffer=53",
              "WriteFile:OutComm   Buffer=12", "ReadFile:OutComm   Buffer=12",
              "WriteFile:OutComm   Buffer=34", "ReadFile:OutComm   Buffer=34",
              "WriteFile:OutComm   Buffer=5A", "ReadFile:OutComm   Buffer=5A" };
    EXPECT_EQ(frame, expected);
}

TEST(SCommand, WriteWordGoesHighByteFirst)
{
    EcuLine line;
    ASSERT_TRUE(line.protocol.SCommandWord(0x2000, 0xBEEF).ok());
    EXPECT_EQ(line.ecu.byteAt(0x2000), 0xBE);
    EXPECT_EQ(line.ecu.byteAt(0x2001), 0xEF);
    EXPECT_EQ(line.wait.titles, std::vector<std::string> { "( 2000 ) = BEEF" });
}

TEST(SCommand, IdentificationRunsOnlyUntilItHasPassed)
{
    EcuLine line;
    test::TempLog log;
    line.link.setLogPath(log.path());
    ASSERT_TRUE(line.protocol.SCommand(0x1000, 1).ok());
    ASSERT_TRUE(line.protocol.SCommand(0x1001, 2).ok());
    int identifications = 0;
    for (const std::string& l : log.lines())
        identifications += l.rfind("WriteFile:EcuCheckCommand ", 0) == 0;
    EXPECT_EQ(identifications, 1);
}

TEST(SCommand, WrongTypeIsReportedAndNothingIsSent)
{
    EcuLine line(EcuLine::withFault("wrong-type"));
    const auto before = line.ecu.byteAt(0x1234);
    const Status s = line.protocol.SCommand(0x1234, static_cast<std::uint8_t>(before + 1));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().text, "ECU type is different.");
    EXPECT_EQ(s.error().icon, Icon::Exclamation);
    EXPECT_EQ(s.error().caption, ""); // the application title
    EXPECT_EQ(line.ecu.bytesEchoed(), 0);
    EXPECT_EQ(line.ecu.byteAt(0x1234), before);
}

TEST(SCommand, EchoFaultsGiveNoResponseInAPlainBoxAndChangeNothing)
{
    for (const char* fault : { "wrong-echo:3", "missing-echo:2", "missing-echo:1", "slow:250" }) {
        SCOPED_TRACE(fault);
        EcuLine line(EcuLine::withFault(fault));
        const auto before = line.ecu.byteAt(0x1234);
        const auto t0 = Clock::now();
        const Status s = line.protocol.SCommand(0x1234, static_cast<std::uint8_t>(before ^ 0xFF));
        EXPECT_LT(secondsSince(t0), kFailureBoundSeconds);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().text, "No response from ECU.");
        if (std::string(fault) != "slow:250") {
            EXPECT_EQ(s.error().icon, Icon::None);
        }
        line.ecu.stop();
        EXPECT_EQ(line.ecu.byteAt(0x1234), before);
        EXPECT_FALSE(line.link.busy);
        EXPECT_FALSE(line.link.isOpen());
    }
}

TEST(SCommand, StaleBytesOnTheLineAreDrainedFirst)
{
    // The noise fault sends stray bytes right after the identification answer.
    EcuLine line(EcuLine::withFault("noise"));
    ASSERT_TRUE(line.protocol.SCommand(0x4000, 0x77).ok());
    EXPECT_EQ(line.ecu.byteAt(0x4000), 0x77);
}

TEST(SCommand, WaitsForTheMonitorPollInFlightAndLeavesAnOpenPortOpen)
{
    EcuLine line;
    ASSERT_TRUE(line.link.Open(true));
    line.link.monitorActive = true;
    int steps = 0;
    line.link.monitorStep = [&] {
        ++steps;
        if (line.link.busy)
            line.link.monitorActive = false;
    };
    ASSERT_TRUE(line.protocol.SCommand(0x3000, 0x42).ok());
    EXPECT_GE(steps, 1);
    EXPECT_EQ(line.ecu.byteAt(0x3000), 0x42);
    EXPECT_TRUE(line.link.isOpen());
    EXPECT_FALSE(line.link.busy);
}

TEST(SCommand, WaitForTheMonitorLeavesItsCountdownAlone)
{
    EcuLine line;
    ASSERT_TRUE(line.link.Open(true));
    line.link.monitorActive = true;
    line.link.setTimeOut(3); // the poll in flight's own time-out
    std::vector<int> seen;
    line.link.monitorStep = [&] {
        if (!line.link.monitorActive)
            return;
        seen.push_back(line.link.timeOut());
        if (seen.back() == 0)
            line.link.monitorActive = false;
    };
    ASSERT_TRUE(line.protocol.SCommand(0x3002, 0x44).ok());
    // The poll's countdown ran down undisturbed: never reloaded by the wait.
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 0);
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend()));
}

TEST(SCommand, EcuSlowerThanUsualButWithinTheTimeOutIsFine)
{
    EcuLine line(EcuLine::withFault("slow:20"));
    ASSERT_TRUE(line.protocol.SCommand(0x3003, 0x45).ok());
    EXPECT_EQ(line.ecu.byteAt(0x3003), 0x45);
}

TEST(SCommand, MonitorThatNeverLetsGoDelaysTheWriteOnlyForTicks)
{
    EcuLine line;
    ASSERT_TRUE(line.link.Open(true));
    line.link.monitorActive = true;
    const auto t0 = Clock::now();
    EXPECT_TRUE(line.protocol.SCommand(0x3001, 0x43).ok());
    EXPECT_LT(secondsSince(t0), kFailureBoundSeconds);
}

// --- image read ----------------------------------------------------------------

TEST(ReadEcu, TwoByteImageDecodesToStartAndLength)
{
    EcuLine line(EcuLine::withRange(0x8000, 0x8001));
    const std::uint8_t bytes[] = { 0x01, 0x02 };
    line.ecu.setImage(0x8000, bytes);
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_EQ(r.received, "S1058000010277S9030000FC");
    ASSERT_EQ(r.outcome, ReadEcuResult::Outcome::Complete);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->start, 0x8000);
    EXPECT_EQ(r.image->length(), 2u);
    EXPECT_FALSE(r.message);
    EXPECT_FALSE(line.link.isOpen());
    EXPECT_FALSE(line.link.busy);
}

TEST(ReadEcu, WholeCalibrationRangeWithProgressByRecordCount)
{
    EcuLine line(EcuLine::withRange(0x8000, 0x81FF)); // 32 records + end record
    const auto bytes = ramp(0x200, 9);
    line.ecu.setImage(0x8000, bytes);
    line.app.readCount = 30;
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->bytes, bytes);
    ASSERT_GE(line.wait.lines.size(), 12u);
    EXPECT_EQ(line.wait.lines[11], "Wait...40%");
    EXPECT_EQ(line.wait.lines.back(), "Wait...100%");
}

TEST(ReadEcu, ProgressShowsRecordAddressesWithoutARecordCount)
{
    EcuLine line(EcuLine::withRange(0x8000, 0x801F));
    line.app.readCount = 0;
    ASSERT_TRUE(line.protocol.ReadEcu().ok());
    const std::vector<std::string> expected = { "Wait...8000", "Wait...8010", "Wait...0000" };
    EXPECT_EQ(line.wait.lines, expected);
}

TEST(ReadEcu, ImageEndingAtTheTopOfMemory)
{
    EcuLine line(EcuLine::withRange(0xFFE0, 0xFFFF));
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->start, 0xFFE0);
    EXPECT_EQ(r.image->length(), 0x20u);
}

TEST(ReadEcu, LeadingNoiseIsEchoedAndIgnored)
{
    auto config = EcuLine::withFault("noise");
    config.calibStart = 0x8000;
    config.calibEnd = 0x800F;
    EcuLine line(config);
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->start, 0x8000);
    EXPECT_EQ(r.image->length(), 16u);
}

TEST(ReadEcu, BreakOffInsideARecordReportsTheFirstMissingAddress)
{
    // 42 characters of the first record, then S1138010 and six hex characters.
    auto config = EcuLine::withFault("cut:56");
    config.calibStart = 0x8000;
    config.calibEnd = 0x803F;
    EcuLine line(config);
    const auto t0 = Clock::now();
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_LT(secondsSince(t0), kFailureBoundSeconds);
    ASSERT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    ASSERT_TRUE(r.image);
    EXPECT_EQ(r.image->end(), 0x8013u);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nRead Error Address : 8013");
    EXPECT_EQ(r.message->caption, "Data Exchange");
    EXPECT_EQ(r.message->icon, Icon::Exclamation);
    EXPECT_FALSE(line.link.busy);
}

TEST(ReadEcu, StreamWhoseLastCharacterIsNotCNeverCompletes)
{
    // Everything but the final "C" of the end record.
    auto config = EcuLine::withFault("cut:51");
    config.calibStart = 0x8000;
    config.calibEnd = 0x800F;
    EcuLine line(config);
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_EQ(r.received.size(), 51u);
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nRead Error Address : 800F");
}

TEST(ReadEcu, NothingArrivedGivesTheMessageWithoutAnAddress)
{
    EcuLine line(EcuLine::withFault("cut:0"));
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    EXPECT_FALSE(r.image);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.");
}

TEST(ReadEcu, IdentificationFailuresAreCheckFailures)
{
    for (const char* fault : { "no-answer", "wrong-type" }) {
        SCOPED_TRACE(fault);
        EcuLine line(EcuLine::withFault(fault));
        const ReadEcuResult r = line.protocol.ReadEcu();
        EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::CheckFailed);
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->text,
            fault == std::string("no-answer") ? "No response from ECU." : "ECU type is different.");
        EXPECT_EQ(r.message->caption, "Data Exchange");
        EXPECT_TRUE(r.received.empty());
        EXPECT_FALSE(line.link.busy);
        EXPECT_FALSE(line.link.monitorActive);
        EXPECT_FALSE(line.link.isOpen());
    }
}

TEST(ReadEcu, CommandEchoFailureReadsNothing)
{
    EcuLine line(EcuLine::withFault("wrong-echo:2")); // the echo of "R"
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    EXPECT_TRUE(r.received.empty());
}

TEST(ReadEcu, UserStopEndsTheReadWithThePartialImage)
{
    EcuLine line(EcuLine::withRange(0x8000, 0x80FF));
    line.wait.stopAfter = 3;
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    ASSERT_TRUE(r.image);
    EXPECT_EQ(r.image->start, 0x8000);
    EXPECT_LT(r.image->end(), 0x8030u);
}

TEST(ReadEcu, CommunicationLogDoesNotChangeTheOutcome)
{
    EcuLine line(EcuLine::withRange(0x8000, 0x801F));
    test::TempLog log;
    line.link.setLogPath(log.path());
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->length(), 0x20u);
    // The empty read that ends the image shows the complement of the last "C".
    bool complementOfC = false;
    for (const std::string& l : log.lines())
        complementOfC
            |= l.rfind("ReadFile:InComm   Buffer=BC  NumberOfBytesRead=0  GetLastError=0", 0) == 0;
    EXPECT_TRUE(complementOfC);
}

// --- image write ---------------------------------------------------------------

TEST(WriteEcu, ImageIsStoredAndTheAnswerTextShown)
{
    EcuLine line;
    const auto bytes = ramp(40, 0x30);
    const WriteEcuResult r = line.protocol.WriteEcu(0x9000, bytes, errorMessages());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.answer, 0x30);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Write complete");
    EXPECT_EQ(r.message->caption, "Write to ECU");
    EXPECT_EQ(r.message->icon, Icon::Information);
    EXPECT_EQ(line.ecu.memory(0x9000, 40), bytes);
    EXPECT_EQ(line.wait.titles, std::vector<std::string> { "Write to ECU" });
    const std::vector<std::string> progress
        = { "Wait...25%", "Wait...50%", "Wait...75%", "Wait...100%" };
    EXPECT_EQ(line.wait.lines, progress);
    EXPECT_FALSE(line.link.busy);
    EXPECT_FALSE(line.link.isOpen());
}

TEST(WriteEcu, EchoWaitsReloadTheTimeOutSetting)
{
    EcuLine line;
    test::TempLog log;
    line.link.setLogPath(log.path());
    // Tick periods too long to pass during the test: the log shows each reload.
    line.link.setTickPeriod(std::chrono::hours(1));
    ASSERT_TRUE(line.protocol.WriteEcu(0x9000, ramp(2), errorMessages()).ok);
    int echoes = 0;
    for (const std::string& l : log.lines()) {
        if (l.rfind("ReadFile:OutComm", 0) == 0) {
            ++echoes;
            EXPECT_NE(l.find("  m_timeOut=100  "), std::string::npos) << l;
        }
    }
    EXPECT_EQ(echoes, 2 + 14 + 10); // "L" "W", S1058000...., S9030000FC
    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("ReadFile:InCommAt   Buffer=30  NumberOfBytesRead=1", 0), 0u)
        << lines.back();
}

TEST(WriteEcu, UnknownAnswerStillCountsAsSuccess)
{
    auto config = EcuLine::defaultConfig();
    config.answer = 0x39;
    EcuLine line(config);
    const auto bytes = ramp(4);
    const WriteEcuResult r = line.protocol.WriteEcu(0x9000, bytes, errorMessages());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.answer, 0x39);
    EXPECT_FALSE(r.message);
}

TEST(WriteEcu, EmptyImageNeedsNoExchange)
{
    EcuLine line(EcuLine::withFault("no-answer"));
    const WriteEcuResult r = line.protocol.WriteEcu(0x9000, {}, errorMessages());
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(line.wait.titles.empty());
}

TEST(WriteEcu, EchoFailureNamesTheDataByteThatFailed)
{
    // Echoes: "L" 1, "W" 2, the first record 3..44, the second from 45. The
    // second record's data byte 3 starts at its character 14.
    for (const char* fault : { "missing-echo:59", "wrong-echo:60" }) {
        SCOPED_TRACE(fault);
        EcuLine line(EcuLine::withFault(fault));
        const auto before = line.ecu.memory(0x8000, 32);
        const auto t0 = Clock::now();
        const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(32, 0x40), errorMessages());
        EXPECT_LT(secondsSince(t0), kFailureBoundSeconds);
        EXPECT_FALSE(r.ok);
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : 8013");
        EXPECT_EQ(r.message->caption, "Data Exchange");
        EXPECT_EQ(r.message->icon, Icon::Exclamation);
        line.ecu.stop();
        EXPECT_EQ(line.ecu.memory(0x8000, 32), before);
        EXPECT_EQ(line.ecu.imagesReceived(), 0);
    }
}

TEST(WriteEcu, ErrorAddressOfARecordThatDoesNotStartOnABoundary)
{
    EcuLine line(EcuLine::withFault("missing-echo:59"));
    const WriteEcuResult r = line.protocol.WriteEcu(0x8005, ramp(32), errorMessages());
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : 8018");
}

TEST(WriteEcu, FailureInTheRecordHeaderKeepsTheRecordAddress)
{
    EcuLine line(EcuLine::withFault("missing-echo:47")); // third character of record 2
    const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(32), errorMessages());
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : 8010");
}

TEST(WriteEcu, FailureOnTheCommandOrTheEndRecordHasNoAddress)
{
    for (const char* fault : { "wrong-echo:1", "missing-echo:47" }) {
        SCOPED_TRACE(fault);
        EcuLine line(EcuLine::withFault(fault));
        // 16 bytes: one record (echoes 3..44), then the end record from 45.
        const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(16), errorMessages());
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : ");
    }
}

// A short record's checksum follows its last data byte: a failure there names
// that byte, never the address after it (outside the image).
TEST(WriteEcu, FailureOnTheChecksumOfAShortRecordNamesItsLastDataByte)
{
    // Echoes: "L" 1, "W" 2, then S1 05 8000 01 02 77: the checksum's first
    // character is echo 15, its second echo 16.
    for (const char* fault : { "missing-echo:15", "missing-echo:16" }) {
        SCOPED_TRACE(fault);
        EcuLine line(EcuLine::withFault(fault));
        const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(2, 1), errorMessages());
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : 8001");
    }
}

TEST(WriteEcu, EcuThatStopsEchoingFailsWithinTheTimeOut)
{
    EcuLine line(EcuLine::withFault("cut:100"));
    const auto t0 = Clock::now();
    const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(64), errorMessages());
    EXPECT_LT(secondsSince(t0), kFailureBoundSeconds);
    EXPECT_FALSE(r.ok);
    ASSERT_TRUE(r.message);
    // Character 100 is character 16 of the third record (0x8020): data byte 4.
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : 8024");
}

TEST(WriteEcu, IdentificationFailureUsesTheExchangeCaption)
{
    EcuLine line(EcuLine::withFault("wrong-type"));
    const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(4), errorMessages());
    EXPECT_FALSE(r.ok);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "ECU type is different.");
    EXPECT_EQ(r.message->caption, "Data Exchange");
    EXPECT_EQ(r.message->icon, Icon::Exclamation);
}

TEST(WriteEcu, ThenReadBackGivesTheSameImage)
{
    EcuLine line(EcuLine::withRange(0x8000, 0x80FF));
    const auto bytes = ramp(256, 0x80);
    ASSERT_TRUE(line.protocol.WriteEcu(0x8000, bytes, errorMessages()).ok);
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image->bytes, bytes);
}

} // namespace
} // namespace zlm
