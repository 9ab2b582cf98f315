// The serial link: parameters from the definition file, open and close, the
// timer countdown, and the communication log.
#include "ecu_fixture.h"

#include "platform/termios_port.h"

#include <atomic>
#include <fcntl.h>
#include <regex>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace zlm {
namespace {

using test::EcuLine;

SerialSettings afterDefinition(const char* text, SerialSettings s = {})
{
    applyDefinitionSerialSettings(LineList::fromText(text), s);
    return s;
}

TEST(DefinitionSerialSettings, CommPortAppliesOnlyWhileNoPortIsChosen)
{
    const char* text = "[RS232C]\nCommPort=PORT3\n";
    EXPECT_EQ(afterDefinition(text).portIndex, 2);
    SerialSettings chosen;
    chosen.portIndex = 0;
    EXPECT_EQ(afterDefinition(text, chosen).portIndex, 0);
}

TEST(DefinitionSerialSettings, KeysAndValuesIgnoreCaseAndSurroundingBlanks)
{
    const SerialSettings s = afterDefinition("[ rs232c ]\n"
                                             " speed =\t19200 \n"
                                             "DATA=7\n"
                                             "parity= even\n"
                                             "Stop=1.5\n"
                                             "x=no\n"
                                             "commport = port8\n");
    EXPECT_EQ(s.speedIndex, 5);
    EXPECT_EQ(s.dataBitsIndex, 0);
    EXPECT_EQ(s.parityIndex, 2);
    EXPECT_EQ(s.stopBitsIndex, 1);
    EXPECT_EQ(s.flowIndex, 1);
    EXPECT_EQ(s.portIndex, 7);
}

TEST(DefinitionSerialSettings, UnknownValuesMissingKeysAndOtherSectionsChangeNothing)
{
    SerialSettings start;
    start.speedIndex = 4;
    start.parityIndex = 1;
    const SerialSettings s = afterDefinition("[RS232C]\n"
                                             "Speed=57600\n"
                                             "Parity\n"
                                             "; Data=7\n"
                                             "Stop=3\n"
                                             "CommPort=COM1\n"
                                             "[Other]\n"
                                             "Data=7\n",
        start);
    EXPECT_EQ(s.speedIndex, 4);
    EXPECT_EQ(s.parityIndex, 1);
    EXPECT_EQ(s.dataBitsIndex, 1);
    EXPECT_EQ(s.stopBitsIndex, 0);
    EXPECT_EQ(s.portIndex, -1);
    EXPECT_EQ(afterDefinition("[Data]\nSpeed=600\n").speedIndex, 3);
}

TEST(PortParams, EveryFieldIsRangeChecked)
{
    PortParams p;
    SerialSettings s;
    s.portIndex = 3;
    ASSERT_TRUE(portParamsFor(s, p));
    EXPECT_EQ(p.baud, 4800);
    EXPECT_EQ(p.dataBits, 8);
    EXPECT_TRUE(p.xonXoff);
    EXPECT_TRUE(p.ctsFlow);
    auto refused = [](auto change) {
        SerialSettings t;
        t.portIndex = 0;
        change(t);
        PortParams q;
        return !portParamsFor(t, q);
    };
    EXPECT_TRUE(refused([](SerialSettings& t) { t.portIndex = -1; }));
    EXPECT_TRUE(refused([](SerialSettings& t) { t.portIndex = 8; }));
    EXPECT_TRUE(refused([](SerialSettings& t) { t.speedIndex = 6; }));
    EXPECT_TRUE(refused([](SerialSettings& t) { t.dataBitsIndex = 2; }));
    EXPECT_TRUE(refused([](SerialSettings& t) { t.parityIndex = 3; }));
    EXPECT_TRUE(refused([](SerialSettings& t) { t.stopBitsIndex = -1; }));
}

TEST(PortDevicePath, DefaultsAndSettingsFileOverride)
{
    EXPECT_EQ(portDevicePath(0), "/dev/ttyS0");
    EXPECT_EQ(portDevicePath(3), "/dev/ttyS3");
    EXPECT_EQ(portDevicePath(4), "/dev/ttyUSB0");
    EXPECT_EQ(portDevicePath(7), "/dev/ttyUSB3");
    EXPECT_EQ(portDevicePath(-1), "");
    EXPECT_EQ(portDevicePath(8), "");

    test::TempLog ini; // any fresh file name will do
    {
        std::ofstream out(ini.path());
        out << "[RS232C]\r\nPORT=PORT2\r\n[DEVICES]\r\nPORT2=/tmp/my-ecu\r\nPORT3=\r\n";
    }
    EXPECT_EQ(portDevicePath(1, ini.path()), "/tmp/my-ecu");
    EXPECT_EQ(portDevicePath(2, ini.path()), "/dev/ttyS2");
    EXPECT_EQ(portDevicePath(5, "/nonexistent/ZLM350.ini"), "/dev/ttyUSB1");
}

TEST(SerialLinkOpen, PortIndexMinusOneFailsWithoutTouchingTheDevice)
{
    SerialSettings s;
    SerialLink link(s);
    int resolved = 0;
    link.setDeviceResolver([&](int) {
        ++resolved;
        return std::string("/dev/null");
    });
    EXPECT_FALSE(link.Open(true));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(resolved, 0);
}

TEST(SerialLinkOpen, MissingDeviceAndNonTerminalFail)
{
    SerialSettings s;
    s.portIndex = 0;
    SerialLink link(s);
    link.setDeviceResolver([](int) { return std::string("/nonexistent/tty"); });
    EXPECT_FALSE(link.Open(false));
    link.setDeviceResolver([](int) { return std::string("/dev/null"); });
    EXPECT_FALSE(link.Open(false));
    EXPECT_FALSE(link.isOpen());
}

TEST(SerialLinkOpen, TimerFollowsOpenAndCloseAndCloseClearsTheFlags)
{
    EcuLine line;
    std::vector<bool> timer;
    line.link.timerControl = [&](bool run) { timer.push_back(run); };
    ASSERT_TRUE(line.link.Open(false));
    EXPECT_FALSE(line.link.timerRunning());
    ASSERT_TRUE(line.link.Open(true)); // reopens
    EXPECT_TRUE(line.link.timerRunning());
    line.link.busy = true;
    line.link.monitorActive = true;
    line.link.Close();
    EXPECT_FALSE(line.link.isOpen());
    EXPECT_FALSE(line.link.busy);
    EXPECT_FALSE(line.link.monitorActive);
    EXPECT_EQ(timer, (std::vector<bool> { true, false }));
    line.link.Close(); // closed already: nothing happens
    EXPECT_EQ(timer.size(), 2u);
}

TEST(TermiosLineState, SettingsMapToTheTerminalFlags)
{
    SerialSettings s;
    s.portIndex = 0;
    s.speedIndex = 5;
    s.dataBitsIndex = 0;
    s.parityIndex = 1;
    s.stopBitsIndex = 2;
    s.flowIndex = 0;
    PortParams p;
    ASSERT_TRUE(portParamsFor(s, p));
    termios t {};
    ASSERT_TRUE(setLineState(p, t));
    EXPECT_EQ(::cfgetospeed(&t), B19200);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_TRUE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_iflag & INPCK);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);

    s.speedIndex = 0;
    s.dataBitsIndex = 1;
    s.parityIndex = 2;
    s.stopBitsIndex = 0;
    s.flowIndex = 1;
    ASSERT_TRUE(portParamsFor(s, p));
    ASSERT_TRUE(setLineState(p, t));
    EXPECT_EQ(::cfgetospeed(&t), B600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & (PARODD | CSTOPB));
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));

    p.baud = 12345;
    EXPECT_FALSE(setLineState(p, t));
}

