#pragma once
// Helpers the benchmarks share: generated S-record lines and the serial
// settings of a link to the virtual ECU.
#include "base/app_settings.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace zlm::bench {

// One S1 record of `count` bytes at `address`, with its checksum.
inline std::string record(unsigned address, const std::uint8_t* data, unsigned count)
{
    char text[16];
    unsigned sum = count + 3 + (address >> 8) + (address & 0xFF);
    std::snprintf(text, sizeof text, "S1%02X%04X", count + 3, address);
    std::string line = text;
    for (unsigned i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02X", data[i]);
        line += text;
        sum += data[i];
    }
    std::snprintf(text, sizeof text, "%02X", ~sum & 0xFF);
    return line + text;
}

// The first port at 19200 baud with flow control, as the benchmarks run it.
inline SerialSettings ptySerial()
{
    SerialSettings serial;
    serial.portIndex = 0;
    serial.speedIndex = 5; // 19200
    serial.flowIndex = 1;
    return serial;
}

} // namespace zlm::bench
