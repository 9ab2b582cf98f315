#include "comm/serial_link.h"

#include "platform/termios_port.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <algorithm>

namespace zlm {
namespace {

// The log's time column: milliseconds since the program started.
const auto kProgramStart = std::chrono::steady_clock::now();

long long msSinceStart()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - kProgramStart)
        .count();
}

// "key = value" with blanks and tabs around both removed; false without "=".
bool splitKeyValue(std::string_view line, std::string_view& key, std::string_view& value)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = text::trim(line.substr(0, eq));
    value = text::trim(line.substr(eq + 1));
    return true;
}

template <std::size_t N> int indexOf(std::string_view value, const char* const (&names)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        if (text::equalsNoCase(value, names[i]))
            return static_cast<int>(i);
    return -1;
}

} // namespace

void applyDefinitionSerialSettings(const LineList& definition, SerialSettings& s)
{
    const int header = definition.findSection("RS232C");
    if (header < 0)
        return;
    static const char* const kSpeeds[] = { "600", "1200", "2400", "4800", "9600", "19200" };
    static const char* const kData[] = { "7", "8" };
    static const char* const kParity[] = { "NO", "ODD", "EVEN" };
    static const char* const kStop[] = { "1", "1.5", "2" };
    static const char* const kFlow[] = { "YES", "NO" };
    static const char* const kPorts[]
        = { "PORT1", "PORT2", "PORT3", "PORT4", "PORT5", "PORT6", "PORT7", "PORT8" };
    for (auto i = definition.nextLine(static_cast<std::size_t>(header)); i;
         i = definition.nextLine(*i)) {
        const std::string_view line = text::trim(definition.at(*i));
        if (text::sectionName(line))
            break;
        std::string_view key, value;
        if (!splitKeyValue(line, key, value))
            continue;
        auto apply = [&](int& field, int index) {
            if (index >= 0)
                field = index;
        };
        if (text::equalsNoCase(key, "Speed"))
            apply(s.speedIndex, indexOf(value, kSpeeds));
        else if (text::equalsNoCase(key, "Data"))
            apply(s.dataBitsIndex, indexOf(value, kData));
        else if (text::equalsNoCase(key, "Parity"))
            apply(s.parityIndex, indexOf(value, kParity));
        else if (text::equalsNoCase(key, "Stop"))
            apply(s.stopBitsIndex, indexOf(value, kStop));
        else if (text::equalsNoCase(key, "X"))
            apply(s.flowIndex, indexOf(value, kFlow));
        else if (text::equalsNoCase(key, "CommPort") && s.portIndex == -1)
            apply(s.portIndex, indexOf(value, kPorts));
    }
}

bool portParamsFor(const SerialSettings& s, PortParams& p)
{
    if (s.portIndex < 0 || s.portIndex > 7 || s.speedIndex < 0 || s.speedIndex > 5
        || s.dataBitsIndex < 0 || s.dataBitsIndex > 1 || s.parityIndex < 0 || s.parityIndex > 2
        || s.stopBitsIndex < 0 || s.stopBitsIndex > 2)
        return false;
    p.baud = kBaudRates[s.speedIndex];
    p.dataBits = s.dataBitsIndex == 0 ? 7 : 8;
    p.parity = static_cast<Parity>(s.parityIndex);
    p.stopBits = static_cast<StopBits>(s.stopBitsIndex);
    p.xonXoff = s.flowIndex == 0;
    p.ctsFlow = true;
    return true;
}

SerialLink::SerialLink(SerialSettings& settings, std::unique_ptr<SerialPort> port)
    : m_settings(settings)
    , m_port(std::move(port))
    , m_resolveDevice([](int index) { return portDevicePath(index); })
{ }

SerialLink::~SerialLink()
{
    Close();
}

void SerialLink::setDeviceResolver(std::function<std::string(int)> resolver)
{
    m_resolveDevice = std::move(resolver);
}

bool SerialLink::Open(bool startTimer)
{
    Close();
    m_lastError.clear();
    PortParams params;
    if (!portParamsFor(m_settings, params)) {
        m_lastError = "serial parameters out of range";
        return false;
    }
    const std::string device
        = m_resolveDevice ? m_resolveDevice(m_settings.portIndex) : std::string();
    if (device.empty() || !m_port->open(device, params)) {
        m_lastError = device.empty() ? "no device for the port" : m_port->lastError();
        return false;
    }
    m_open = true;
    if (startTimer) {
        m_timerRunning = true;
        if (timerControl)
            timerControl(true);
    }
    // T milliseconds per byte: one byte per call, so every read returns after
    // about T ms at most. A zero wait would make every read return at once.
    m_driverTimeoutMs = m_settings.timeoutMs > 0 ? m_settings.timeoutMs : 1;
    return true;
}

void SerialLink::Close()
{
    if (!m_open)
        return;
    m_port->close();
    m_open = false;
    monitorActive = false;
    busy = false;
    if (m_timerRunning) {
        m_timerRunning = false;
        if (timerControl)
            timerControl(false);
    }
}

IoResult SerialLink::ReadFile(std::uint8_t& buffer, std::string_view tag)
{
    return ReadFile(buffer, tag, Clock::time_point::max());
}

