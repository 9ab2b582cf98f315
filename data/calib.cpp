#include "data/calib.h"

#include <cctype>
#include <charconv>

namespace zlm {

std::string_view CalibLine::field(std::size_t n) const
{
    return n < fields.size() ? std::string_view(fields[n]) : std::string_view();
}

std::vector<CalibLine> readCalibSection(const LineList& definition)
{
    std::vector<CalibLine> result;
    const int header = definition.findSection("Calib");
    if (header < 0)
        return result;
    for (auto index = definition.nextLine(static_cast<std::size_t>(header)); index;
         index = definition.nextLine(*index)) {
        const std::string& line = definition.at(*index);
        if (text::sectionName(line))
            break;
        CalibLine entry;
        entry.lineIndex = *index;
        for (const auto field : text::splitFields(text::trim(line)))
            entry.fields.emplace_back(field);
        result.push_back(std::move(entry));
    }
    return result;
}

namespace scan {
namespace {

std::string_view skipSpace(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    return s;
}

// Removes a leading "+" or "-"; true for a minus. from_chars takes no "+".
bool takeSign(std::string_view& s)
{
    if (s.empty() || (s.front() != '+' && s.front() != '-'))
        return false;
    const bool negative = s.front() == '-';
    s.remove_prefix(1);
    return negative;
}

} // namespace

float real(std::string_view s)
{
    s = skipSpace(s);
    // from_chars ignores the locale, which a GUI program may have switched to
    // one with a decimal comma.
    const bool negative = takeSign(s);
    float value = 0.0f;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc())
        return 0.0f;
    return negative ? -value : value;
}

std::optional<long> integer(std::string_view s)
{
    s = skipSpace(s);
    const bool negative = takeSign(s);
    long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc())
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<unsigned long> hex(std::string_view s)
{
    s = skipSpace(s);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')
        && std::isxdigit(static_cast<unsigned char>(s[2])))
        s.remove_prefix(2);
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (ec != std::errc())
        return std::nullopt;
    return value;
}

} // namespace scan

ConstantInfo findConstant(const LineList& definition, std::string_view contents, int byteSize)
{
    ConstantInfo info;
    for (const CalibLine& line : readCalibSection(definition)) {
        // A line without all seven fields is no constant, whatever its name.
        if (!line.hasAllFields() || line.contents() != contents)
            continue;
        const auto size = text::parseDecimal(line.byte());
        if (!size || *size != byteSize) {
            info.result = ConstantLookup::SizeMismatch;
            return info;
        }
        // The value (one or two bytes) must lie inside the 64 KiB image.
        const auto address = text::parseHex(line.address());
        if (!address || *address + static_cast<std::uint32_t>(byteSize > 1 ? 1 : 0) > 0xFFFF) {
            info.result = ConstantLookup::BadAddress;
            return info;
        }
        info.result = ConstantLookup::Found;
        info.address = static_cast<std::uint16_t>(*address);
        info.lsb = scan::real(line.lsb());
        info.offset = scan::real(line.offset());
        info.calc = static_cast<int>(scan::integer(line.calc()).value_or(0));
        return info;
    }
    return info;
}

} // namespace zlm
