#pragma once
// Calibration constants (the definition's "Calib" lines): the raw value in
// the image and its physical value by the constant's conversion rule (Calc),
// shared by the CSV export and the constants list editor so that both show
// the same number for the same byte.
#include <cstdint>
#include <span>
#include <string>

namespace zlm {

// Conversion of one constant. size: 2 for a big-endian word, anything else a
// byte. calc: 2 reciprocal (engine speed from a period), 3 signed (two's
// complement raw value), 4 reciprocal with a fixed offset (editor only),
// anything else linear: offset + raw x lsb.
struct ConstantScaling {
    int size = 1;
    float lsb = 1.0f;
    float offset = 0.0f;
    int calc = 1;
};

// Which set of rules applies: the CSV export knows Calc 2 and 3 only and
// writes every other Calc linear; the editor also knows Calc 4.
enum class ConstantRules { Export, Editor };

// The raw value at `address`: a byte, or for size 2 the big-endian word at
// address and address + 1 (the address wraps within the image).
std::uint32_t constantRaw(
    std::span<const std::uint8_t, 65536> image, std::uint16_t address, int size);

// Raw to physical, rounded to single precision:
//   2: offset x 1,000,000 / (raw x lsb x 6); offset x 1,000,000 for raw 0 or lsb 0
//   3: size 1 and raw >= 128: -offset - lsb x (256 - raw);
//      size 2 and raw >= 0x8000: -offset - lsb x (65536 - raw); else linear
//   4 (editor): 30,000,000 / (offset + raw x lsb + 2068) - 14506.769825918762,
//      29985494 when the divisor is 0
//   other: offset + raw x lsb
float constantPhysical(const ConstantScaling& scaling, std::uint32_t raw, ConstantRules rules);

// The largest raw value of a constant: 255, or 65535 for size 2.
std::uint32_t constantRawMax(const ConstantScaling& scaling);

// Physical to raw by the editor's inverse rules, before any limit:
//   2: offset x 1,000,000 / (v x lsb x 6) (offset x 1,000,000 for v or lsb 0)
//   3: (v + offset) / lsb for v < 0, else (v - offset) / lsb
//   4: (30,000,000 / (v + 14506.769825918762) - 2068 - offset) / lsb,
//      (29997932 - offset) / lsb when v + 14506.769825918762 is 0
//   other: (v - offset) / lsb
double constantRawEstimate(const ConstantScaling& scaling, float value);
// The estimate limited to [1, max] for Calc 2 and [0, max] otherwise, then
// rounded to a whole number the way "%.0f" prints it (ties to even).
std::uint32_t constantToRaw(const ConstantScaling& scaling, float value);

// CSV text of a physical value: "%.8f"; all-zero decimals give the integer
// part alone ("16"); otherwise with k characters before the point (sign
// included) 8 - k decimals when k < 8 ("12.500000", "0.2500000"), else the
// "%.8f" text without its trailing zeros.
std::string constantExportText(float value);

// The constants list's text of a physical value: the integer part alone when
// the eight decimals are zero, else two decimals, rounded half up at the
// third decimal for positive values and cut toward zero for negative ones.
std::string constantEditorText(float value);

} // namespace zlm
