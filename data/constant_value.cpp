#include "data/constant_value.h"

#include "data/expression.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zlm {
namespace {

constexpr float kMillion = 1000000.0f;
constexpr double kReciprocalShift = 14506.769825918762;
constexpr float kReciprocalScale = 30000000.0f;
constexpr float kReciprocalBase = 2068.0f;
constexpr float kReciprocalAtZero = 29985494.0f;
constexpr float kReciprocalInverseAtZero = 29997932.0f;

std::string printFixed(double value, int decimals)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::max(decimals, 0), value);
    return buffer;
}

// The value with eight decimals, cut to its whole part when they are all zero.
std::string eightDecimals(double value)
{
    std::string text = printFixed(value, 8);
    const auto point = text.find('.');
    if (point != std::string::npos
        && std::all_of(text.begin() + point + 1, text.end(), [](char c) { return c == '0'; }))
        text.resize(point);
    return text;
}

} // namespace

std::uint32_t constantRaw(
    std::span<const std::uint8_t, 65536> image, std::uint16_t address, int size)
{
    if (size == 2)
        return static_cast<std::uint32_t>(
            image[address] << 8 | image[static_cast<std::uint16_t>(address + 1)]);
    return image[address];
}

std::uint32_t constantRawMax(const ConstantScaling& scaling)
{
    return scaling.size == 2 ? 0xFFFFu : 0xFFu;
}

float constantPhysical(const ConstantScaling& s, std::uint32_t raw, ConstantRules rules)
{
    const float n = static_cast<float>(raw);
    switch (s.calc) {
    case 2:
        if (raw == 0 || s.lsb == 0.0f)
            return s.offset * kMillion;
        return s.offset * kMillion / (n * s.lsb * 6.0f);
    case 3:
        if (s.size == 2 && raw >= 0x8000)
            return -s.offset - s.lsb * static_cast<float>(65536 - raw);
        if (s.size != 2 && raw >= 128)
            return -s.offset - s.lsb * static_cast<float>(256 - raw);
        break;
    case 4:
        if (rules == ConstantRules::Editor) {
            const float x = s.offset + n * s.lsb + kReciprocalBase;
            if (x == 0.0f)
                return kReciprocalAtZero;
            return static_cast<float>(static_cast<double>(kReciprocalScale / x) - kReciprocalShift);
        }
        break;
    default:
        break;
    }
    return s.offset + n * s.lsb;
}

double constantRawEstimate(const ConstantScaling& s, float v)
{
    switch (s.calc) {
    case 2:
        if (v == 0.0f || s.lsb == 0.0f)
            return s.offset * kMillion;
        return s.offset * kMillion / (v * s.lsb * 6.0f);
    case 3:
        return v < 0.0f ? (v + s.offset) / s.lsb : (v - s.offset) / s.lsb;
    case 4: {
        const double w = static_cast<double>(v) + kReciprocalShift;
        if (w == 0.0)
            return (kReciprocalInverseAtZero - s.offset) / s.lsb;
        return (static_cast<float>(kReciprocalScale / w) - kReciprocalBase - s.offset) / s.lsb;
    }
    default:
        return (v - s.offset) / s.lsb;
    }
}

std::uint32_t constantToRaw(const ConstantScaling& s, float value)
{
    const double low = s.calc == 2 ? 1.0 : 0.0;
    const double high = constantRawMax(s);
    double raw = constantRawEstimate(s, value);
    if (std::isnan(raw))
        raw = low;
    raw = std::clamp(raw, low, high);
    return static_cast<std::uint32_t>(std::nearbyint(raw));
}

std::string constantExportText(float value)
{
    const std::string text = eightDecimals(value);
    const auto point = text.find('.');
    if (point == std::string::npos)
        return text;
    const auto before = static_cast<int>(point);
    if (before < 8)
        return printFixed(value, 8 - before);
    return text.substr(0, text.find_last_not_of('0') + 1);
}

std::string constantEditorText(float value)
{
    const std::string text = eightDecimals(value);
    const auto point = text.find('.');
    if (point == std::string::npos)
        return text;
    const float c = readReal(printFixed(value, 8 - static_cast<int>(point)));
    const float thousandths = std::trunc(c * 1000.0f);
    const float hundredths = std::trunc(c * 100.0f);
    const double shown
        = (std::fmod(thousandths, 10.0f) < 5.0f ? hundredths : hundredths + 1.0f) * 0.01;
    return printFixed(shown, 2);
}

} // namespace zlm