TEST(SerialLinkOpen, LineStateReachesTheDevice)
{
    // A pseudo-terminal always keeps 8 data bits without parity; the rest shows.
    EcuLine line;
    line.serial.speedIndex = 4;
    line.serial.stopBitsIndex = 2;
    line.serial.flowIndex = 0;
    ASSERT_TRUE(line.link.Open(false));
    termios t {};
    const int fd = ::open(line.ecu.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&t), B9600);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
}

TEST(SerialLinkOpen, PortIsExclusiveWhileOpenAndFreeAfterClose)
{
    EcuLine line;
    ASSERT_TRUE(line.link.Open(false));
    TermiosPort other;
    PortParams p;
    if (::geteuid() != 0) { // the superuser may open an exclusive terminal anyway
        EXPECT_FALSE(other.open(line.ecu.devicePath(), p));
    }
    line.link.Close();
    EXPECT_TRUE(other.open(line.ecu.devicePath(), p));
}

TEST(SerialLinkTick, DrivesTheMonitorOnlyWhileTheTimerRuns)
{
    EcuLine line;
    int steps = 0;
    line.link.monitorStep = [&] { ++steps; };
    line.link.tick(); // port closed
    ASSERT_TRUE(line.link.Open(false));
    line.link.tick(); // no timer
    EXPECT_EQ(steps, 0);
    ASSERT_TRUE(line.link.Open(true));
    line.link.tick();
    line.link.tick();
    line.link.tick();
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(line.link.tickCount(), 3);
}

