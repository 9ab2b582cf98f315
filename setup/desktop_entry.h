#pragma once
// freedesktop.org desktop entries: the shortcuts to the program and the
// autostart entry that runs the clean-up script once. Every path is written so
// that no folder name can run a command or break the file: string values are
// escaped, and every Exec argument is double-quoted with its special
// characters escaped and "%" doubled.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zlm::setup {

// A string value: "\" "\n" "\t" "\r" escaped, a leading blank as "\s".
std::string desktopString(std::string_view value);

// The Exec value for these arguments (before desktopString).
std::string execLine(const std::vector<std::string>& arguments);

// The value of `key` in the text of a desktop entry with the string escapes
// undone; nothing when the key is absent.
std::optional<std::string> desktopValue(std::string_view content, std::string_view key);

// The shortcut "ZLM350.desktop": runs the installed program in `destination`
// with that folder as the working folder and the program as the icon.
std::string shortcutEntry(const std::filesystem::path& destination);

// The key of the autostart entry that names the clean-up script.
inline constexpr std::string_view kScriptKey = "X-ZLM350-Script";

// The autostart entry at `entry`: at the next log-in it removes itself and then
// runs `script` when that file belongs to the user.
std::string autostartEntry(const std::filesystem::path& entry, const std::filesystem::path& script);

} // namespace zlm::setup
