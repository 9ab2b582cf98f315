#pragma once
// The "Calib" section of the ECU definition: one calibration constant per line,
// fields Address, Byte, Contents, LSB, Offset, Unit, Calc and the optional
// read-only flag, lower and upper limit. The CSV export, the data exchange and
// the constants list all read the section through this one parser and pick the
// fields they need.
#include "base/line_list.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

struct CalibLine {
    std::size_t lineIndex = 0;        // index of the line in the definition lines
    std::vector<std::string> fields;  // every comma-separated field, trimmed

    // Field `n` (0-based) as written, empty when the line has fewer fields.
    std::string_view field(std::size_t n) const;
    std::string_view address() const { return field(0); }
    std::string_view byte() const { return field(1); }
    std::string_view contents() const { return field(2); }
    std::string_view lsb() const { return field(3); }
    std::string_view offset() const { return field(4); }
    std::string_view unit() const { return field(5); }
    std::string_view calc() const { return field(6); }
    std::string_view readOnly() const { return field(7); }
    std::string_view lowerLimit() const { return field(8); }
    std::string_view upperLimit() const { return field(9); }
    // The seven fields every reader but the constants list insists on.
    bool hasAllFields() const { return fields.size() >= 7; }
};

// Every line of the "Calib" section (blank and comment lines skipped), in file
// order, up to the next section header. Empty when the section is missing.
std::vector<CalibLine> readCalibSection(const LineList& definition);

// Number readers with the C library's scanning rules ("%f", "%d", "%X"):
// leading blanks skipped, reading stops at the first character that cannot
// continue the number. Used where the definition's numbers are read that way.
namespace scan {
// Single precision like "%f"; 0 when the text does not start with a number.
float real(std::string_view s);
// Like "%d"; nothing when the text does not start with a number.
std::optional<long> integer(std::string_view s);
// Like "%X"; nothing when the text does not start with a hexadecimal digit.
std::optional<unsigned long> hex(std::string_view s);
} // namespace scan

// Result of looking a constant up by name.
enum class ConstantLookup {
    Found = 0,
    NotFound = 1,     // no line with that Contents
    BadAddress = 2,   // Address not valid hexadecimal (or the value would leave the image)
    SizeMismatch = 3, // Byte differs from the size asked for
};

struct ConstantInfo {
    ConstantLookup result = ConstantLookup::NotFound;
    std::uint16_t address = 0;
    float lsb = 0.0f;    // read like "%f"
    float offset = 0.0f; // read like "%f"
    int calc = 0;        // decimal; 0 when missing
};

// The first "Calib" line with all seven fields whose Contents equals
// `contents` exactly (case matters), checked against the expected size in
// bytes (1 or 2). Shorter lines are passed over.
ConstantInfo findConstant(const LineList& definition, std::string_view contents, int byteSize);

} // namespace zlm