// m_timeOut follows the clock from its last reload, whatever the timer did:
// ticks that came late, early or not at all change nothing.
TEST(SerialLinkTimeOut, CountsWholeTickPeriodsSinceTheLastReload)
{
    SerialSettings s;
    SerialLink link(s);
    auto now = std::chrono::steady_clock::time_point(std::chrono::hours(1));
    link.setClock([&] { return now; });
    link.setTickPeriod(std::chrono::milliseconds(100));
    link.setTimeOut(3);
    EXPECT_EQ(link.timeOut(), 3);
    now += std::chrono::milliseconds(99);
    EXPECT_EQ(link.timeOut(), 3);
    now += std::chrono::milliseconds(1);
    EXPECT_EQ(link.timeOut(), 2);
    for (int i = 0; i < 50; ++i)
        link.tick(); // a burst of late timer events counts for nothing
    EXPECT_EQ(link.timeOut(), 2);
    now += std::chrono::milliseconds(199);
    EXPECT_EQ(link.timeOut(), 1);
    link.setTimeOut(3); // a byte arrived: the full allowance again
    now += std::chrono::milliseconds(299);
    EXPECT_EQ(link.timeOut(), 1);
    now += std::chrono::milliseconds(1);
    EXPECT_EQ(link.timeOut(), 0);
    EXPECT_EQ(link.timeOutDeadline(), now);
    now += std::chrono::hours(1);
    EXPECT_EQ(link.timeOut(), 0);
}

TEST(SerialLinkIo, ClosedPortReadsAndWritesFail)
{
    SerialSettings s;
    SerialLink link(s);
    std::uint8_t b = 0x12;
    EXPECT_FALSE(link.ReadFile(b, "x").ok);
    EXPECT_EQ(b, 0x12);
    EXPECT_FALSE(link.WriteFile(b, "x").ok);
}

