#pragma once
// Colour measures the tests judge drawn colours by, written out from the sRGB
// and WCAG formulas rather than taken from the code under test.
#include <cmath>

namespace zlm::test {

// An sRGB channel (0..255) as linear light (0..1).
inline double linearSrgb(int channel)
{
    const double s = channel / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

// Relative luminance (0 black .. 1 white), as contrast ratios use it.
inline double relativeLuminance(int red, int green, int blue)
{
    return 0.2126 * linearSrgb(red) + 0.7152 * linearSrgb(green) + 0.0722 * linearSrgb(blue);
}

} // namespace zlm::test
