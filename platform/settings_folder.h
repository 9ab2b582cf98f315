#pragma once
// Where the program finds its files: the settings folder (which stands for the
// Windows folder of the original system), the executable search path, the
// temporary folder and the program's own path and name.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zlm {

// $ZLM350_HOME when set and not empty, else $XDG_CONFIG_HOME/ZLM-350, else
// ~/.config/ZLM-350. The folder is not created.
std::filesystem::path settingsFolder();

// `name` inside `dir`, the file name compared without regard to case (an exact
// match wins over other spellings); nothing when `dir` holds no such file.
// Folders do not count as files.
std::optional<std::filesystem::path> findFileNoCase(
    const std::filesystem::path& dir, std::string_view name);

// The executable search path: the program's folder, the current folder, the
// settings folder, then each entry of PATH; the first folder holding the file
// (name compared without regard to case) wins. A name with a "/" is checked as
// given. Nothing when no folder holds it.
std::optional<std::filesystem::path> searchPath(
    std::string_view fileName, const std::filesystem::path& programDir);

// $TMPDIR when set, not empty and a folder, else /tmp.
std::filesystem::path tempDirectory();

// The running program's full path (from /proc/self/exe; `argv0` made absolute
// when that cannot be read). Empty when neither works.
std::filesystem::path programPath(std::string_view argv0 = {});
// The folder of programPath().
std::filesystem::path programDir(std::string_view argv0 = {});
// The base name of programPath() without its extension ("ZLM350").
std::string programName(std::string_view argv0 = {});

} // namespace zlm
