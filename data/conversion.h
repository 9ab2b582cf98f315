#pragma once
// Conversion between the raw values the ECU stores (bytes, and 16-bit words
// for some axes) and the physical values the user sees, through the two
// expressions of an AxisDescriptor; the messages for the conversion codes; the
// display formats; and the allowed raw range of a map's current edit target.
#include "data/expression.h"
#include "data/map_definition.h"
#include "base/result.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zlm {

struct DisplayFormats;

// A conversion to a raw value: the code, the evaluated result (also on
// failure: the value accumulated so far) and the raw value cut from it.
struct RawConversion {
    EvalCode code = EvalCode::Ok;
    float value = 0.0f; // the expression's result before truncation
    std::int32_t raw = 0; // truncated toward zero; byte/word: low 8/16 bits
    bool ok() const { return code == EvalCode::Ok; }
};

// Raw to physical: x is the raw value; evaluates the "HEX to Physical" expression.
Evaluation rawByteToPhysical(const AxisDescriptor& axis, std::uint8_t raw);
Evaluation rawWordToPhysical(const AxisDescriptor& axis, std::uint16_t raw);

// Physical to raw byte: code 1 when the result is above 255.0, else 2 when it
// is below 0.0 (these replace the evaluation code); raw = low 8 bits.
RawConversion physicalToRawByte(const AxisDescriptor& axis, float physical);
// Physical to raw integer (32-bit) and word (low 16 bits): evaluation code only.
RawConversion physicalToRawInt(const AxisDescriptor& axis, float physical);
RawConversion physicalToRawWord(const AxisDescriptor& axis, float physical);

// Truncation toward zero to 32 bits; NaN gives 0, values beyond the range saturate.
std::int32_t truncateToInt(float value);

// String id and text of the message for a conversion code.
int conversionMessageId(EvalCode code);
std::string conversionMessage(EvalCode code);
// The report of a failed conversion: caption = captionPrefix + "[" + axis
// name + "]", text = textPrefix + "\n" + the code's message, stop icon.
Message conversionReport(const AxisDescriptor& axis, EvalCode code, std::string_view captionPrefix,
    std::string_view textPrefix);

// The axis's physical range and edit limits, read like "%f" (unreadable text
// gives 0). An empty lower limit is the minimum, an empty upper the maximum.
float axisMinimum(const AxisDescriptor& axis);
float axisMaximum(const AxisDescriptor& axis);
float axisLowerLimit(const AxisDescriptor& axis);
float axisUpperLimit(const AxisDescriptor& axis);

// Display format for a precision: "%.<precision>f" (precision limited to 0..30).
std::string displayFormat(int precision);
DisplayFormats displayFormats(int precisionX, int precisionY, int precisionZ);
// `value` printed with a display format, at most 255 characters. A format
// that is not a single "%f" conversion (with flags, width or precision) is
// replaced by "%.1f", so a hand-edited settings file cannot inject conversions.
std::string formatValue(std::string_view format, float value);
std::string formatX(const DisplayFormats& formats, float value);
std::string formatY(const DisplayFormats& formats, float value);
std::string formatZ(const DisplayFormats& formats, float value);

// The allowed raw range of the map's current edit target (map.edit.part with
// map.edit.line / map.edit.point), stored into map.edit.lowerLimit and
// map.edit.upperLimit and returned. `image` holds the axes' raw values.
struct RawRange {
    int lower = 0;
    int upper = 65535;
    bool operator==(const RawRange&) const = default;
};
RawRange computeAllowedRange(MapDefinition& map, std::span<const std::uint8_t, 65536> image);
// The DATA part's raw limits, the same for every cell of a map (Y descriptor).
RawRange dataRawRange(const AxisDescriptor& y);

} // namespace zlm
