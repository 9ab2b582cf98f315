#pragma once
// The one RS-232C link between the PC and the ECU: the port parameters, open
// and close, single-byte reads and writes with the optional communication log,
// and the time-out countdown m_timeOut that every waiting loop of the ECU
// protocol and of the live monitor watches.
//
// The main frame owns the 100 ms timer: it starts and stops it when the link
// asks (timerControl) and calls tick() on every timer event, which runs one
// step of the monitor poller (monitorStep).
//
// m_timeOut is a deadline on the monotonic clock: after setTimeOut(T) it
// reads T, then one less for every tick period that has passed since, and 0
// once T periods have passed, whether or not the timer or a pump ran in
// between. A long transfer therefore gets the full allowance after every
// byte, and a silence fails on time.
#include "base/app_settings.h"
#include "base/line_list.h"
#include "platform/serial_port.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zlm {

// Baud rates of the speed indices 0..5.
inline constexpr int kBaudRates[] = { 600, 1200, 2400, 4800, 9600, 19200 };
// Period of the main frame's timer, and the unit m_timeOut counts in.
inline constexpr int kTickPeriodMs = 100;
// Longest time a foreground exchange goes without dispatching window
// messages (while a dispatcher is set), so that the windows stay alive.
// 30 ms leaves room for a late wake-up on a busy machine within 50 ms.
inline constexpr std::chrono::milliseconds kDispatchInterval { 30 };

// The definition file's "RS232C" section overrides the fields it names
// ("Speed", "Data", "Parity", "Stop", "X", "CommPort"; keys and values
// without regard to case). "CommPort" only applies while no port is chosen.
// Called after every data-set load.
void applyDefinitionSerialSettings(const LineList& definition, SerialSettings& settings);

// Line state for the settings; false when a field is out of range.
bool portParamsFor(const SerialSettings& settings, PortParams& params);

class SerialLink {
public:
    using Clock = std::chrono::steady_clock;

    // `settings` is the application's instance: changes made by the dialogs
    // and by data-set loads take effect at the next Open.
    explicit SerialLink(
        SerialSettings& settings, std::unique_ptr<SerialPort> port = makeTermiosPort());
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;
    ~SerialLink();

    SerialSettings& settings() { return m_settings; }
    const SerialSettings& settings() const { return m_settings; }

    // Device path of a port index (default: portDevicePath without a settings file).
    void setDeviceResolver(std::function<std::string(int portIndex)> resolver);
    // Communication log file; empty switches the log off.
    void setLogPath(std::string path) { m_logPath = std::move(path); }
    const std::string& logPath() const { return m_logPath; }

    // Closes the port if open, checks the parameters, opens the device with
    // the line state and the time-out T, and sets the open flag. Starts the
    // timer when `startTimer`. Returns the new open flag; reports nothing.
    bool Open(bool startTimer);
    // Closes the port and clears the open, busy and monitor-active flags;
    // stops the timer. Nothing happens when the port is closed.
    void Close();

    // One byte in or out, waiting at most T ms; with the log on, one log line
    // per call. An empty read leaves `buffer` as it was; the log line shows
    // the complement of that value, so an empty read stands out. A line that
    // was hung up (the far end closed, the adapter pulled) fails the call at
    // once. While a dispatcher is set, the wait is cut to run it on time.
    IoResult ReadFile(std::uint8_t& buffer, std::string_view tag);
    // The same, waiting no later than `notAfter` either (a waiting loop's
    // m_timeOut deadline, so that a silence fails on time).
    IoResult ReadFile(std::uint8_t& buffer, std::string_view tag, Clock::time_point notAfter);
    IoResult WriteFile(std::uint8_t byte, std::string_view tag);
    // Reads and drops bytes until a read brings none, then clears the error
    // state, so that stale bytes do not pass for echoes. Also ends when
    // `stop` says so (the command line's Ctrl+C).
    void Drain(std::string_view tag, const std::function<bool()>& stop = {});
    void ClearCommError();