// One transfer of a byte, waited for until `end`; while a dispatcher is set,
// the wait is cut into pieces that end when the next dispatch is due.
template <typename Transfer>
IoResult SerialLink::inPieces(Clock::time_point end, Transfer transfer)
{
    for (;;) {
        keepAlive();
        // Whole milliseconds are waited, rounded up, so that a wait never ends early.
        const Clock::time_point pieceEnd = m_dispatch && !m_dispatching
            ? std::min(end, m_lastDispatch + kDispatchInterval)
            : end;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(pieceEnd - now()).count();
        const IoResult r = transfer(static_cast<int>(std::max<long long>(wait, 0)));
        if (!r.ok || r.count == 1 || now() >= end)
            return r;
    }
}

IoResult SerialLink::ReadFile(
    std::uint8_t& buffer, std::string_view tag, Clock::time_point notAfter)
{
    std::uint8_t byte = 0;
    IoResult r { false, 0, EBADF };
    if (m_open) {
        const Clock::time_point end
            = std::min(now() + std::chrono::milliseconds(m_driverTimeoutMs), notAfter);
        r = inPieces(end, [&](int waitMs) { return m_port->readByte(byte, waitMs); });
    }
    // The log shows the complement of the buffer when nothing came; the
    // caller's buffer itself is only changed by a byte that arrived.
    std::uint8_t logged = static_cast<std::uint8_t>(~buffer);
    if (r.count == 1) {
        buffer = byte;
        logged = byte;
    }
    if (!m_logPath.empty())
        log("ReadFile", tag, logged, r, "NumberOfBytesRead");
    return r;
}

IoResult SerialLink::WriteFile(std::uint8_t byte, std::string_view tag)
{
    IoResult r { false, 0, EBADF };
    if (m_open) {
        // Room for the byte may be held back (flow control): the wait, up to
        // the driver time-out, is cut like a read's.
        const Clock::time_point end = now() + std::chrono::milliseconds(m_driverTimeoutMs);
        r = inPieces(end, [&](int waitMs) { return m_port->writeByte(byte, waitMs); });
    }
    if (!m_logPath.empty())
        log("WriteFile", tag, byte, r, "NumberOfBytesWritten");
    return r;
}

void SerialLink::log(std::string_view what, std::string_view tag, std::uint8_t buffer,
    const IoResult& r, std::string_view countName)
{
    std::FILE* f = std::fopen(m_logPath.c_str(), "a+");
    if (!f)
        return;
    std::fprintf(f, "%.*s:%.*s   Buffer=%02X  %.*s=%d  GetLastError=%d  m_timeOut=%d  time=%lld\n",
        static_cast<int>(what.size()), what.data(), static_cast<int>(tag.size()), tag.data(),
        buffer, static_cast<int>(countName.size()), countName.data(), r.count, r.error, timeOut(),
        msSinceStart());
    std::fclose(f);
}

void SerialLink::Drain(std::string_view tag, const std::function<bool()>& stop)
{
    // Bounded in bytes and in time (the silence allowance T), so that a line
    // that never falls silent cannot hold the caller: the exchange then
    // fails on its first echo.
    constexpr int kDrainLimitBytes = 65536;
    const Clock::time_point until = now() + std::max(m_settings.timeoutMs, 1) * m_tickPeriod;
    std::uint8_t byte = 0;
    for (int i = 0; i < kDrainLimitBytes && now() < until && !(stop && stop()); ++i) {
        const IoResult r = ReadFile(byte, tag);
        if (!r.ok || r.count == 0)
            break;
    }
    ClearCommError();
}

std::string SerialLink::portInUseNote() const
{
    if (m_open || m_lastError.find(kPortInUse) == std::string::npos)
        return {};
    return "\n" + m_lastError;
}

void SerialLink::ClearCommError()
{
    if (m_open)
        m_port->clearError();
}

void SerialLink::tick()
{
    if (!m_open || !m_timerRunning)
        return;
    ++m_ticks;
    if (monitorStep)
        monitorStep();
}

int SerialLink::timeOut() const
{
    if (m_reloadTicks <= 0)
        return 0;
    const auto elapsed = now() - m_reloadAt;
    if (elapsed < Clock::duration::zero())
        return m_reloadTicks;
    const long long periods = elapsed / m_tickPeriod;
    return periods >= m_reloadTicks ? 0 : m_reloadTicks - static_cast<int>(periods);
}

void SerialLink::setTimeOut(int ticks)
{
    m_reloadTicks = ticks;
    m_reloadAt = now();
}

SerialLink::Clock::time_point SerialLink::timeOutDeadline() const
{
    return m_reloadAt + std::max(m_reloadTicks, 0) * m_tickPeriod;
}

std::function<void()> SerialLink::setDispatcher(std::function<void()> dispatch)
{
    std::swap(m_dispatch, dispatch);
    m_lastDispatch = now();
    return dispatch;
}

void SerialLink::dispatch()
{
    // A dispatch runs timer events and with them the monitor's step; a wait
    // inside it must not dispatch again.
    if (!m_dispatch || m_dispatching)
        return;
    m_dispatching = true;
    m_dispatch();
    m_dispatching = false;
    m_lastDispatch = now();
}

void SerialLink::keepAlive()
{
    if (m_dispatch && !m_dispatching && now() - m_lastDispatch >= kDispatchInterval)
        dispatch();
}

void TickPump::operator()()
{
    const auto now = std::chrono::steady_clock::now();
    if (now - m_last < m_period)
        return;
    if (!m_catchUp) {
        m_last = now;
        m_link.tick();
        return;
    }
    for (int i = 0; now - m_last >= m_period && i < 1000; ++i) {
        m_last += m_period;
        m_link.tick();
    }
    if (now - m_last >= m_period)
        m_last = now;
}

} // namespace zlm
