#include "platform/termios_port.h"

#include "platform/ini_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace zlm {
namespace {

speed_t speedFor(int baud)
{
    switch (baud) {
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

// poll() for one event, restarting after signals; the time-out is not
// stretched by a restart because the remaining time is not tracked: a signal
// during a wait is rare and the wait is short. 1: the event, 0: time-out,
// -1: failure with errno, -2: the line was hung up (POLLHUP or POLLERR; data
// that arrived before the hang-up may still be readable).
constexpr int kHungUp = -2;

int waitFor(int fd, short events, int timeoutMs)
{
    pollfd p { fd, events, 0 };
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0)
        return r;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return kHungUp;
    return (p.revents & events) ? 1 : 0;
}

} // namespace

bool setLineState(const PortParams& params, termios& t)
{
    const speed_t speed = speedFor(params.baud);
    if (speed == B0 || (params.dataBits != 7 && params.dataBits != 8))
        return false;
    ::cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CREAD | CLOCAL | (params.dataBits == 7 ? CS7 : CS8);
    if (params.parity != Parity::None)
        t.c_cflag |= PARENB | (params.parity == Parity::Odd ? PARODD : 0);
    // POSIX has no 1.5 stop bits; two is the nearest longer gap.
    if (params.stopBits != StopBits::One)
        t.c_cflag |= CSTOPB;
    if (params.ctsFlow)
        t.c_cflag |= CRTSCTS;
    // Parity errors are not checked: bytes are passed on as received.
    t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    if (params.xonXoff)
        t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return true;
}

std::unique_ptr<SerialPort> makeTermiosPort()
{
    return std::make_unique<TermiosPort>();
}

TermiosPort::~TermiosPort()
{
    close();
}

bool TermiosPort::open(const std::string& device, const PortParams& params)
{
    close();
    m_error.clear();
    const speed_t speed = speedFor(params.baud);
    if (speed == B0 || (params.dataBits != 7 && params.dataBits != 8)) {
        m_error = "unsupported line parameters";
        return false;
    }
    // Non-blocking so that neither the open nor a read waits for the modem lines.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // EBUSY: another program holds the terminal exclusively.
        m_error = device + ": " + (errno == EBUSY ? std::string(kPortInUse) : std::strerror(errno));
        return false;
    }
    termios t {};
    if (!::isatty(fd) || ::tcgetattr(fd, &t) != 0) {
        m_error = device + ": not a terminal device";
        ::close(fd);
        return false;
    }
    // Not shared: an advisory lock keeps out every program that takes it
    // (the superuser included), and TIOCEXCL every other open but the
    // superuser's.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_error = device + ": " + (errno == EWOULDBLOCK ? std::string(kPortInUse) : std::strerror(errno));
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);

    setLineState(params, t);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        m_error = device + ": " + std::strerror(errno);
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_hungUp = false;
    return true;
}

void TermiosPort::close()
{
    if (m_fd < 0)
        return;
    // Bytes still queued (held back by flow control) are dropped: otherwise
    // close() waits for them to drain, for up to half a minute.
    ::tcflush(m_fd, TCIOFLUSH);
    // Release the exclusive hold: another holder of the device (the other end
    // of a pseudo-terminal) would keep it for the next open otherwise.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

IoResult TermiosPort::failure(int error)
{
    m_error = m_hungUp ? std::string(kLineHungUp) : std::strerror(error);
    return { false, 0, error };
}

IoResult TermiosPort::readByte(std::uint8_t& byte, int timeoutMs)
{
    if (m_fd < 0)
        return { false, 0, EBADF };
    // A byte that is waited for (an echo, an answer) is seldom there yet:
    // wait first, so that each byte costs one poll and one read. The wait
    // also tells a hung-up line, whose read() says 0 just like an empty one.
    const int w = waitFor(m_fd, POLLIN, timeoutMs);
    if (w == 0)
        return { true, 0, 0 };
    if (w == -1)
        return failure(errno);
    for (;;) {
        const ssize_t n = ::read(m_fd, &byte, 1);
        if (n == 1)
            return { true, 1, 0 };
        if (n < 0 && errno == EINTR)
            continue;
        if (w == kHungUp || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
            m_hungUp = m_hungUp || w == kHungUp;
            return failure(n < 0 && errno != EAGAIN ? errno : EIO);
        }
        return { true, 0, 0 }; // nothing there, and the wait is over
    }
}

IoResult TermiosPort::writeByte(std::uint8_t byte, int timeoutMs)
{
    if (m_fd < 0)
        return { false, 0, EBADF };
    for (;;) {
        const ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return { true, 1, 0 };
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return failure(errno);
        if (timeoutMs <= 0)
            return { true, 0, 0 };
        const int w = waitFor(m_fd, POLLOUT, timeoutMs);
        if (w == 0)
            return { true, 0, 0 };
        if (w == kHungUp) {
            m_hungUp = true;
            return failure(EIO);
        }
        if (w < 0)
            return failure(errno);
        timeoutMs = 0;
    }
}

void TermiosPort::drainOutput()
{
    if (m_fd >= 0)
        ::tcdrain(m_fd);
}

void TermiosPort::flushInput()
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIFLUSH);
}

std::string portDevicePath(int portIndex, const std::filesystem::path& iniPath)
{
    if (portIndex < 0 || portIndex > 7)
        return {};
    const std::string key = "PORT" + std::to_string(portIndex + 1);
    if (!iniPath.empty()) {
        std::string device = IniFile(iniPath).getString("DEVICES", key);
        if (!device.empty())
            return device;
    }
    return portIndex < 4 ? "/dev/ttyS" + std::to_string(portIndex)
                         : "/dev/ttyUSB" + std::to_string(portIndex - 4);
}

} // namespace zlm
