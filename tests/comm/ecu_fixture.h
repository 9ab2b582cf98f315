#pragma once
// A virtual ECU on a pseudo-terminal, a serial link through the real termios
// port to it, and the protocol with a fast tick, for the exchange tests.
#include "comm/ecu_protocol.h"
#include "comm/serial_link.h"
#include "sim/virtual_ecu.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace zlm::test {

// Driver time-out T in ms (generous: the tests share a busy machine); also the
// m_timeOut reload in ticks.
inline constexpr int kTestTimeoutMs = 100;
// The test timer period: T ticks of silence take 300 ms rather than 10 s.
inline constexpr auto kTestTick = std::chrono::milliseconds(3);

struct RecordingWaitWindow : WaitWindow {
    std::vector<std::string> titles;
    std::vector<std::string> lines;
    int closes = 0;
    int stopAfter = -1; // progress calls before answering false; -1 never
    void open(const std::string& title) override { titles.push_back(title); }
    bool progress(const std::string& line) override
    {
        lines.push_back(line);
        return stopAfter < 0 || static_cast<int>(lines.size()) < stopAfter;
    }
    void close() override { ++closes; }
};

class EcuLine {
public:
    explicit EcuLine(sim::VirtualEcuConfig config = defaultConfig())
        : ecu(std::move(config))
        , link(serial)
        , pump(link, kTestTick, true)
        , protocol(link, app, [this] { pump(); })
    {
        serial.portIndex = 0;
        serial.flowIndex = 1; // binary frames: no XON/XOFF
        serial.timeoutMs = kTestTimeoutMs;
        if (!ecu.openPty())
            ADD_FAILURE() << ecu.error();
        link.setDeviceResolver([this](int) { return ecu.devicePath(); });
        link.setTickPeriod(kTestTick);
        protocol.setWaitWindow(&wait);
        ecu.start();
    }
    ~EcuLine() { ecu.stop(); }

    static sim::VirtualEcuConfig defaultConfig()
    {
        sim::VirtualEcuConfig c;
        c.echoTimeoutMs = 200;
        c.idleTimeoutMs = 200;
        return c;
    }
    static sim::VirtualEcuConfig withFault(const char* fault)
    {
        auto c = defaultConfig();
        c.faults.push_back(*sim::parseFault(fault));
        return c;
    }
    static sim::VirtualEcuConfig withRange(std::uint16_t first, std::uint16_t last)
    {
        auto c = defaultConfig();
        c.calibStart = first;
        c.calibEnd = last;
        return c;
    }

    sim::VirtualEcu ecu;
    SerialSettings serial;
    AppSettings app;
    SerialLink link;
    TickPump pump;
    EcuProtocol protocol;
    RecordingWaitWindow wait;
};

// A log file in a fresh temporary folder.
class TempLog {
public:
    TempLog()
    {
        static int n = 0;
        m_path = std::filesystem::temp_directory_path()
            / ("zlm-comm-log-" + std::to_string(::getpid()) + "-" + std::to_string(++n) + ".txt");
        std::filesystem::remove(m_path);
    }
    ~TempLog() { std::filesystem::remove(m_path); }
    std::string path() const { return m_path.string(); }
    std::vector<std::string> lines() const
    {
        std::ifstream in(m_path);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

private:
    std::filesystem::path m_path;
};

inline double secondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace zlm::test
