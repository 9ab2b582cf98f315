#pragma once
// Whole-file input and output for the program's text files (data file, CSV
// file): reading into lines through a small buffer, and writing so that a file
// being replaced is never left half-written.
#include "data/line_list.h"

#include <optional>
#include <string>
#include <string_view>

namespace zlm {

// Reads the file through a 4096-byte buffer: carriage returns dropped, a line
// feed ends a line, a last line without a line feed kept. Nothing when the file
// cannot be opened or a read fails.
std::optional<LineList> readTextLines(const std::string& path);

// Writes `contents` to `path` through a temporary file in the same folder that
// is flushed to disk and then renamed over the target, so the target holds
// either its old content or the new one, never a mix. An existing target keeps
// its permissions. On failure the temporary file is removed and `reason` (when
// given) receives the system's explanation.
bool writeFileReplacing(const std::string& path, std::string_view contents,
                        std::string* reason = nullptr);

} // namespace zlm
