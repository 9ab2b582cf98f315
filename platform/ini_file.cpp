#include "platform/ini_file.h"

#include "base/line_list.h"
#include "platform/text_file.h"
#include "res/string_table.h"

#include <cstdint>
#include <string>

namespace zlm {

namespace {

constexpr int kWriteFailed = 1517; // "Failed to write file"

// The section name of a header line "[ Name ]" (text after the closing bracket
// is ignored), or nothing.
std::optional<std::string_view> headerName(std::string_view line)
{
    const auto t = text::trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return text::trim(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

// "Key = Value" split at the first "=", both trimmed; comments and lines
// without "=" are not keys.
std::optional<KeyLine> keyLine(std::string_view line)
{
    const auto t = text::trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const auto key = text::trim(t.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    return KeyLine { key, text::trim(t.substr(eq + 1)) };
}

std::string_view unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

// --- IniDocument --------------------------------------------------------------

IniDocument IniDocument::fromText(std::string_view text)
{
    IniDocument doc;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) {
            doc.m_lines.push_back({ std::string(text), {} });
            break;
        }
        std::string_view line = text.substr(0, lf);
        std::string end = "\n";
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            end = "\r\n";
        }
        doc.m_lines.push_back({ std::string(line), std::move(end) });
        text.remove_prefix(lf + 1);
    }
    return doc;
}

std::string IniDocument::toText() const
{
    std::string out;
    for (const auto& line : m_lines) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::string IniDocument::lineEnd() const
{
    for (const auto& line : m_lines)
        if (!line.end.empty())
            return line.end;
    return "\r\n";
}

int IniDocument::sectionIndex(std::string_view section) const
{
    const auto wanted = text::trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = headerName(m_lines[i].text);
        if (name && text::equalsNoCase(*name, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && !headerName(m_lines[i].text))
        ++i;
    return i;
}

int IniDocument::keyIndex(std::size_t header, std::string_view key) const
{
    const auto wanted = text::trim(key);
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const auto kv = keyLine(m_lines[i].text);
        if (kv && text::equalsNoCase(kv->key, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

bool IniDocument::hasSection(std::string_view section) const
{
    return sectionIndex(section) >= 0;
}

std::optional<std::string> IniDocument::find(std::string_view section, std::string_view key) const
{
    const int header = sectionIndex(section);
    if (header < 0)
        return std::nullopt;
    const int index = keyIndex(static_cast<std::size_t>(header), key);
    if (index < 0)
        return std::nullopt;
    return std::string(unquote(keyLine(m_lines[static_cast<std::size_t>(index)].text)->value));
}

std::vector<std::string> IniDocument::keys(std::string_view section) const
{
    std::vector<std::string> names;
    const int header = sectionIndex(section);
    if (header < 0)
        return names;
    const std::size_t end = sectionEnd(static_cast<std::size_t>(header));
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i)
        if (const auto kv = keyLine(m_lines[i].text))
            names.emplace_back(kv->key);
    return names;
}

void IniDocument::insertLine(std::size_t at, std::string text)
{
    const std::string end = lineEnd();
    // The line before the new one needs a line end of its own now.
    if (at > 0 && m_lines[at - 1].end.empty())
        m_lines[at - 1].end = end;
    m_lines.insert(
        m_lines.begin() + static_cast<std::ptrdiff_t>(at), Line { std::move(text), end });
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value)
{
    // A line break in the value would split the line and corrupt the file.
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::string keyName(text::trim(key));
    const int header = sectionIndex(section);
    if (header < 0) {
        // A new section goes at the end, after a blank line when the text has lines.
        if (!m_lines.empty() && !text::trim(m_lines.back().text).empty())
            insertLine(m_lines.size(), {});
        insertLine(m_lines.size(), "[" + std::string(text::trim(section)) + "]");
        insertLine(m_lines.size(), keyName + "=" + std::string(value));
        return;
    }
    const auto h = static_cast<std::size_t>(header);
    const int index = keyIndex(h, key);
    if (index >= 0) {
        // Keep the key as written (its spelling and the text up to "=").
        auto& line = m_lines[static_cast<std::size_t>(index)].text;
        line = line.substr(0, line.find('=') + 1) + std::string(value);
        return;
    }
    // After the section's last non-blank line, so blank lines before the next
    // section stay where they are.
    std::size_t at = sectionEnd(h);
    while (at > h + 1 && text::trim(m_lines[at - 1].text).empty())
        --at;
    insertLine(at, keyName + "=" + std::string(value));
}

bool IniDocument::remove(std::string_view section, std::string_view key)
{
    const int header = sectionIndex(section);
    if (header < 0)
        return false;
    const int index = keyIndex(static_cast<std::size_t>(header), key);
    if (index < 0)
        return false;
    m_lines.erase(m_lines.begin() + index);
    return true;
}

bool IniDocument::removeSection(std::string_view section)
{
    const int header = sectionIndex(section);
    if (header < 0)
        return false;
    const std::size_t end = sectionEnd(static_cast<std::size_t>(header));
    m_lines.erase(m_lines.begin() + header, m_lines.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

// --- IniFile ------------------------------------------------------------------

int profileInt(std::string_view value)
{
    value = text::trim(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    // 32-bit wrap-around like the system's conversion into an unsigned int.
    std::uint32_t n = 0;
    for (const char c : value) {
        if (c < '0' || c > '9')
            break;
        n = n * 10u + static_cast<std::uint32_t>(c - '0');
    }
    if (negative)
        n = 0u - n;
    return static_cast<std::int32_t>(n);
}

IniDocument IniFile::read() const
{
    const auto content = readSettingsFile(m_path);
    return content ? IniDocument::fromText(*content) : IniDocument {};
}

Status IniFile::write(const IniDocument& document) const
{
    return replaceFile(m_path, document.toText());
}

std::string IniFile::getString(
    std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    if (auto value = read().find(section, key))
        return *value;
    return std::string(defaultValue);
}

int IniFile::getInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const auto value = read().find(section, key);
    if (!value || value->empty())
        return defaultValue;
    return profileInt(*value);
}

std::vector<std::string> IniFile::keys(std::string_view section) const
{
    return read().keys(section);
}

std::optional<IniDocument> IniFile::readForChange() const
{
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec) && !ec)
        return IniDocument {};
    // A file that exists but cannot be read must not be replaced by one key.
    const auto content = readSettingsFile(m_path);
    if (!content)
        return std::nullopt;
    return IniDocument::fromText(*content);
}

Status IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    auto doc = readForChange();
    if (!doc)
        return messageFor(kWriteFailed);
    doc->set(section, key, value);
    return write(*doc);
}

Status IniFile::writeInt(std::string_view section, std::string_view key, int value)
{
    return writeString(section, key, std::to_string(value));
}

Status IniFile::deleteKey(std::string_view section, std::string_view key)
{
    auto doc = readForChange();
    if (!doc)
        return messageFor(kWriteFailed);
    if (!doc->remove(section, key))
        return Status::success();
    return write(*doc);
}

Status IniFile::deleteSection(std::string_view section)
{
    auto doc = readForChange();
    if (!doc)
        return messageFor(kWriteFailed);
    if (!doc->removeSection(section))
        return Status::success();
    return write(*doc);
}

} // namespace zlm
