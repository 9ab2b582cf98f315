#include "platform/registry.h"

#include "base/line_list.h"
#include "platform/settings_folder.h"
#include "platform/text_file.h"
#include "res/string_table.h"

#include <cstdio>
#include <unistd.h>
#include <vector>

namespace zlm {
namespace fs = std::filesystem;

namespace {

constexpr int kWriteFailed = 1517; // "Failed to write file"
constexpr std::string_view kRootPrefix = "HKEY_LOCAL_MACHINE\\";

// "SOFTWARE\ZLM-350" however it is written: trimmed, without the root's name
// and without backslashes at either end.
std::string_view normalizedPath(std::string_view path)
{
    path = text::trim(path);
    if (path.size() >= kRootPrefix.size()
        && text::equalsNoCase(path.substr(0, kRootPrefix.size()), kRootPrefix))
        path.remove_prefix(kRootPrefix.size());
    while (!path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

bool isSameOrBelow(std::string_view key, std::string_view path)
{
    if (key.size() == path.size())
        return text::equalsNoCase(key, path);
    return key.size() > path.size() && key[path.size()] == '\\'
        && text::equalsNoCase(key.substr(0, path.size()), path);
}

std::string quotedText(std::string_view s)
{
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

// Reads a quoted text at the start of `s`; on success `s` is left after the
// closing quote.
std::optional<std::string> unquoted(std::string_view& s)
{
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == s.size())
            return std::nullopt;
        switch (s[i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            out += s[i]; // \\ and \" and anything else taken literally
        }
    }
    return std::nullopt;
}

enum class ValueType { Text, Number, Other };

struct Value {
    std::string name;
    ValueType type = ValueType::Other;
    std::string text;
    std::uint32_t number = 0;
};

// A value line "Name"=sz:"text", "Name"="text" or "Name"=dword:hex; a named
// line of another type is a value that cannot be read.
std::optional<Value> parseValue(std::string_view line)
{
    std::string_view s = text::trim(line);
    auto name = unquoted(s);
    if (!name)
        return std::nullopt;
    s = text::trim(s);
    if (s.empty() || s.front() != '=')
        return std::nullopt;
    s = text::trim(s.substr(1));

    Value v;
    v.name = std::move(*name);
    if (s.size() >= 3 && text::equalsNoCase(s.substr(0, 3), "sz:"))
        s.remove_prefix(3);
    if (!s.empty() && s.front() == '"') {
        if (auto t = unquoted(s); t && text::trim(s).empty()) {
            v.type = ValueType::Text;
            v.text = std::move(*t);
        }
        return v;
    }
    if (s.size() > 6 && text::equalsNoCase(s.substr(0, 6), "dword:")) {
        if (auto n = text::parseHex(text::trim(s.substr(6)))) {
            v.type = ValueType::Number;
            v.number = *n;
        }
    }
    return v;
}

std::string textLine(std::string_view name, std::string_view value)
{
    return quotedText(name) + "=sz:" + quotedText(value);
}

std::string numberLine(std::string_view name, std::uint32_t value)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", value);
    return quotedText(name) + "=dword:" + hex;
}

// The registry file's lines, changed in place so comments and the order of
// keys and values stay as the user wrote them.
class RegistryText {
public:
    static std::optional<RegistryText> load(const fs::path& file)
    {
        const auto content = readSettingsFile(file);
        if (!content)
            return std::nullopt;
        RegistryText doc;
        const auto lines = LineList::fromText(*content);
        for (const auto& line : lines)
            doc.m_lines.push_back(line);
        return doc;
    }

    Status save(const fs::path& file) const
    {
        std::string out;
        for (const auto& line : m_lines)
            out += line + "\n";
        return replaceFile(file, out);
    }

    bool exists(std::string_view path) const
    {
        for (const auto& line : m_lines)
            if (const auto key = headerPath(line); key && isSameOrBelow(*key, path))
                return true;
        return false;
    }

    std::optional<Value> find(std::string_view path, std::string_view name) const
    {
        const int index = valueIndex(path, name);
        if (index < 0)
            return std::nullopt;
        return parseValue(m_lines[static_cast<std::size_t>(index)]);
    }

    void addKey(std::string_view path)
    {
        if (header(path) >= 0)
            return;
        if (!m_lines.empty() && !text::trim(m_lines.back()).empty())
            m_lines.emplace_back();
        m_lines.push_back("[" + std::string(path) + "]");
    }

    // `line` is the value's whole line, starting with its quoted name.
    void set(std::string_view path, std::string_view name, std::string line)
    {
        addKey(path);
        if (const int index = valueIndex(path, name); index >= 0) {
            // The value keeps the spelling of its name, as the registry does.
            auto& old = m_lines[static_cast<std::size_t>(index)];
            old = quotedText(parseValue(old)->name) + line.substr(quotedText(name).size());
            return;
        }
        const auto h = static_cast<std::size_t>(header(path));
        std::size_t at = sectionEnd(h);
        while (at > h + 1 && text::trim(m_lines[at - 1]).empty())
            --at;
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    }

    bool removeValue(std::string_view path, std::string_view name)
    {
        const int index = valueIndex(path, name);
        if (index < 0)
            return false;
        m_lines.erase(m_lines.begin() + index);
        return true;
    }

    bool removeKey(std::string_view path)
    {
        bool removed = false;
        for (std::size_t i = 0; i < m_lines.size();) {
            const auto key = headerPath(m_lines[i]);
            if (!key || !isSameOrBelow(*key, path)) {
                ++i;
                continue;
            }
            std::size_t end = sectionEnd(i);
            // Blank lines that separated the key from the next one go with it.
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i),
                m_lines.begin() + static_cast<std::ptrdiff_t>(end));
            removed = true;
        }
        while (!m_lines.empty() && text::trim(m_lines.back()).empty())
            m_lines.pop_back();
        return removed;
    }

private:
    static std::optional<std::string_view> headerPath(std::string_view line)
    {
        const auto t = text::trim(line);
        if (t.size() < 2 || t.front() != '[' || t.back() != ']')
            return std::nullopt;
        return normalizedPath(t.substr(1, t.size() - 2));
    }

