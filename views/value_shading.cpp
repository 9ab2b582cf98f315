#include "views/value_shading.h"

#include <algorithm>
#include <cmath>

namespace zlm {

namespace {

struct OkLab {
    double l = 0.0;
    double a = 0.0;
    double b = 0.0;
};

constexpr OkLab kCool { 0.85, -0.03, -0.07 };
constexpr OkLab kWarm { 0.77, 0.08, 0.10 };

double encode(double linear)
{
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

double decode(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

std::uint8_t byteOf(double encoded)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(encoded, 0.0, 1.0) * 255.0));
}

} // namespace

Rgb shadeColour(double t)
{
    t = std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.5;
    const OkLab c { kCool.l + (kWarm.l - kCool.l) * t, kCool.a + (kWarm.a - kCool.a) * t,
        kCool.b + (kWarm.b - kCool.b) * t };
    // OKLab to linear sRGB (Björn Ottosson's matrices).
    const double l = std::pow(c.l + 0.3963377774 * c.a + 0.2158037573 * c.b, 3);
    const double m = std::pow(c.l - 0.1055613458 * c.a - 0.0638541728 * c.b, 3);
    const double s = std::pow(c.l - 0.0894841775 * c.a - 1.2914855480 * c.b, 3);
    const double r = 4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s;
    const double g = -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s;
    const double b = -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s;
    return { byteOf(encode(r)), byteOf(encode(g)), byteOf(encode(b)) };
}

double shadePosition(double value, double lowest, double highest)
{
    if (!(highest > lowest))
        return 0.5;
    return std::clamp((value - lowest) / (highest - lowest), 0.0, 1.0);
}

double blackTextContrast(Rgb colour)
{
    const double luminance = 0.2126 * decode(colour.r / 255.0) + 0.7152 * decode(colour.g / 255.0)
        + 0.0722 * decode(colour.b / 255.0);
    return (luminance + 0.05) / 0.05;
}

} // namespace zlm
