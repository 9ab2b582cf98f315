#pragma once
// Where the installer puts things on this platform: the counterparts of the
// Windows folder, the programs folder and the shell's special folders.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zlm::setup {

struct SetupPlaces {
    std::filesystem::path media; // the installation media: the current folder
    std::filesystem::path settings; // stands for the Windows folder: settingsFolder()
    std::filesystem::path desktop; // the user's desktop folder
    std::filesystem::path applications; // the programs menu: $XDG_DATA_HOME/applications
    std::filesystem::path autostart; // $XDG_CONFIG_HOME/autostart
    std::filesystem::path temp; // where the clean-up script goes
    // $HOME/.local/opt/ZIRA/ZLM-350; empty without HOME.
    std::string proposedFolder;

    std::filesystem::path registryFile() const { return settings / "registry.reg"; }
    std::filesystem::path settingsFile() const;
    std::filesystem::path autostartEntry() const;

    // The places of the running user, with `media` as the media folder.
    static SetupPlaces fromEnvironment(std::filesystem::path media);
};

// XDG_DESKTOP_DIR from the text of a user-dirs.dirs file: "$HOME/..." or an
// absolute path between double quotes; nothing when the file does not set it.
std::optional<std::filesystem::path> desktopFromUserDirs(
    std::string_view content, const std::filesystem::path& home);

} // namespace zlm::setup
