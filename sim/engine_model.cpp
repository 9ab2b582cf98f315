#include "sim/engine_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace zlm::sim {
namespace {

constexpr double kPi = 3.14159265358979;

bool has(std::string_view name, std::string_view word)
{
    std::string lower(name);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(word) != std::string::npos;
}

// 0..1 and back, smoothly, once per `period` seconds.
double wave(double t, double period, double phase = 0.0)
{
    return 0.5 - 0.5 * std::cos(2 * kPi * (t / period + phase));
}

// The rider's cycle: the throttle opens, the engine follows a moment later.
double throttle(double t)
{
    return 100.0 * std::pow(wave(t, 8.0), 1.5);
}

double engineSpeed(double t)
{
    return 1300.0 + 10700.0 * std::pow(wave(t, 8.0, -0.04), 1.2);
}

int gear(double t)
{
    // Up through the box over a minute, then back down.
    const double g = 1.0 + 5.0 * wave(t, 60.0);
    return std::clamp(static_cast<int>(g + 0.5), 1, 6);
}

} // namespace

double engineValue(std::string_view name, double t, bool& known)
{
    known = true;
    const double rpm = engineSpeed(t);
    const double load = throttle(t) / 100.0;
    if (has(name, "engine speed") || has(name, "rpm"))
        return rpm;
    if (has(name, "throttle") || has(name, "tps"))
        return throttle(t);
    if (has(name, "water") || has(name, "coolant"))
        return 95.0 - 70.0 * std::exp(-t / 180.0); // from 25 deg C towards 95
    if (has(name, "air temp"))
        return 35.0 - 10.0 * std::exp(-t / 300.0) + 1.5 * load;
    if (has(name, "battery"))
        return 13.2 + 0.9 * std::min(rpm / 4000.0, 1.0) - 0.1 * wave(t, 3.0);
    if (has(name, "inj"))
        return 1.2 + 7.5 * load + 0.6 * rpm / 12000.0;
    if (has(name, "ign"))
        return 8.0 + 30.0 * (rpm / 12000.0) - 8.0 * load;
    if (has(name, "gear"))
        return gear(t);
    if (has(name, "baro"))
        return 101.3 - 0.2 * wave(t, 90.0);
    if (has(name, "lambda"))
        return 0.86 + 0.14 * (1.0 - load) + 0.02 * std::sin(2 * kPi * t / 0.7);
    if (has(name, "map select"))
        return 1.0;
    if (has(name, "shift"))
        return 0.6 + 3.2 * std::pow(wave(t, 10.0), 8.0);
    if (has(name, "error"))
        return 0.0;
    if (has(name, "run time"))
        return t / 60.0;
    if (has(name, "fuel trim"))
        return 3.0 * std::sin(2 * kPi * t / 11.0);
    if (has(name, "knock"))
        return load > 0.85 && rpm > 9000.0 ? 2.0 * wave(t, 0.9) : 0.0;
    if (has(name, "vehicle speed") || has(name, "km/h"))
        return rpm / 12000.0 * 40.0 * gear(t);
    known = false;
    return wave(t, 5.0);
}

std::uint32_t engineRaw(std::string_view name, double factor, double offset,
                        std::uint32_t fullRaw, double seconds)
{
    bool known = false;
    const double value = engineValue(name, seconds, known);
    double raw = known ? (factor != 0.0 ? (value - offset) / factor : 0.0) : value * fullRaw;
    if (!std::isfinite(raw))
        raw = 0.0;
    raw = std::clamp(std::round(raw), 0.0, static_cast<double>(fullRaw));
    return static_cast<std::uint32_t>(raw);
}

} // namespace zlm::sim
