#include "data/constant_value.h"

#include "data/calib.h"
#include "data/expression.h"
#include "res/string_table.h"

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

float constantPhysical(const ConstantScaling& s, std::uint32_t raw)
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
    case 4: {
        const float x = s.offset + n * s.lsb + kReciprocalBase;
        if (x == 0.0f)
            return kReciprocalAtZero;
        return static_cast<float>(static_cast<double>(kReciprocalScale / x) - kReciprocalShift);
    }
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


// --- the constants list --------------------------------------------------------------

namespace {

constexpr std::size_t kMaxValueText = 254;

Message constantsMessage(int id, std::string text = {})
{
    Message m = messageFor(id, Icon::Exclamation, std::string(loadString(kConstantsCaptionId)));
    if (!text.empty())
        m.text = std::move(text);
    return m;
}

std::optional<float> optionalReal(std::string_view field)
{
    if (field.empty())
        return std::nullopt;
    return scan::real(field);
}

PhysicalRange ascending(float a, float b)
{
    return a <= b ? PhysicalRange { a, b } : PhysicalRange { b, a };
}

void putInOrder(PhysicalRange& r)
{
    if (r.low > r.high)
        std::swap(r.low, r.high);
}

bool falling(const ConstantScaling& s)
{
    return s.calc == 2 || s.calc == 4;
}

std::uint32_t sizeMask(const ConstantScaling& s)
{
    return constantRawMax(s);
}

// A whole raw value (negative for a signed value) as the image holds it.
std::uint32_t toStored(const ConstantScaling& s, long long n)
{
    return static_cast<std::uint32_t>(n) & sizeMask(s);
}

std::string printRange(int id, std::initializer_list<double> values)
{
    const std::string_view format = loadString(id);
    const std::string f(format);
    std::vector<double> v(values);
    char buffer[512];
    if (id == 1525)
        std::snprintf(buffer, sizeof buffer, f.c_str(), v[0], v[1], v[2], v[3]);
    else
        std::snprintf(buffer, sizeof buffer, f.c_str(), v[0], v[1], v[2], v[3], v[4], v[5]);
    return buffer;
}

// The nearer end of `range` for a value outside it, its raw value, then one
// step back into the range when rounding left it outside. `toRaw` gives the
// whole raw value of an end, `lowest`/`highest` bound the step.
template <typename ToRaw>
long long clampInto(const ConstantScaling& s, const PhysicalRange& range, float v, ToRaw toRaw,
    long long lowest, long long highest, bool fallingRule)
{
    const bool below = v < range.low;
    long long raw = toRaw(below ? range.low : range.high);
    const float p = constantPhysical(s, toStored(s, raw));
    const long long towardsHigher = fallingRule ? -1 : 1;
    if (below && p < range.low) {
        const long long next = raw + towardsHigher;
        if (next >= lowest && next <= highest)
            raw = next;
    } else if (!below && p > range.high) {
        const long long next = raw - towardsHigher;
        if (next >= lowest && next <= highest)
            raw = next;
    }
    return raw;
}

} // namespace

std::optional<ConstantRow> constantRow(const CalibLine& line)
{
    if (line.fields.size() < 6)
        return std::nullopt;
    const auto address = text::parseHex(line.address());
    const auto size = text::parseDecimal(line.byte());
    if (!address || !size)
        return std::nullopt;
    ConstantRow row;
    row.lineIndex = line.lineIndex;
    row.scaling.size = *size == 2 ? 2 : 1;
    if (*address + (row.scaling.size == 2 ? 1u : 0u) > 0xFFFF)
        return std::nullopt;
    row.address = static_cast<std::uint16_t>(*address);
    row.scaling.lsb = scan::real(line.lsb());
    row.scaling.offset = scan::real(line.offset());
    row.scaling.calc = static_cast<int>(scan::integer(line.calc()).value_or(1));
    row.contents = std::string(line.contents());
    row.unit = std::string(line.unit());
    row.readOnly = scan::integer(line.readOnly()).value_or(0) == 1;
    row.lower = optionalReal(line.lowerLimit());
    row.upper = optionalReal(line.upperLimit());
    return row;
}

