#include "sim/virtual_ecu.h"

#include "comm/ecu_protocol.h"
#include "sim/engine_model.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace zlm::sim {
namespace {

std::optional<int> parseInt(std::string_view s, int base)
{
    if (s.empty())
        return std::nullopt;
    std::string text(s);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || v < 0 || v > 0x7FFFFFFF)
        return std::nullopt;
    return static_cast<int>(v);
}

// The end of a paced wait that is spun rather than slept.
constexpr auto kSpinBeforeSend = std::chrono::microseconds(150);

// Longest image write text accepted before the ECU gives up on it.
constexpr std::size_t kMaxImageText = 200000;
// Stray bytes of the noise fault: no "S", no flow-control characters.
constexpr std::uint8_t kNoise[] = { 0x00, 0x2A, 0x7E, 0xA5 };

} // namespace

std::optional<MonitorItem> parseMonitorItem(std::string_view text)
{
    const auto eq = text.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    MonitorItem item;
    const auto number = parseInt(text.substr(0, eq), 16);
    if (!number || *number > 0xFF)
        return std::nullopt;
    item.number = static_cast<std::uint8_t>(*number);
    std::string_view gen = text.substr(eq + 1);
    if (const auto slash = gen.find('/'); slash != std::string_view::npos) {
        const auto size = parseInt(gen.substr(slash + 1), 10);
        if (!size || (*size != 1 && *size != 2))
            return std::nullopt;
        item.size = *size;
        item.sizeGiven = true;
        gen = gen.substr(0, slash);
    }
    if (gen == "sine") {
        item.kind = MonitorItem::Kind::Sine;
    } else if (gen == "ramp") {
        item.kind = MonitorItem::Kind::Ramp;
    } else if (gen == "silent") {
        item.kind = MonitorItem::Kind::Silent;
    } else if (gen.substr(0, 6) == "const:") {
        const auto v = parseInt(gen.substr(6), 0);
        if (!v || *v > 0xFFFF)
            return std::nullopt;
        item.kind = MonitorItem::Kind::Const;
        item.value = *v;
    } else {
        return std::nullopt;
    }
    return item;
}

std::optional<Fault> parseFault(std::string_view text)
{
    // NAME, NAME:N or NAME:N:MS
    const auto colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    std::vector<int> numbers;
    for (std::size_t at = colon; at != std::string_view::npos;) {
        const auto next = text.find(':', at + 1);
        const auto n = parseInt(text.substr(at + 1, next == std::string_view::npos ? next : next - at - 1), 10);
        if (!n)
            return std::nullopt;
        numbers.push_back(*n);
        at = next;
    }
    struct Entry {
        std::string_view name;
        Fault::Kind kind;
        std::size_t numbers;
    };
    static constexpr Entry kFaults[] = {
        { "no-answer", Fault::Kind::NoAnswer, 0 },
        { "wrong-type", Fault::Kind::WrongType, 0 },
        { "wrong-echo", Fault::Kind::WrongEcho, 1 },
        { "missing-echo", Fault::Kind::MissingEcho, 1 },
        { "cut", Fault::Kind::Cut, 1 },
        { "noise", Fault::Kind::Noise, 0 },
        { "slow", Fault::Kind::Slow, 1 },
        { "corrupt", Fault::Kind::Corrupt, 1 },
        { "pause-read", Fault::Kind::PauseRead, 2 },
        { "answer-delay", Fault::Kind::AnswerDelay, 1 },
        { "hangup-read", Fault::Kind::HangUpRead, 1 },
        { "hangup-write", Fault::Kind::HangUpWrite, 1 },
        { "endless", Fault::Kind::Endless, 0 },
    };
    for (const Entry& e : kFaults) {
        if (e.name == name && e.numbers == numbers.size())
            return Fault { e.kind, numbers.empty() ? 0 : numbers[0],
                numbers.size() > 1 ? numbers[1] : 0 };
    }
    return std::nullopt;
}

VirtualEcu::VirtualEcu(VirtualEcuConfig config)
    : m_config(std::move(config))
{
    // A recognisable pattern until an image is loaded or written.
    for (std::size_t i = 0; i < m_memory.size(); ++i)
        m_memory[i] = static_cast<std::uint8_t>(i * 7 + 3);
}

