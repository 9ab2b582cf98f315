#include "platform/serial_devices.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <unistd.h>

namespace zlm {
namespace {

// "ttyS10" after "ttyS2": the trailing number compares as a number.
bool naturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        std::size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1])))
            --digits;
        const std::string tail = s.substr(digits);
        return std::make_pair(s.substr(0, digits), tail.empty() ? -1L : std::stol(tail.substr(0, 9)));
    };
    return split(a) < split(b);
}

std::vector<std::string> entries(const std::filesystem::path& dir, const std::string& prefix)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(prefix) && name.size() > prefix.size())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

} // namespace

std::vector<std::string> listSerialDevices(const std::filesystem::path& devRoot)
{
    std::vector<std::string> devices;
    for (const std::string& name : entries(devRoot / "serial" / "by-id", ""))
        devices.push_back((devRoot / "serial" / "by-id" / name).string());
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"})
        for (const std::string& name : entries(devRoot, prefix))
            devices.push_back((devRoot / name).string());
    return devices;
}

DeviceState checkDevice(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec))
        return DeviceState::Missing;
    return ::access(path.c_str(), R_OK | W_OK) == 0 ? DeviceState::Usable
                                                    : DeviceState::NotAccessible;
}

} // namespace zlm
