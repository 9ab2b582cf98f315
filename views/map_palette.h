#pragma once
// The colours of the map window's curves: line i takes colour i modulo the
// palette. The colours were chosen to stay apart from each other on a white
// graph for normal colour vision and for protanopia, deuteranopia and
// tritanopia alike, with at least 3:1 contrast to white, and away from the
// grid's grey and the red of the RPM marker. Neighbouring lines, which lie
// next to each other in the graph, take colours that differ the most.
#include <array>
#include <cstdint>

namespace zlm {

struct LineColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

inline constexpr std::array<LineColour, 16> kLinePalette { {
    { 0x00, 0x72, 0xB2 }, // blue
    { 0x5A, 0x00, 0x2D }, // wine
    { 0x96, 0x87, 0x96 }, // lilac grey
    { 0x96, 0x00, 0x0F }, // dark red
    { 0x5A, 0x4B, 0x69 }, // slate purple
    { 0x2D, 0x96, 0xFF }, // sky blue
    { 0x87, 0x96, 0x69 }, // sage
    { 0x00, 0x3C, 0x3C }, // dark teal
    { 0x00, 0x00, 0xFF }, // pure blue
    { 0x5A, 0x87, 0x2D }, // leaf green
    { 0xE1, 0x4B, 0x87 }, // pink
    { 0x4B, 0x00, 0x5A }, // aubergine
    { 0x4B, 0x5A, 0x3C }, // olive
    { 0xC3, 0x00, 0x96 }, // magenta
    { 0x00, 0x00, 0xA5 }, // navy
    { 0x87, 0x69, 0x69 }, // taupe
} };

// The colour of line `line` (any index, negative counts as 0).
constexpr LineColour lineColour(int line)
{
    return kLinePalette[static_cast<std::size_t>(line < 0 ? 0 : line) % kLinePalette.size()];
}

} // namespace zlm