std::vector<ConstantRow> constantRows(const LineList& definition)
{
    std::vector<ConstantRow> rows;
    for (const CalibLine& line : readCalibSection(definition))
        if (auto row = constantRow(line))
            rows.push_back(std::move(*row));
    return rows;
}

std::uint32_t rowRaw(const ConstantRow& row, std::span<const std::uint8_t, 65536> image)
{
    return constantRaw(image, row.address, row.scaling.size);
}

std::string rowValueText(const ConstantRow& row, std::uint32_t raw)
{
    return constantEditorText(constantPhysical(row.scaling, raw));
}

std::string rowRawText(const ConstantRow& row, std::uint32_t raw)
{
    char text[16];
    std::snprintf(text, sizeof text, row.scaling.size == 2 ? "%04X" : "%02X", raw & sizeMask(row.scaling));
    return text;
}

std::string rowAddressText(const ConstantRow& row)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", row.address);
    return text;
}

void storeRowRaw(const ConstantRow& row, std::uint32_t raw, std::span<std::uint8_t, 65536> image)
{
    if (row.scaling.size == 2) {
        image[row.address] = static_cast<std::uint8_t>(raw >> 8);
        image[static_cast<std::uint16_t>(row.address + 1)] = static_cast<std::uint8_t>(raw);
    } else {
        image[row.address] = static_cast<std::uint8_t>(raw);
    }
}

PhysicalRange constantRange(const ConstantRow& row)
{
    const ConstantScaling& s = row.scaling;
    const std::uint32_t max = constantRawMax(s);
    PhysicalRange r;
    if (s.calc == 2)
        r = ascending(constantPhysical(s, max), constantPhysical(s, 1));
    else if (s.calc == 4)
        r = ascending(constantPhysical(s, max), constantPhysical(s, 0));
    else
        r = ascending(s.offset, s.offset + s.lsb * static_cast<float>(max));
    if (row.lower && *row.lower > r.low)
        r.low = *row.lower;
    if (row.upper && *row.upper < r.high)
        r.high = *row.upper;
    putInOrder(r);
    return r;
}

SignedRanges signedRanges(const ConstantRow& row, bool negativeInput)
{
    const ConstantScaling& s = row.scaling;
    const float k = s.lsb;
    const float c = s.offset;
    const float most = s.size == 2 ? 32768.0f : 128.0f;
    SignedRanges r;
    r.negative = ascending(-most * k - c, -k - c);
    r.positive = ascending(c, (most - 1.0f) * k + c);
    if (r.negative.low > r.positive.low)
        std::swap(r.negative, r.positive);
    if (row.lower) {
        const float lower = *row.lower;
        if (lower >= 0.0f && lower > r.positive.low)
            r.positive.low = lower;
        if (negativeInput && lower < 0.0f && lower > r.negative.low)
            r.negative.low = lower;
    }
    if (row.upper) {
        const float upper = *row.upper;
        if (upper >= 0.0f && upper < r.positive.high)
            r.positive.high = upper;
        if (negativeInput && upper < 0.0f && upper < r.negative.high)
            r.negative.high = upper;
    }
    putInOrder(r.negative);
    putInOrder(r.positive);
    return r;
}