    // The timer event: one monitor step. Does nothing while the timer is not
    // running.
    void tick();

    // Ticks left of m_timeOut: the last reload minus the whole tick periods
    // passed since, down to 0.
    int timeOut() const;
    // Reloads m_timeOut with `ticks`, counted from now.
    void setTimeOut(int ticks);
    // When m_timeOut reaches 0.
    Clock::time_point timeOutDeadline() const;
    // Ticks counted so far (for waits that must not touch m_timeOut).
    long long tickCount() const { return m_ticks; }

    // The unit of m_timeOut (100 ms; tests shorten it).
    void setTickPeriod(std::chrono::microseconds period) { m_tickPeriod = period; }
    std::chrono::microseconds tickPeriod() const { return m_tickPeriod; }
    // The monotonic clock (tests hand in one they move by hand).
    void setClock(std::function<Clock::time_point()> now) { m_now = std::move(now); }
    Clock::time_point now() const { return m_now ? m_now() : Clock::now(); }

    // The window messages' dispatcher of a foreground exchange; empty when no
    // exchange keeps the windows alive. Returns the one it replaces.
    std::function<void()> setDispatcher(std::function<void()> dispatch);
    // Dispatches now (never re-entered from inside a dispatch).
    void dispatch();
    // Dispatches when kDispatchInterval has passed since the last dispatch.
    void keepAlive();

    bool isOpen() const { return m_open; }
    bool timerRunning() const { return m_timerRunning; }
    const std::string& lastError() const { return m_lastError; }
    // A line break and the reason when the last Open was refused because
    // another program has the port, else empty: added to "No response from
    // ECU." so that the user knows why nothing answered.
    std::string portInUseNote() const;

    // Link state flags (hand-over between foreground exchanges and the monitor).
    bool busy = false;
    bool monitorActive = false;
    bool ecuChecked = false;

    // Starts (true) or stops (false) the 100 ms timer; set by the main frame.
    std::function<void(bool run)> timerControl;
    // One step of the monitor poller, run after the countdown on every tick.
    std::function<void()> monitorStep;

private:
    void log(std::string_view what, std::string_view tag, std::uint8_t buffer, const IoResult& r,
        std::string_view countName);
    // Repeats `transfer(waitMs)` until a byte moved, the port failed or `end`.
    template <typename Transfer>
    IoResult inPieces(Clock::time_point end, Transfer transfer);

    SerialSettings& m_settings;
    std::unique_ptr<SerialPort> m_port;
    std::function<std::string(int)> m_resolveDevice;
    std::string m_logPath;
    std::string m_lastError;
    int m_reloadTicks = 0;
    Clock::time_point m_reloadAt {};
    std::chrono::microseconds m_tickPeriod { std::chrono::milliseconds(kTickPeriodMs) };
    std::function<Clock::time_point()> m_now;
    std::function<void()> m_dispatch;
    Clock::time_point m_lastDispatch {};
    bool m_dispatching = false;
    long long m_ticks = 0;
    int m_driverTimeoutMs = 50;
    bool m_open = false;
    bool m_timerRunning = false;
};

// Stands in for the main frame's timer where no window system runs (command
// line tools, tests): hand it to the protocol as its pump. Each call ticks
// the link once when a period has passed since the last tick, as a window
// timer would. With `catchUp` every period that passed gives its tick (the
// monitor steps); m_timeOut follows the clock either way.
class TickPump {
public:
    explicit TickPump(SerialLink& link,
        std::chrono::microseconds period = std::chrono::milliseconds(kTickPeriodMs),
        bool catchUp = false)
        : m_link(link)
        , m_period(period)
        , m_catchUp(catchUp)
    { }
    void operator()();

private:
    SerialLink& m_link;
    std::chrono::microseconds m_period;
    bool m_catchUp = false;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

} // namespace zlm
