#pragma once
// The clean-up script "ZLM350-uninstall.sh" that the uninstaller leaves in the
// temporary folder: it removes the installer copy and the installation folder
// (when empty), which cannot go while the installer runs from there, says so,
// and removes itself.
#include <filesystem>
#include <string>
#include <string_view>

namespace zlm::setup {

// `text` between single quotes, each "'" written as '\'' : no character
// inside can end the word or run a command.
std::string shellQuoted(std::string_view text);

// The script for the installation folder `destination`, to be kept at `script`.
std::string cleanupScript(
    const std::filesystem::path& destination, const std::filesystem::path& script);

// Writes the script as a new file of the user's own (an older one of that name
// is replaced, a link is not followed); false when that fails.
bool writeCleanupScript(const std::filesystem::path& script, std::string_view content);

} // namespace zlm::setup
