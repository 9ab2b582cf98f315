#pragma once
// LineList: the lines of a definition or data file, and the line conventions
// both files share (trimming, comments, section headers, comma fields, numbers).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

class LineList {
public:
    std::size_t count() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    const std::string& at(std::size_t index) const { return m_lines.at(index); }
    std::string& at(std::size_t index) { return m_lines.at(index); }
    void append(std::string line) { m_lines.push_back(std::move(line)); }
    void insert(std::size_t index, std::string line);
    void remove(std::size_t index);
    void clear() { m_lines.clear(); }

    auto begin() const { return m_lines.begin(); }
    auto end() const { return m_lines.end(); }

    // Index of the header line of section `name` (compared without regard to
    // case), or -1 when there is none.
    int findSection(std::string_view name) const;

    // The next line after `index` that is neither empty nor a comment, or
    // nothing at the end of the list. Section headers are returned like any line.
    std::optional<std::size_t> nextLine(std::size_t index) const;

    // Splits text into lines: carriage returns dropped, a line feed ends a line,
    // a last line without a line feed is kept.
    static LineList fromText(std::string_view text);
    // All lines, each followed by carriage return and line feed.
    std::string toText() const;

    bool operator==(const LineList&) const = default;

private:
    std::vector<std::string> m_lines;
};

namespace text {

// Blanks and tabs removed at both ends.
std::string_view trim(std::string_view s);
// Empty after trimming, or a comment (";" first after trimming).
bool isSkippable(std::string_view line);
// The trimmed name of a section header line ("[ Name ]"), or nothing.
std::optional<std::string_view> sectionName(std::string_view line);
bool equalsNoCase(std::string_view a, std::string_view b);

// "a , rest" -> field "a", remainder "rest" (both trimmed); without a comma the
// whole text is the field and the remainder is empty.
struct FieldSplit {
    std::string_view field;
    std::string_view rest;
};
FieldSplit splitField(std::string_view s);
// All fields of a comma-separated line, each trimmed.
std::vector<std::string_view> splitFields(std::string_view s);

// Hexadecimal digits only, no prefix or sign; nothing when invalid or empty.
std::optional<std::uint32_t> parseHex(std::string_view s);
// Digits with an optional leading "-"; nothing when invalid or empty.
std::optional<long> parseDecimal(std::string_view s);

} // namespace text
} // namespace zlm
