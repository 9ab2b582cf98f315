// A real line's troubles, through the pseudo-terminal to the virtual ECU: an
// ECU that pauses (as while it writes its flash), a silence that must fail on
// time, a line that is hung up, an ECU that never stops sending, a stop
// request, and a port that another program holds.
#include "ecu_fixture.h"
#include "exchange_fixture.h"

#include "platform/termios_port.h"

#include <atomic>
#include <numeric>
#include <thread>

namespace zlm {
namespace {

using test::EcuLine;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

sim::VirtualEcuConfig pacedWith(std::uint16_t last, const char* fault)
{
    auto config = EcuLine::withRange(0x8000, last);
    config.baud = 19200;
    config.faults.push_back(*sim::parseFault(fault));
    return config;
}

std::vector<std::uint8_t> ramp(std::size_t n)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t { 0x40 });
    return v;
}

LineList answers()
{
    return LineList::fromText("[Error Message]\n0,Write complete\n");
}

// --- pauses and silences -------------------------------------------------------

// The allowance (100 ticks of 3 ms) counts from the last byte, not from the
// start of the transfer: a pause long after the start is fine.
TEST(EcuPause, PauseLongAfterTheReadStartedIsWithinTheAllowance)
{
    // 12 records at 19200 baud take about 0.55 s; the pause comes after 0.42 s.
    EcuLine line(pacedWith(0x80BF, "pause-read:400:200"));
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.ok()) << (r.message ? r.message->text : std::string());
    EXPECT_EQ(r.image->length(), 0xC0u);
}

TEST(EcuPause, LateAnswerAfterALongPacedWriteIsTaken)
{
    EcuLine line(pacedWith(0x80BF, "answer-delay:200"));
    const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(192), answers());
    EXPECT_TRUE(r.ok) << (r.message ? r.message->text : std::string());
    EXPECT_EQ(r.answer, 0x30);
}

// A read whose ECU falls silent fails when T tick periods have passed since
// the last byte: not before, and not more than 10 % after.
void expectSilenceFailsOnTime(int ticks, milliseconds tick)
{
    test::expectFailsOnTime({ ticks, tick }, [&] {
        EcuLine line(EcuLine::withFault("cut:100"));
        line.serial.timeoutMs = ticks;
        // No identification: its answer could miss a 30 ms wait on a busy machine.
        line.app.ecuType = { '\0', '\0', '\0' };
        line.link.setTickPeriod(tick);
        const ReadEcuResult r = line.protocol.ReadEcu();
        const double seconds = std::chrono::duration<double>(Clock::now() - line.ecu.lastSent()).count();
        EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
        EXPECT_EQ(r.received.size(), 100u);
        return seconds;
    });
}

TEST(EcuSilence, ThirtyTicksFailOnTime)
{
    expectSilenceFailsOnTime(30, milliseconds(8));
}

TEST(EcuSilence, FiftyTicksFailOnTime)
{
    expectSilenceFailsOnTime(50, milliseconds(6));
}

TEST(EcuSilence, TwoHundredTicksFailOnTime)
{
    expectSilenceFailsOnTime(200, milliseconds(4));
}

// --- hang-ups ------------------------------------------------------------------

int failedReadLines(const std::vector<std::string>& lines, int* emptyReads)
{
    int failed = 0;
    for (const std::string& l : lines) {
        if (l.rfind("ReadFile:", 0) != 0 || l.find("NumberOfBytesRead=0") == std::string::npos)
            continue;
        if (l.find("GetLastError=0 ") == std::string::npos)
            ++failed;
        else
            ++*emptyReads;
    }
    return failed;
}

TEST(HungUpLine, ReadFailsAtOnceWithThePartialImageAndOneLogLine)
{
    EcuLine line(EcuLine::withFault("hangup-read:100"));
    line.link.setTickPeriod(milliseconds(100)); // a 10 s allowance
    test::TempLog log;
    line.link.setLogPath(log.path());
    const auto t0 = Clock::now();
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_LT(test::secondsSince(t0), 1.0);
    EXPECT_TRUE(line.ecu.hungUp());
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    ASSERT_TRUE(r.message);
    // Record 3 (0x8020) broke off after four data bytes.
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nRead Error Address : 8024");
    ASSERT_TRUE(r.image);
    EXPECT_EQ(r.image->length(), 0x24u);
    int emptyReads = 0;
    EXPECT_EQ(failedReadLines(log.lines(), &emptyReads), 1);
    EXPECT_LE(emptyReads, 2); // the drain's, not a spin
    EXPECT_FALSE(line.link.isOpen());
}

