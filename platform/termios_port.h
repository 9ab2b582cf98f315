#pragma once
// SerialPort on a POSIX terminal device (a serial port or a pseudo-terminal):
// raw mode, one byte per call, waiting with poll() so that a time-out of any
// number of milliseconds can be honoured (the terminal's own VTIME counts
// tenths of a second).
#include "platform/serial_port.h"

#include <filesystem>
#include <string>
#include <termios.h>

namespace zlm {

class TermiosPort final : public SerialPort {
public:
    TermiosPort() = default;
    ~TermiosPort() override;
    TermiosPort(const TermiosPort&) = delete;
    TermiosPort& operator=(const TermiosPort&) = delete;

    bool open(const std::string& device, const PortParams& params) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }
    IoResult readByte(std::uint8_t& byte, int timeoutMs) override;
    IoResult writeByte(std::uint8_t byte, int timeoutMs) override;
    void clearError() override { m_error.clear(); }
    void drainOutput() override;
    void flushInput() override;
    std::string lastError() const override { return m_error; }

    // The far end closed the line (POLLHUP): every read and write fails.
    bool hungUp() const { return m_hungUp; }

private:
    // Keeps the system's text for `error` and returns the failed result.
    IoResult failure(int error);
    int m_fd = -1;
    bool m_hungUp = false;
    std::string m_error;
};

// Puts `t` in raw mode with the line state of `params`; false when the
// baud rate or the data bits are not supported.
bool setLineState(const PortParams& params, termios& t);

// Device of "PORT1".."PORT8" (index 0..7): section "DEVICES", key "PORT<n>"
// of the settings file when it is set there, else /dev/ttyS0../dev/ttyS3 for
// PORT1..PORT4 and /dev/ttyUSB0../dev/ttyUSB3 for PORT5..PORT8. Empty for an
// index outside 0..7. An empty `iniPath` means defaults only.
std::string portDevicePath(int portIndex, const std::filesystem::path& iniPath = {});

} // namespace zlm
