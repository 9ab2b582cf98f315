#pragma once
// Whole-file reading and replacing, shared by the settings files.
#include "data/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zlm {

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Replaces the file's content through a temporary file in the same folder, so a
// failure leaves the old content whole. A symbolic link is followed and its
// target replaced; an existing file keeps its permissions.
Status replaceFile(const std::filesystem::path& path, std::string_view content);

} // namespace zlm
