#pragma once
// A serial port moved one byte at a time, with a time-out per call. The ECU
// link talks to this interface only, so the POSIX driver, a pseudo-terminal
// and any fake a test needs all sit behind it.
#include <cstdint>
#include <memory>
#include <string>

namespace zlm {

// lastError() of an open refused because another program has the port.
inline constexpr const char* kPortInUse = "port is in use by another program";
// lastError() after the far end hung up the line.
inline constexpr const char* kLineHungUp = "the line was hung up";

enum class Parity { None = 0, Odd = 1, Even = 2 };
enum class StopBits { One = 0, OneAndHalf = 1, Two = 2 };

// Line state of an open port.
struct PortParams {
    int baud = 4800; // one of the standard rates
    int dataBits = 8; // 7 or 8
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool xonXoff = false; // software flow control, both directions
    bool ctsFlow = true; // hardware output flow control
};

// What one byte read or write did: the driver's success, the bytes moved
// (0 or 1) and the error code (errno, 0 on success), as the link logs them.
struct IoResult {
    bool ok = false;
    int count = 0;
    int error = 0;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens an existing device exclusively and sets the line state. On failure
    // the port stays closed and lastError() says why.
    virtual bool open(const std::string& device, const PortParams& params) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Waits at most `timeoutMs` for one byte; returns as soon as one is there.
    // count 0 with ok true: nothing arrived in time. A hung-up line fails at
    // once (error EIO).
    virtual IoResult readByte(std::uint8_t& byte, int timeoutMs) = 0;
    // Hands one byte to the driver, waiting at most `timeoutMs` for room.
    virtual IoResult writeByte(std::uint8_t byte, int timeoutMs) = 0;
    // Clears the driver's error state (and nothing else).
    virtual void clearError() = 0;
    // Waits until every written byte has left.
    virtual void drainOutput() = 0;
    // Throws away received bytes not yet read.
    virtual void flushInput() = 0;

    virtual std::string lastError() const = 0;
};

// The POSIX termios driver (platform/termios_port.h).
std::unique_ptr<SerialPort> makeTermiosPort();

} // namespace zlm
