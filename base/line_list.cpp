#include "base/line_list.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace zlm {

void LineList::insert(std::size_t index, std::string line)
{
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(std::min(index, m_lines.size())),
                   std::move(line));
}

void LineList::remove(std::size_t index)
{
    if (index < m_lines.size())
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(index));
}

int LineList::findSection(std::string_view name) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto section = text::sectionName(m_lines[i]);
        if (section && text::equalsNoCase(*section, text::trim(name)))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::size_t> LineList::nextLine(std::size_t index) const
{
    for (std::size_t i = index + 1; i < m_lines.size(); ++i)
        if (!text::isSkippable(m_lines[i]))
            return i;
    return std::nullopt;
}

LineList LineList::fromText(std::string_view data)
{
    LineList lines;
    std::string current;
    bool pending = false;
    for (const char c : data) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.append(std::move(current));
            current.clear();
            pending = false;
            continue;
        }
        current.push_back(c);
        pending = true;
    }
    if (pending)
        lines.append(std::move(current));
    return lines;
}

std::string LineList::toText() const
{
    std::string out;
    for (const auto& line : m_lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

namespace text {

std::string_view trim(std::string_view s)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isSkippable(std::string_view line)
{
    const auto t = trim(line);
    return t.empty() || t.front() == ';';
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    const auto t = trim(line);
    if (t.size() < 3 || t.front() != '[' || t.back() != ']')
        return std::nullopt;
    const auto name = trim(t.substr(1, t.size() - 2));
    if (name.empty())
        return std::nullopt;
    return name;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x))
                   == std::tolower(static_cast<unsigned char>(y));
           });
}

FieldSplit splitField(std::string_view s)
{
    const auto comma = s.find(',');
    if (comma == std::string_view::npos)
        return {trim(s), {}};
    return {trim(s.substr(0, comma)), trim(s.substr(comma + 1))};
}

std::vector<std::string_view> splitFields(std::string_view s)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = s.find(',');
        fields.push_back(trim(s.substr(0, comma)));
        if (comma == std::string_view::npos)
            return fields;
        s.remove_prefix(comma + 1);
    }
}

std::optional<std::uint32_t> parseHex(std::string_view s)
{
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        const int digit = std::isdigit(static_cast<unsigned char>(c))
            ? c - '0'
            : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<long> parseDecimal(std::string_view s)
{
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 9)
        return std::nullopt;
    long value = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

} // namespace text
} // namespace zlm