    int header(std::string_view path) const
    {
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            if (const auto key = headerPath(m_lines[i]); key && text::equalsNoCase(*key, path))
                return static_cast<int>(i);
        return -1;
    }

    std::size_t sectionEnd(std::size_t h) const
    {
        std::size_t i = h + 1;
        while (i < m_lines.size() && !headerPath(m_lines[i]))
            ++i;
        return i;
    }

    int valueIndex(std::string_view path, std::string_view name) const
    {
        const int h = header(path);
        if (h < 0)
            return -1;
        const std::size_t end = sectionEnd(static_cast<std::size_t>(h));
        for (std::size_t i = static_cast<std::size_t>(h) + 1; i < end; ++i)
            if (const auto v = parseValue(m_lines[i]); v && text::equalsNoCase(v->name, name))
                return static_cast<int>(i);
        return -1;
    }

    std::vector<std::string> m_lines;
};

class FileRegistryKey final : public RegistryKey {
public:
    FileRegistryKey(fs::path file, std::string path)
        : m_file(std::move(file))
        , m_path(std::move(path))
    { }

    std::optional<std::size_t> valueSize(std::string_view name) const override
    {
        const auto v = find(name);
        if (!v || v->type == ValueType::Other)
            return std::nullopt;
        return v->type == ValueType::Text ? v->text.size() + 1 : sizeof(std::uint32_t);
    }

    std::optional<std::string> readString(
        std::string_view name, std::size_t maxBytes) const override
    {
        auto v = find(name);
        if (!v || v->type != ValueType::Text || v->text.size() + 1 > maxBytes)
            return std::nullopt;
        return std::move(v->text);
    }

    std::optional<std::uint32_t> readDword(std::string_view name) const override
    {
        const auto v = find(name);
        if (!v || v->type != ValueType::Number)
            return std::nullopt;
        return v->number;
    }

    Status writeString(std::string_view name, std::string_view value) override
    {
        return change([&](RegistryText& doc) { doc.set(m_path, name, textLine(name, value)); });
    }