TEST(HungUpLine, WriteFailsAtOnceNamingTheByteThatFailed)
{
    EcuLine line(EcuLine::withFault("hangup-write:100"));
    line.link.setTickPeriod(milliseconds(100));
    const auto t0 = Clock::now();
    const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(64), answers());
    EXPECT_LT(test::secondsSince(t0), 1.0);
    EXPECT_FALSE(r.ok);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, "Failed to correspond with ECU.\nWrite Error Address : 8024");
}

TEST(HungUpLine, HangUpWhileWaitingForTheAnswerEndsTheWaitWithinASecond)
{
    EcuLine line(EcuLine::withFault("answer-delay:5000"));
    line.link.setTickPeriod(milliseconds(100));
    std::thread unplug([&] {
        std::this_thread::sleep_for(milliseconds(300));
        line.ecu.hangUp();
    });
    const auto t0 = Clock::now();
    const WriteEcuResult r = line.protocol.WriteEcu(0x8000, ramp(16), answers());
    unplug.join();
    EXPECT_LT(test::secondsSince(t0), 1.3);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.answer, -1);
}

// --- endless streams and stops ------------------------------------------------------

TEST(EndlessStream, MoreThanTheLargestImageIsAReadError)
{
    // Every address as 16-byte records and the end record.
    EXPECT_EQ(ecu::kMaxImageText, 4096u * 42 + 10);
    EcuLine line([] {
        auto c = EcuLine::withRange(0x8000, 0x801F);
        c.faults.push_back(*sim::parseFault("endless"));
        return c;
    }());
    line.link.setTickPeriod(milliseconds(100));
    line.protocol.setReceiveLimit(2000);
    const ReadEcuResult r = line.protocol.ReadEcu();
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    EXPECT_EQ(r.received.size(), 2001u);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text.rfind("Failed to correspond with ECU.", 0), 0u);
}

TEST(StopRequest, EndsAReadWhileTheEcuIsSilent)
{
    EcuLine line(EcuLine::withFault("pause-read:50:3000"));
    line.link.setTickPeriod(milliseconds(100));
    std::atomic<bool> stop { false };
    line.protocol.setStopRequest([&] { return stop.load(); });
    // Ctrl+C once the ECU has been silent for a while (a loaded machine may
    // take long to get there).
    Clock::time_point stoppedAt {};
    std::thread ctrlC([&] {
        const auto give = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < give
            && (line.ecu.lastSent() == Clock::time_point {}
                || Clock::now() - line.ecu.lastSent() < milliseconds(400)))
            std::this_thread::sleep_for(milliseconds(5));
        stoppedAt = Clock::now();
        stop = true;
    });
    const ReadEcuResult r = line.protocol.ReadEcu();
    ctrlC.join();
    EXPECT_LT(test::secondsSince(stoppedAt), 0.5);
    EXPECT_EQ(r.outcome, ReadEcuResult::Outcome::Failed);
    EXPECT_EQ(r.received.size(), 50u);
}

// --- the port ------------------------------------------------------------------

TEST(PortLock, ASecondUserIsToldThePortIsInUseEvenAsSuperuser)
{
    EcuLine line;
    ASSERT_TRUE(line.link.Open(false));
    TermiosPort other;
    PortParams p;
    EXPECT_FALSE(other.open(line.ecu.devicePath(), p));
    EXPECT_NE(other.lastError().find("port is in use"), std::string::npos) << other.lastError();
    line.link.Close();
    EXPECT_TRUE(other.open(line.ecu.devicePath(), p)) << other.lastError();

    // Held by the other program, the exchanges say why nothing answered.
    const std::string inUse
        = "No response from ECU.\n" + line.ecu.devicePath() + ": port is in use by another program";
    const ReadEcuResult r = line.protocol.ReadEcu();
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->text, inUse);
    line.link.ecuChecked = true;
    const Status s = line.protocol.SCommand(0x8000, 0x12);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().text, inUse);
    other.close();
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 0);
}

} // namespace
} // namespace zlm
