#pragma once
// The serial devices of this machine, for the user to map a port to: the
// stable names under /dev/serial/by-id first, then the USB adapters (ttyUSB*,
// ttyACM*) and the built-in ports (ttyS*), each group in natural order
// (ttyS2 before ttyS10).
#include <filesystem>
#include <string>
#include <vector>

namespace zlm {

std::vector<std::string> listSerialDevices(const std::filesystem::path& devRoot = "/dev");

// Whether a device can be used as the ECU's line.
enum class DeviceState { Usable, Missing, NotAccessible };

// Missing: no such file; NotAccessible: it exists but this user may not read
// and write it.
DeviceState checkDevice(const std::string& path);

} // namespace zlm