    Status writeDword(std::string_view name, std::uint32_t value) override
    {
        return change([&](RegistryText& doc) { doc.set(m_path, name, numberLine(name, value)); });
    }

    Status deleteValue(std::string_view name) override
    {
        auto doc = RegistryText::load(m_file);
        if (!doc || !doc->removeValue(m_path, name))
            return Status::success();
        return doc->save(m_file);
    }

private:
    std::optional<Value> find(std::string_view name) const
    {
        const auto doc = RegistryText::load(m_file);
        return doc ? doc->find(m_path, name) : std::nullopt;
    }

    template <typename F> Status change(F&& edit)
    {
        std::error_code ec;
        auto doc = fs::exists(m_file, ec) ? RegistryText::load(m_file) : RegistryText {};
        if (!doc)
            return messageFor(kWriteFailed);
        edit(*doc);
        return doc->save(m_file);
    }

    fs::path m_file;
    std::string m_path;
};

} // namespace

std::optional<Message> FileRegistry::problem() const
{
    return settingsFileProblem(m_file);
}

fs::path FileRegistry::defaultFile()
{
    return settingsFolder() / "registry.reg";
}

std::unique_ptr<RegistryKey> FileRegistry::openKey(std::string_view path) const
{
    const auto key = normalizedPath(path);
    const auto doc = RegistryText::load(m_file);
    if (key.empty() || !doc || !doc->exists(key))
        return nullptr;
    return std::make_unique<FileRegistryKey>(m_file, std::string(key));
}

std::unique_ptr<RegistryKey> FileRegistry::createKey(std::string_view path)
{
    const auto key = normalizedPath(path);
    if (key.empty())
        return nullptr;
    std::error_code ec;
    auto doc = fs::exists(m_file, ec) ? RegistryText::load(m_file) : RegistryText {};
    if (!doc)
        return nullptr;
    if (!doc->exists(key)) {
        doc->addKey(key);
        if (!doc->save(m_file))
            return nullptr;
    }
    return std::make_unique<FileRegistryKey>(m_file, std::string(key));
}

Status FileRegistry::deleteKey(std::string_view path)
{
    const auto key = normalizedPath(path);
    auto doc = RegistryText::load(m_file);
    if (key.empty() || !doc || !doc->removeKey(key))
        return Status::success();
    return doc->save(m_file);
}

AppSettings readAppSettings(const Registry& registry, AppSettings settings)
{
    const auto key = registry.openKey(loadString(strings::kRegistryKey));
    if (!key)
        return settings;

    // "EcuCheckResult": an empty text switches the ECU type check off; only a
    // two-character text replaces the type.
    if (const auto size = key->valueSize("EcuCheckResult")) {
        if (*size == 1) {
            settings.ecuType = { '\0', '\0', '\0' };
        } else if (*size == 3) {
            if (const auto type = key->readString("EcuCheckResult", 3))
                settings.ecuType = { (*type)[0], (*type)[1], '\0' };
        }
    }

    const auto readNonZero = [&](std::string_view name, int& field) {
        if (const auto v = key->readDword(name); v && *v != 0)
            field = static_cast<std::int32_t>(*v);
    };
    readNonZero("ProgramDlgFontSize", settings.programDlgFontSize);
    readNonZero("TableWndCellWidth", settings.tableCellWidth);
    readNonZero("TableWndCellHeight", settings.tableCellHeight);
    if (const auto v = key->readDword("TableWndFontSize"))
        settings.tableFontSize = static_cast<std::int32_t>(*v);

    constexpr std::size_t kLogPathBytes = 128; // terminating zero included
    if (auto log = key->readString("CommoLog", kLogPathBytes)) {
        settings.commLogPath = std::move(*log);
        const auto remove = key->readDword("CommoLogDelete");
        // unlink, not remove: a path naming a folder must never delete it.
        if (remove && *remove == 1 && !settings.commLogPath.empty())
            ::unlink(settings.commLogPath.c_str());
    }

    const auto count = key->readDword("ReadEcuNum");
    settings.readCount = count ? static_cast<std::int32_t>(*count) : 30;
    return settings;
}

} // namespace zlm