VirtualEcu::~VirtualEcu()
{
    stop();
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    if (m_master >= 0)
        ::close(m_master);
}

bool VirtualEcu::openPty()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[256];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    m_devicePath = name;
    // Raw from the start, so that nothing the ECU sends is echoed back by the
    // line discipline before the tool has set the line up.
    m_slaveHold = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slaveHold < 0) {
        m_error = std::string(name) + ": " + std::strerror(errno);
        return false;
    }
    termios t {};
    ::tcgetattr(m_slaveHold, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_slaveHold, TCSANOW, &t);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

void VirtualEcu::start()
{
    m_stop = false;
    m_thread = std::thread([this] { run(m_stop); });
}

void VirtualEcu::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void VirtualEcu::setImage(std::uint16_t address, std::span<const std::uint8_t> bytes)
{
    std::lock_guard lock(m_memoryMutex);
    for (std::size_t i = 0; i < bytes.size() && address + i < m_memory.size(); ++i)
        m_memory[address + i] = bytes[i];
}

std::vector<std::uint8_t> VirtualEcu::memory(std::uint16_t address, std::size_t count) const
{
    std::lock_guard lock(m_memoryMutex);
    const std::size_t n = std::min(count, m_memory.size() - address);
    return { m_memory.begin() + address, m_memory.begin() + address + n };
}

std::uint8_t VirtualEcu::byteAt(std::uint16_t address) const
{
    std::lock_guard lock(m_memoryMutex);
    return m_memory[address];
}

bool VirtualEcu::has(Fault::Kind kind, int* n, int* ms) const
{
    for (const Fault& f : m_config.faults) {
        if (f.kind == kind) {
            if (n)
                *n = f.n;
            if (ms)
                *ms = f.ms;
            return true;
        }
    }
    return false;
}

void VirtualEcu::pause(std::chrono::milliseconds duration)
{
    m_pausedUntil = (Clock::now() + duration).time_since_epoch().count();
}

void VirtualEcu::waitWhilePaused()
{
    const Clock::time_point until { Clock::duration(m_pausedUntil.load()) };
    while (Clock::now() < until && !m_hangUpRequested && !*m_running)
        std::this_thread::sleep_for(std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(5)));
}

// Closes the ECU's end of the line: the tool's side sees a hang-up. The flag
// is set first, so that whoever sees the line go down also sees hungUp().
void VirtualEcu::doHangUp()
{
    if (m_hungUp.exchange(true))
        return;
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveHold = m_master = -1;
}

int VirtualEcu::readByte(int timeoutMs)
{
    if (m_hangUpRequested)
        doHangUp();
    if (m_hungUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 10)));
        return -1;
    }
    std::uint8_t byte = 0;
    for (;;) {
        const ssize_t n = ::read(m_master, &byte, 1);
        if (n == 1)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        pollfd p { m_master, POLLIN, 0 };
        const int r = ::poll(&p, 1, timeoutMs);
        if (r <= 0)
            return -1;
        if (!(p.revents & POLLIN)) {
            // The tool has the line closed: nothing can arrive; wait it out.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 10)));
            return -1;
        }
        timeoutMs = 0;
    }
    if (m_config.baud > 0) {
        // The character takes 10 bit times to arrive on a real line: it is
        // there at m_rxFree. No sleep here: the answer waits for it in send(),
        // so one wake-up paces a whole round trip.
        m_rxFree = std::max(m_rxFree, Clock::now()) + charTime();
    }
    return byte;
}

