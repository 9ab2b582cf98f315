#pragma once
// Calibration constants (the definition's "Calib" lines): the raw value in
// the image, its physical value by the constant's conversion rule (Calc), the
// way back with its range and limits, and the texts the constants list and the
// CSV export show. The CSV export and the constants list share every
// conversion here, so both show the same number for the same byte.
#include "base/line_list.h"
#include "base/result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

struct CalibLine;

// Conversion of one constant. size: 2 for a big-endian word, anything else a
// byte. calc: 2 reciprocal (engine speed from a period), 3 signed (two's
// complement raw value), 4 reciprocal with a fixed offset, anything else
// linear: offset + raw x lsb.
struct ConstantScaling {
    int size = 1;
    float lsb = 1.0f;
    float offset = 0.0f;
    int calc = 1;
};

// The raw value at `address`: a byte, or for size 2 the big-endian word at
// address and address + 1 (the address wraps within the image).
std::uint32_t constantRaw(
    std::span<const std::uint8_t, 65536> image, std::uint16_t address, int size);

// Raw to physical, in single precision:
//   2: offset x 1,000,000 / (raw x lsb x 6); offset x 1,000,000 for raw 0 or lsb 0
//   3: size 1 and raw >= 128: -offset - lsb x (256 - raw);
//      size 2 and raw >= 0x8000: -offset - lsb x (65536 - raw); else linear
//   4: 30,000,000 / (offset + raw x lsb + 2068) - 14506.769825918762,
//      29985494 when the divisor is 0
//   other: offset + raw x lsb
float constantPhysical(const ConstantScaling& scaling, std::uint32_t raw);

// The largest raw value of a constant: 255, or 65535 for size 2.
std::uint32_t constantRawMax(const ConstantScaling& scaling);

// Physical to raw, before any limit:
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

// --- the constants list --------------------------------------------------------------

// Caption of every message of the constants list (string 2002).
inline constexpr int kConstantsCaptionId = 2002;

// One row of the constants list: a "Calib" line with at least the six fields
// Address (hex), Byte (decimal), Contents, LSB, Offset and Unit. Calc is 1
// when missing, the read-only flag 0.
struct ConstantRow {
    std::size_t lineIndex = 0; // index of the line in the definition lines
    std::uint16_t address = 0;
    ConstantScaling scaling;
    std::string contents;
    std::string unit;
    bool readOnly = false;
    std::optional<float> lower; // limits of the physical value (fields 9 and 10)
    std::optional<float> upper;
};

// The row of a "Calib" line, or nothing when the line is not listed. A value
// that would not lie inside the 64 KiB image (an address above 0xFFFF, or a
// word at 0xFFFF) is not listed either: it could only be stored wrapped.
std::optional<ConstantRow> constantRow(const CalibLine& line);
// Every listed row of the definition's "Calib" section, in file order.
std::vector<ConstantRow> constantRows(const LineList& definition);

// Raw value of a row in an image, and the texts of its value, raw and address fields.
std::uint32_t rowRaw(const ConstantRow& row, std::span<const std::uint8_t, 65536> image);
std::string rowValueText(const ConstantRow& row, std::uint32_t raw); // physical, editor rule
std::string rowRawText(const ConstantRow& row, std::uint32_t raw);   // "%02X" or "%04X"
std::string rowAddressText(const ConstantRow& row);                   // "%04X"
// Stores `raw` (its low byte, or for a word both bytes big-endian) into an image.
void storeRowRaw(const ConstantRow& row, std::uint32_t raw, std::span<std::uint8_t, 65536> image);

// The range an input is clamped to: [low, high] in physical units.
struct PhysicalRange {
    float low = 0.0f;
    float high = 0.0f;
    bool contains(float v) const { return v >= low && v <= high; }
};

// The representable range of a linear, Calc 2 or Calc 4 constant, narrowed by
// its limits (ends put in ascending order).
PhysicalRange constantRange(const ConstantRow& row);
// Calc 3 keeps two ranges: negative raw values and non-negative ones. A
// negative limit narrows the negative range only for a negative input.
struct SignedRanges {
    PhysicalRange negative;
    PhysicalRange positive;
};
SignedRanges signedRanges(const ConstantRow& row, bool negativeInput);

// What the range rule makes of a typed physical value.
struct RangeResult {
    double raw = 0.0;      // before rounding; Calc 3 negative values are negative
    bool clamped = false;  // the value lay outside the range
    // 1525 or 1531 when both limits are given and the value lay outside them.
    std::optional<Message> message;
};
RangeResult applyRange(const ConstantRow& row, float value);

// What committing a field's text does. Stored: `raw` (masked to the size,
// two's complement for a negative Calc 3 value) goes into the image.
// Refused: the field shows the stored value again.
struct ConstantCommit {
    bool stored = false;
    std::uint32_t raw = 0;
    bool clamped = false; // stored after clamping to the range
    std::optional<Message> message; // refusal or range message (caption 2002, exclamation)
};

// A typed physical value: digits and "." with "+" or "-" only first
// ("Including wrong word" 1506 otherwise), read like "%f" (at most 254
// characters), then the range rule. A whole number past the size gives 1002
// (byte) or 1006 (word).
ConstantCommit commitValueText(const ConstantRow& row, std::string_view text);
// A typed raw value: hexadecimal digits only (empty reads as 0; 1506
// otherwise); a byte above 0xFF gives 1002, a word above 0xFFFF 1006, raw 0 of
// a Calc 2 constant 1007 "Cannot input 0".
ConstantCommit commitRawText(const ConstantRow& row, std::string_view text);

// Page Up (`up`) or Page Down: the raw value one step towards a larger
// (smaller) physical value; Calc 2 and 4 fall with raw. Nothing at the end.
std::optional<std::uint32_t> stepRaw(const ConstantRow& row, std::uint32_t raw, bool up);

} // namespace zlm