RangeResult applyRange(const ConstantRow& row, float v)
{
    const ConstantScaling& s = row.scaling;
    const long long max = constantRawMax(s);
    const bool bothLimits = row.lower && row.upper;
    RangeResult result;
    auto wholeRaw = [&s](float e) { return static_cast<long long>(constantToRaw(s, e)); };

    if (s.calc != 3) {
        const PhysicalRange range = constantRange(row);
        if (range.contains(v)) {
            result.raw = constantToRaw(s, v);
            return result;
        }
        // Calc 2 never stores raw 0, the value its reciprocal cannot reach.
        const long long lowest = s.calc == 2 ? 1 : 0;
        result.raw = static_cast<double>(clampInto(s, range, v, wholeRaw, lowest, max, falling(s)));
        result.clamped = true;
        if (bothLimits && (v < *row.lower || v > *row.upper)) {
            const float set = constantPhysical(s, toStored(s, static_cast<long long>(result.raw)));
            result.message = constantsMessage(
                1525, printRange(1525, { v, *row.lower, *row.upper, set }));
        }
        return result;
    }

    const bool negative = v < 0.0f;
    const SignedRanges ranges = signedRanges(row, negative);
    const PhysicalRange& range = negative ? ranges.negative : ranges.positive;
    if (range.contains(v)) {
        result.raw = negative ? (v + s.offset) / s.lsb : (v - s.offset) / s.lsb;
        return result;
    }
    if (negative) {
        // A negative value stays negative: the nearer end of the negative range.
        const long long most = s.size == 2 ? 32768 : 128;
        auto negativeRaw = [&s, most](float e) {
            const double r = std::nearbyint(static_cast<double>((e + s.offset) / s.lsb));
            if (std::isnan(r))
                return -1LL;
            return static_cast<long long>(std::clamp(r, -static_cast<double>(most), -1.0));
        };
        result.raw = static_cast<double>(clampInto(s, range, v, negativeRaw, -most, -1, false));
    } else {
        result.raw = static_cast<double>(clampInto(s, range, v, wholeRaw, 0, max, false));
    }
    result.clamped = true;
    if (bothLimits && !ranges.negative.contains(v) && !ranges.positive.contains(v)) {
        const float set = constantPhysical(s, toStored(s, static_cast<long long>(result.raw)));
        result.message = constantsMessage(1531,
            printRange(1531, { v, ranges.negative.low, ranges.negative.high, ranges.positive.low,
                                 ranges.positive.high, set }));
    }
    return result;
}

ConstantCommit commitValueText(const ConstantRow& row, std::string_view text)
{
    text = text.substr(0, std::min(text.size(), kMaxValueText));
    ConstantCommit commit;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool sign = (c == '+' || c == '-') && i == 0;
        if (!sign && c != '.' && !std::isdigit(static_cast<unsigned char>(c))) {
            commit.message = constantsMessage(1506);
            return commit;
        }
    }
    const RangeResult range = applyRange(row, scan::real(text));
    const double rounded = std::nearbyint(range.raw);
    const auto n = static_cast<long long>(rounded);
    commit.clamped = range.clamped;
    if (range.message) {
        commit.stored = true;
        commit.raw = toStored(row.scaling, n);
        commit.message = range.message;
        return commit;
    }
    if (row.scaling.size != 2 && n >= 256) {
        commit.message = constantsMessage(1002);
        return commit;
    }
    if (n >= 0x10000) {
        commit.message = constantsMessage(1006);
        return commit;
    }
    commit.stored = true;
    commit.raw = toStored(row.scaling, n);
    return commit;
}

ConstantCommit commitRawText(const ConstantRow& row, std::string_view text)
{
    ConstantCommit commit;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            commit.message = constantsMessage(1506);
            return commit;
        }
        const int digit = std::isdigit(static_cast<unsigned char>(c))
            ? c - '0'
            : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(digit), 0x100000000u);
    }
    if (row.scaling.size != 2 && value >= 256) {
        commit.message = constantsMessage(1002);
        return commit;
    }
    if (value > 0xFFFF) {
        commit.message = constantsMessage(1006);
        return commit;
    }
    if (value == 0 && row.scaling.calc == 2) {
        commit.message = constantsMessage(1007);
        return commit;
    }
    commit.stored = true;
    commit.raw = static_cast<std::uint32_t>(value);
    return commit;
}

std::optional<std::uint32_t> stepRaw(const ConstantRow& row, std::uint32_t raw, bool up)
{
    const ConstantScaling& s = row.scaling;
    const std::uint32_t max = constantRawMax(s);
    if (s.calc == 3) {
        // Signed: step in the order of the values, never across from the
        // largest positive to the most negative raw value.
        const std::uint32_t half = (max >> 1) + 1; // 0x80 or 0x8000
        const long long value = raw >= half ? static_cast<long long>(raw) - (max + 1LL) : raw;
        const long long next = value + ((up == (s.lsb >= 0.0f)) ? 1 : -1);
        if (next < -static_cast<long long>(half) || next >= static_cast<long long>(half))
            return std::nullopt;
        return toStored(s, next);
    }
    const bool rawUp = up != falling(s);
    if (rawUp)
        return raw < max ? std::optional<std::uint32_t>(raw + 1) : std::nullopt;
    return raw > 0 ? std::optional<std::uint32_t>(raw - 1) : std::nullopt;
}

} // namespace zlm