TEST(CommunicationLog, OneLineInTheExactFormatPerByte)
{
    EcuLine line;
    test::TempLog log;
    line.link.setLogPath(log.path());
    // Tick periods too long to pass during the test: m_timeOut reads as reloaded.
    line.link.setTickPeriod(std::chrono::hours(1));
    ASSERT_EQ(line.protocol.EcuCheckCommand(), 0);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    const std::regex write(
        R"(WriteFile:EcuCheckCommand   Buffer=BF  NumberOfBytesWritten=1  GetLastError=0  m_timeOut=100  time=\d+)");
    const std::regex read1(
        R"(ReadFile:EcuCheckCommand1   Buffer=51  NumberOfBytesRead=1  GetLastError=0  m_timeOut=100  time=\d+)");
    const std::regex read2(
        R"(ReadFile:EcuCheckCommand2   Buffer=58  NumberOfBytesRead=1  GetLastError=0  m_timeOut=100  time=\d+)");
    EXPECT_TRUE(std::regex_match(lines[0], write)) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], read1)) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], read2)) << lines[2];
}

TEST(CommunicationLog, EmptyReadLogsTheComplementAndLeavesTheBuffer)
{
    EcuLine line;
    test::TempLog log;
    line.link.setLogPath(log.path());
    ASSERT_TRUE(line.link.Open(false));
    line.link.setTickPeriod(std::chrono::hours(1));
    line.link.setTimeOut(7);
    std::uint8_t buffer = 0x3C;
    const IoResult r = line.link.ReadFile(buffer, "Monitor");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(buffer, 0x3C);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(lines[0],
        std::regex(
            R"(ReadFile:Monitor   Buffer=C3  NumberOfBytesRead=0  GetLastError=0  m_timeOut=7  time=\d+)")))
        << lines[0];
}

TEST(CommunicationLog, SingleWriteLogsEveryByteSentAndReceived)
{
    EcuLine line;
    test::TempLog log;
    line.link.setLogPath(log.path());
    ASSERT_TRUE(line.protocol.SCommand(0x1234, 0x5A).ok());
    // Identification 3, drain 1 empty read, 4 bytes each with its echo.
    const auto lines = log.lines();
    EXPECT_EQ(lines.size(), 3u + 1 + 8);
    int drains = 0;
    for (const auto& l : lines)
        drains += l.rfind("ReadFile:SCommand   Buffer=", 0) == 0;
    EXPECT_EQ(drains, 1);
}

TEST(CommunicationLog, UnwritableLogFileChangesNothingElse)
{
    EcuLine line;
    line.link.setLogPath("/nonexistent-folder/log.txt");
    EXPECT_EQ(line.protocol.EcuCheckCommand(), 0);
    EXPECT_TRUE(line.protocol.SCommand(0x0100, 0x01).ok());
}

TEST(SerialLinkDrain, DropsStaleBytes)
{
    EcuLine line(EcuLine::withFault("noise"));
    ASSERT_TRUE(line.link.Open(false));
    line.link.WriteFile(0xBF, "EcuCheckCommand"); // answer and noise follow
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    line.link.Drain("SCommand");
    std::uint8_t b = 0;
    EXPECT_EQ(line.link.ReadFile(b, "x").count, 0);
}

// A line that never falls silent is drained for the silence allowance at
// most, and no longer once a stop is asked for (Ctrl+C).
TEST(SerialLinkDrain, AStreamingLineStopsWhenAStopIsAsked)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string device = ::ptsname(master);
    std::atomic<bool> done { false };
    // A byte every half millisecond, about the pace of 19200 baud.
    std::thread stream([&] {
        const std::uint8_t byte = 0x55;
        while (!done) {
            (void)::write(master, &byte, 1);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    SerialSettings serial;
    serial.portIndex = 0;
    serial.flowIndex = 1;
    serial.timeoutMs = 50; // 5 s of stream at most
    SerialLink link(serial);
    link.setDeviceResolver([&](int) { return device; });
    ASSERT_TRUE(link.Open(false));
    const auto t0 = std::chrono::steady_clock::now();
    link.Drain("ReadEcu", [&] { return test::secondsSince(t0) > 0.1; });
    EXPECT_LT(test::secondsSince(t0), 1.0);
    link.Close();
    done = true;
    stream.join();
    ::close(master);
}

} // namespace
} // namespace zlm
