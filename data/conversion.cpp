#include "data/conversion.h"

#include "base/app_settings.h"
#include "data/map_access.h"
#include "res/string_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zlm {
namespace {

constexpr int kMessageDivision = 1001;
constexpr int kMessageExpression = 1000;
constexpr int kMessageAbove = 1002;
constexpr int kMessageBelow = 1003;
constexpr int kMessageNoOperand = 1008;
constexpr std::size_t kMaxFormatted = 255;
constexpr int kMaxPrecision = 30;

RawConversion toRaw(const AxisDescriptor& axis, float physical)
{
    const Evaluation e = evaluate(axis.toRaw, physical);
    return RawConversion { e.code, e.value, truncateToInt(e.value) };
}

int capFor(int width)
{
    return width == 2 ? 65535 : 255;
}

// Accepts "%[flags][width][.precision]f" with optional literal text and "%%".
bool isSafeFormat(std::string_view format)
{
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        ++i;
        if (i < format.size() && format[i] == '%')
            continue;
        while (i < format.size()
            && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
            ++i;
        std::size_t digits = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9' && digits < 3) {
            ++i;
            ++digits;
        }
        if (i < format.size() && format[i] == '.') {
            ++i;
            digits = 0;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9' && digits < 2) {
                ++i;
                ++digits;
            }
        }
        if (i >= format.size() || format[i] != 'f')
            return false;
        ++conversions;
    }
    return conversions == 1;
}

} // namespace

std::int32_t truncateToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483648.0f)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

Evaluation rawByteToPhysical(const AxisDescriptor& axis, std::uint8_t raw)
{
    return evaluate(axis.toPhysical, static_cast<float>(raw));
}

Evaluation rawWordToPhysical(const AxisDescriptor& axis, std::uint16_t raw)
{
    return evaluate(axis.toPhysical, static_cast<float>(raw));
}

RawConversion physicalToRawByte(const AxisDescriptor& axis, float physical)
{
    RawConversion r = toRaw(axis, physical);
    if (r.value > 255.0f)
        r.code = EvalCode::AboveByte;
    else if (r.value < 0.0f)
        r.code = EvalCode::BelowZero;
    r.raw = r.raw & 0xFF;
    return r;
}

RawConversion physicalToRawInt(const AxisDescriptor& axis, float physical)
{
    return toRaw(axis, physical);
}

RawConversion physicalToRawWord(const AxisDescriptor& axis, float physical)
{
    RawConversion r = toRaw(axis, physical);
    r.raw = r.raw & 0xFFFF;
    return r;
}

int conversionMessageId(EvalCode code)
{
    switch (code) {
    case EvalCode::AboveByte:
        return kMessageAbove;
    case EvalCode::BelowZero:
        return kMessageBelow;
    case EvalCode::DivisionByZero:
        return kMessageDivision;
    case EvalCode::MissingParen:
        return kMessageExpression;
    default:
        return kMessageNoOperand;
    }
}

std::string conversionMessage(EvalCode code)
{
    return std::string(loadString(conversionMessageId(code)));
}

Message conversionReport(const AxisDescriptor& axis, EvalCode code, std::string_view captionPrefix,
    std::string_view textPrefix)
{
    Message m;
    m.id = conversionMessageId(code);
    m.icon = Icon::Stop;
    m.caption = std::string(captionPrefix) + "[" + axis.name + "]";
    m.text = std::string(textPrefix) + "\n" + conversionMessage(code);
    return m;
}

float axisMinimum(const AxisDescriptor& axis)
{
    return readReal(axis.minimum);
}
float axisMaximum(const AxisDescriptor& axis)
{
    return readReal(axis.maximum);
}

float axisLowerLimit(const AxisDescriptor& axis)
{
    return axis.lowerLimit.empty() ? axisMinimum(axis) : readReal(axis.lowerLimit);
}

float axisUpperLimit(const AxisDescriptor& axis)
{
    return axis.upperLimit.empty() ? axisMaximum(axis) : readReal(axis.upperLimit);
}

std::string displayFormat(int precision)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%%.%df", std::clamp(precision, 0, kMaxPrecision));
    return buffer;
}

DisplayFormats displayFormats(int precisionX, int precisionY, int precisionZ)
{
    DisplayFormats formats;
    formats.x = displayFormat(precisionX);
    formats.y = displayFormat(precisionY);
    formats.z = displayFormat(precisionZ);
    return formats;
}

std::string formatValue(std::string_view format, float value)
{
    const std::string safe = isSafeFormat(format) ? std::string(format) : std::string("%.1f");
    char buffer[kMaxFormatted + 1];
    std::snprintf(buffer, sizeof buffer, safe.c_str(), static_cast<double>(value));
    return buffer;
}

std::string formatX(const DisplayFormats& formats, float value)
{
    return formatValue(formats.x, value);
}
std::string formatY(const DisplayFormats& formats, float value)
{
    return formatValue(formats.y, value);
}
std::string formatZ(const DisplayFormats& formats, float value)
{
    return formatValue(formats.z, value);
}

RawRange dataRawRange(const AxisDescriptor& y)
{
    const auto word = [&](float physical, int failed) {
        const RawConversion r = physicalToRawWord(y, physical);
        return r.ok() ? r.raw : failed;
    };
    const int rawMax = word(axisMaximum(y), 65535);
    const int rawMin = word(axisMinimum(y), 0);
    const int rawUpper = word(axisUpperLimit(y), 65535);
    const int rawLower = word(axisLowerLimit(y), 0);
    RawRange range;
    range.upper = std::min({ rawMax, rawUpper, capFor(y.width) });
    range.lower = std::max(rawMin, rawLower);
    return range;
}

RawRange computeAllowedRange(MapDefinition& map, std::span<const std::uint8_t, 65536> image)
{
    RawRange range;
    switch (map.edit.part) {
    case EditPart::Data:
        range = dataRawRange(map.y);
        break;
    case EditPart::Rpm: {
        const AxisDescriptor& x = map.x;
        const int count = x.count;
        const int j = map.edit.point;
        if (count > 1) {
            // Kind 2: the points are those of the current row's own X axis.
            const int row = map.edit.line;
            // Like the Z points, X points are strictly increasing.
            if (j > 0)
                range.lower = readXPoint(image, map, row, j - 1) + 1;
            if (j < count - 1)
                range.upper = readXPoint(image, map, row, j + 1) - 1;
        }
        range.upper = std::min(range.upper, capFor(x.width));
        range.lower = std::max(range.lower, 0);
        break;
    }
    case EditPart::Throt: {
        // Z points are strictly increasing: the neighbours themselves are excluded.
        const AxisDescriptor& z = map.z;
        const int count = z.count;
        const int i = map.edit.point;
        if (count > 1) {
            if (i > 0)
                range.lower = readZPoint(image, map, i - 1) + 1;
            if (i < count - 1)
                range.upper = readZPoint(image, map, i + 1) - 1;
        }
        range.upper = std::min(range.upper, capFor(z.width));
        range.lower = std::max(range.lower, 0);
        break;
    }
    case EditPart::None:
        break;
    }
    map.edit.lowerLimit = range.lower;
    map.edit.upperLimit = range.upper;
    return range;
}

} // namespace zlm
