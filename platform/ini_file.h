#pragma once
// Settings files in the INI format, read and written by the rules of the
// Windows profile functions: "[Section]" headers and "Key=Value" lines, section
// and key names compared without regard to case, names and values trimmed of
// blanks and tabs, a default when the key or the whole file is missing.
// Writing changes only the line of the key; every other line, comment and blank
// line stays as it was, and so does the file's line-end style.
#include "base/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm {

// The text of one INI file, held line by line with each line's own line end.
class IniDocument {
public:
    IniDocument() = default;
    // Lines end at a line feed; a carriage return before it belongs to the line end.
    static IniDocument fromText(std::string_view text);
    // The lines with their own line ends; a line added here ends like the
    // file's first line ("\r\n" for a file that had no line end yet).
    std::string toText() const;

    // The value of `key` in `section` (first section and first key of that name),
    // trimmed, one pair of enclosing quotes removed; nothing when absent.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;
    // The names of the keys of `section` in file order (empty when absent).
    std::vector<std::string> keys(std::string_view section) const;
    bool hasSection(std::string_view section) const;

    // Replaces the value of an existing key in its line, or adds "key=value"
    // after the section's last key, or adds the section at the end of the text.
    void set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's line; false when there was none.
    bool remove(std::string_view section, std::string_view key);
    // Removes the section header and its lines; false when there was none.
    bool removeSection(std::string_view section);

private:
    struct Line {
        std::string text;
        std::string end; // "\r\n", "\n", or "" for a last line without a line end
    };
    // Index of the first header of `section`, or -1.
    int sectionIndex(std::string_view section) const;
    // One past the last line of the section whose header is at `header`.
    std::size_t sectionEnd(std::size_t header) const;
    // Index of the key's line in the section at `header`, or -1.
    int keyIndex(std::size_t header, std::string_view key) const;
    std::string lineEnd() const;
    void insertLine(std::size_t at, std::string text);

    std::vector<Line> m_lines;
};

// An INI file on disk. Every call reads the file afresh, so changes by another
// writer are seen; every write rewrites the file (through a temporary file, so
// a failed write leaves the old file whole).
class IniFile {
public:
    explicit IniFile(std::filesystem::path path)
        : m_path(std::move(path))
    { }
    const std::filesystem::path& path() const { return m_path; }

    // The value, or `defaultValue` when the key or the file is missing.
    std::string getString(
        std::string_view section, std::string_view key, std::string_view defaultValue = {}) const;
    // The value read as a decimal number: optional sign, then the leading digits
    // (0 when there are none). `defaultValue` when the key is missing or empty.
    int getInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::vector<std::string> keys(std::string_view section) const;

    // Writes one key; the file and the section are created when missing.
    Status writeString(std::string_view section, std::string_view key, std::string_view value);
    Status writeInt(std::string_view section, std::string_view key, int value);
    // Removes one key or a whole section; success also when there was none.
    Status deleteKey(std::string_view section, std::string_view key);
    Status deleteSection(std::string_view section);

    // The whole document (empty when the file cannot be read).
    IniDocument read() const;
    Status write(const IniDocument& document) const;

private:
    // The document to change: empty for a missing file, nothing for a file
    // that exists but cannot be read.
    std::optional<IniDocument> readForChange() const;

    std::filesystem::path m_path;
};

// GetPrivateProfileInt's reading of a value: leading blanks, an optional sign,
// then decimal digits up to the first other character; 0 without digits.
int profileInt(std::string_view value);

} // namespace zlm
