#pragma once
// Whole-file input and output for the program's files (settings, data file,
// definition file, CSV file): reading all bytes or lines through a small
// buffer, and replacing a file so that it is never left half-written.
#include "base/line_list.h"
#include "base/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zlm {

// The file's bytes, or nothing when it cannot be read or is a folder.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Reads a regular file through a 4096-byte buffer: carriage returns dropped, a
// line feed ends a line, a last line without a line feed kept. Nothing when the
// file cannot be opened, is not a regular file, or a read fails.
std::optional<LineList> readTextLines(const std::filesystem::path& path);

// Writes `contents` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over the target, so the target holds
// either its old content or the new one, never a mix. A chain of symbolic links
// is followed and the file it ends at replaced; an existing target keeps its
// permissions. A folder, device or pipe is refused, and so is an existing file
// the user may not write or that has no write permission for anyone (it is
// left untouched). An existing file that the user
// may write is written in place (truncated, written, flushed) where no
// replacement can be made: when the folder takes no new file, or when the
// replacement could not keep the file's owner and group. On failure the
// temporary file is removed and `reason` (when given) receives the system's
// explanation.
bool writeFileReplacing(
    const std::filesystem::path& path, std::string_view contents, std::string* reason = nullptr);

// Writes a new file at `path` the same safe way (a temporary file in the same
// folder, flushed, then renamed into place), but never over anything already
// there: when the name is taken (a file, a folder, a link, also one that
// another process put there a moment ago) it fails with EEXIST in `error` and
// leaves both files alone. On any failure the temporary file is removed and
// `error` (when given) receives the system's error number.
bool writeNewFile(const std::filesystem::path& path, std::string_view contents, int* error = nullptr);

// The settings files ("ZLM350.ini", "registry.reg") are small regular files: a
// named pipe would stall the start, a device or a huge file exhaust memory.
inline constexpr std::uintmax_t kMaxSettingsFileBytes = 1u << 20;
// Why the settings file at `path` cannot be used (stop icon, naming the file),
// or nothing when it is fine or does not exist.
std::optional<Message> settingsFileProblem(const std::filesystem::path& path);
// A settings file's bytes: nothing when it is missing, unreadable, not a
// regular file or larger than kMaxSettingsFileBytes.
std::optional<std::string> readSettingsFile(const std::filesystem::path& path);

// writeFileReplacing for the settings files, whose failure is message 1517.
Status replaceFile(const std::filesystem::path& path, std::string_view content);

} // namespace zlm
