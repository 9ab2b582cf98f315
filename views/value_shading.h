#pragma once
// The tint of a DATA cell by its value, from the map's lowest value (cool, a
// light blue) to its highest (warm, a light orange). The tints lie on a
// straight line in the OKLab colour space, so equal steps of value look like
// equal steps of colour; lightness, the blue-yellow and the red-green
// component all change one way along it, so the order stays visible to
// readers who lack one kind of cone, and every tint is light enough for black
// text (contrast above 9:1).
#include <cstdint>

namespace zlm {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// `t` from 0 (lowest value) to 1 (highest); kept to that range.
Rgb shadeColour(double t);

// Where `value` lies between `lowest` and `highest` (0.5 when they are equal).
double shadePosition(double value, double lowest, double highest);

// WCAG contrast ratio of black text on `colour` (1 to 21).
double blackTextContrast(Rgb colour);

} // namespace zlm
