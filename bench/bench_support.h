#pragma once
// Helpers the benchmarks share: the serial settings of a link to the virtual ECU.
#include "base/app_settings.h"

namespace zlm::bench {

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