void VirtualEcu::send(std::uint8_t byte)
{
    waitWhilePaused();
    if (m_hangUpRequested)
        doHangUp();
    if (m_hungUp)
        return;
    int delayMs = 0;
    if (has(Fault::Kind::Slow, &delayMs) && delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    if (m_config.baud > 0) {
        // Sending starts once the line is free and the byte answered has
        // arrived; the byte is at the other end one character time later.
        m_txFree = std::max({ m_txFree, m_rxFree, Clock::now() }) + charTime();
        // Sleep most of the way and spin the rest: a wake-up comes late by
        // tens of microseconds, a noticeable share of a character time.
        std::this_thread::sleep_until(m_txFree - kSpinBeforeSend);
        while (Clock::now() < m_txFree) {
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Taken before the write: the tool cannot have the byte any earlier,
        // however late this thread runs on after it.
        const Clock::time_point writing = Clock::now();
        const ssize_t n = ::write(m_master, &byte, 1);
        if (n == 1) {
            m_lastSent = writing.time_since_epoch().count();
            return;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        pollfd p { m_master, POLLOUT, 0 };
        ::poll(&p, 1, 10);
    }
}

// Echoes one byte of a command, unless a fault says otherwise. False when
// the echo was dropped or changed.
bool VirtualEcu::echo(std::uint8_t byte)
{
    ++m_echoIndex;
    int n = 0;
    if (has(Fault::Kind::MissingEcho, &n) && n == m_echoIndex)
        return false;
    if (has(Fault::Kind::WrongEcho, &n) && n == m_echoIndex) {
        send(static_cast<std::uint8_t>(byte ^ 0x01));
        return false;
    }
    send(byte);
    ++m_echoes;
    return true;
}

std::chrono::nanoseconds VirtualEcu::charTime() const
{
    return std::chrono::nanoseconds(10'000'000'000LL / m_config.baud);
}

void VirtualEcu::run(const std::atomic<bool>& stopFlag)
{
    m_running = &stopFlag;
    m_txFree = m_rxFree = Clock::now();
    // Paced sends wake up on time rather than up to the default 50 us late.
    if (m_config.baud > 0)
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    while (!stopFlag) {
        const int byte = readByte(50);
        if (m_hungUp)
            continue;
        if (byte < 0 || has(Fault::Kind::NoAnswer))
            continue;
        handle(static_cast<std::uint8_t>(byte), stopFlag);
    }
}

void VirtualEcu::sendNoise()
{
    for (const std::uint8_t b : kNoise)
        send(b);
}

void VirtualEcu::handle(std::uint8_t command, const std::atomic<bool>& stopFlag)
{
    switch (command) {
    case ecu::kIdentify:
        send(m_config.type[0]);
        send(has(Fault::Kind::WrongType) ? static_cast<std::uint8_t>(m_config.type[1] + 1)
                                         : m_config.type[1]);
        if (has(Fault::Kind::Noise))
            sendNoise();
        return;
    case ecu::kWriteByte:
    case ecu::kWriteWord:
        singleWrite(command == ecu::kWriteWord);
        return;
    case ecu::kImage: {
        if (!echo(command))
            return;
        const int what = readByte(m_config.idleTimeoutMs);
        if (what == ecu::kImageRead) {
            if (echo(ecu::kImageRead))
                sendImage();
        } else if (what == ecu::kImageWrite) {
            if (echo(ecu::kImageWrite))
                receiveImage();
        }
        return;
    }
    default:
        for (const MonitorItem& item : m_config.monitor) {
            if (item.number == command) {
                answerPoll(item);
                return;
            }
        }
        return; // unknown bytes are ignored
    }
}

void VirtualEcu::singleWrite(bool word)
{
    std::uint8_t frame[5] = { word ? ecu::kWriteWord : ecu::kWriteByte };
    const int length = word ? 5 : 4;
    if (!echo(frame[0]))
        return;
    for (int i = 1; i < length; ++i) {
        const int b = readByte(m_config.idleTimeoutMs);
        if (b < 0)
            return; // the tool gave up
        frame[i] = static_cast<std::uint8_t>(b);
        if (i == length - 1) {
            // Stored before the last echo: once the tool has it, the value is in.
            const std::uint16_t address = static_cast<std::uint16_t>(frame[1] << 8 | frame[2]);
            std::lock_guard lock(m_memoryMutex);
            m_memory[address] = frame[3];
            if (word)
                m_memory[static_cast<std::uint16_t>(address + 1)] = frame[4];
        }
        if (!echo(frame[i]))
            return;
    }
}

void VirtualEcu::sendImage()
{
    std::vector<std::uint8_t> bytes;
    if (m_config.calibStart <= m_config.calibEnd)
        bytes = memory(m_config.calibStart, m_config.calibEnd - m_config.calibStart + 1u);
    std::string text;
    for (const std::string& record : encodeImage(m_config.calibStart, bytes))
        text += record;
    const bool endless = has(Fault::Kind::Endless);
    if (endless) {
        text.resize(text.size() - ecu::kEndRecord.size()); // repeated without an end
        if (text.empty())
            text = "S1040000FFFC"; // one data byte at 0x0000 for an empty range
    }
    if (has(Fault::Kind::Noise))
        text.insert(0, reinterpret_cast<const char*>(kNoise), sizeof kNoise);
    int cut = -1;
    has(Fault::Kind::Cut, &cut);
    int hangUpAt = -1;
    has(Fault::Kind::HangUpRead, &hangUpAt);
    int pauseAt = -1, pauseMs = 0;
    has(Fault::Kind::PauseRead, &pauseAt, &pauseMs);
    for (std::size_t i = 0; endless || i < text.size(); ++i) {
        if (cut >= 0 && static_cast<int>(i) >= cut)
            return; // falls silent
        if (hangUpAt >= 0 && static_cast<int>(i) >= hangUpAt) {
            doHangUp();
            return;
        }
        if (pauseAt >= 0 && static_cast<int>(i) == pauseAt)
            pause(std::chrono::milliseconds(pauseMs));
        const auto c = static_cast<std::uint8_t>(text[i % text.size()]);
        send(c);
        // The tool echoes every character; anything else ends the transfer.
        if (readByte(m_config.echoTimeoutMs) != c)
            return;
    }
}

void VirtualEcu::receiveImage()
{
    int cut = -1;
    has(Fault::Kind::Cut, &cut);
    int hangUpAt = -1;
    has(Fault::Kind::HangUpWrite, &hangUpAt);
    std::string text;
    for (;;) {
        const int b = readByte(m_config.idleTimeoutMs);
        // Character n arrived and is not echoed: the tool waits for it.
        if (b >= 0 && hangUpAt >= 0 && static_cast<int>(text.size()) >= hangUpAt) {
            doHangUp();
            return;
        }
        if (b < 0 || text.size() > kMaxImageText)
            return; // the tool gave up half-way: nothing is stored
        if (cut >= 0 && static_cast<int>(text.size()) >= cut)
            continue; // no more echoes: swallow until the line falls silent
        text.push_back(static_cast<char>(b));
        if (!echo(static_cast<std::uint8_t>(b)))
            continue;
        if (text.size() >= ecu::kEndRecord.size()
            && std::string_view(text).substr(text.size() - ecu::kEndRecord.size())
                == ecu::kEndRecord)
            break;
    }
    auto image = decodeStrict(text);
    if (image) {
        // A memory cell that does not keep what was written.
        int corrupt = -1;
        if (has(Fault::Kind::Corrupt, &corrupt) && corrupt >= 0
            && static_cast<std::size_t>(corrupt) < image->bytes.size())
            image->bytes[static_cast<std::size_t>(corrupt)] ^= 0xFF;
        setImage(image->start, image->bytes);
        ++m_imagesReceived;
    }
    int delayMs = 0;
    if (has(Fault::Kind::AnswerDelay, &delayMs))
        pause(std::chrono::milliseconds(delayMs)); // as while it writes its flash
    send(image ? m_config.answer : m_config.badAnswer);
}

void VirtualEcu::answerPoll(const MonitorItem& item)
{
    ++m_polls;
    const int full = item.size == 2 ? 0xFFFF : 0xFF;
    int value = 0;
    switch (item.kind) {
    case MonitorItem::Kind::Const:
        value = item.value & full;
        break;
    case MonitorItem::Kind::Ramp:
        value = static_cast<int>(m_ramp++ & static_cast<std::uint32_t>(full));
        break;
    case MonitorItem::Kind::Sine: {
        const double t = std::chrono::duration<double>(Clock::now() - m_start).count();
        const double half = full / 2.0;
        value
            = static_cast<int>(std::lround(half + half * std::sin(t * 2 * 3.14159265358979 / 5.0)));
        break;
    }
    case MonitorItem::Kind::Engine: {
        const double t = std::chrono::duration<double>(Clock::now() - m_start).count()
            + m_config.engineSeconds;
        value = static_cast<int>(engineRaw(item.name, item.factor, item.offset,
                                           static_cast<std::uint32_t>(full), t));
        break;
    }
    case MonitorItem::Kind::Silent:
        return;
    }
    if (item.size == 2)
        send(static_cast<std::uint8_t>(value >> 8));
    send(static_cast<std::uint8_t>(value));
}

} // namespace zlm::sim
