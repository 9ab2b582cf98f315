#include "setup/setup_places.h"

#include "base/line_list.h"
#include "platform/settings_folder.h"
#include "platform/text_file.h"
#include "setup/setup_texts.h"

#include <cstdlib>

namespace zlm::setup {
namespace fs = std::filesystem;

namespace {

// An absolute path from the environment; the XDG folders must be absolute.
std::optional<fs::path> absoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return std::nullopt;
    return fs::path(value);
}

// The text between the quotes of `"..."`, with shell escapes undone.
std::optional<std::string> quotedValue(std::string_view value)
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return std::nullopt;
    value = value.substr(1, value.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}

} // namespace

std::optional<fs::path> desktopFromUserDirs(std::string_view content, const fs::path& home)
{
    std::optional<fs::path> found;
    for (const std::string& raw : LineList::fromText(content)) {
        const std::string_view line = zlm::text::trim(raw);
        constexpr std::string_view key = "XDG_DESKTOP_DIR=";
        if (!line.starts_with(key))
            continue;
        const auto value = quotedValue(line.substr(key.size()));
        if (!value)
            continue;
        if (value->starts_with("$HOME") && (value->size() == 5 || (*value)[5] == '/')) {
            const std::string rest = value->substr(5);
            found = rest.size() <= 1 ? home : home / rest.substr(1);
        } else if (value->starts_with('/')) {
            found = fs::path(*value);
        }
    }
    return found;
}

fs::path SetupPlaces::settingsFile() const
{
    return settings / kSettingsFileName;
}

fs::path SetupPlaces::autostartEntry() const
{
    return autostart / kAutostartName;
}

SetupPlaces SetupPlaces::fromEnvironment(fs::path media)
{
    SetupPlaces places;
    places.media = std::move(media);
    places.settings = settingsFolder();
    places.temp = tempDirectory();

    const char* homeValue = std::getenv("HOME");
    const fs::path home = homeValue ? fs::path(homeValue) : fs::path();
    if (homeValue && *homeValue)
        places.proposedFolder = (home / ".local/opt/ZIRA/ZLM-350").string();

    const fs::path config = absoluteFromEnvironment("XDG_CONFIG_HOME").value_or(home / ".config");
    const fs::path data = absoluteFromEnvironment("XDG_DATA_HOME").value_or(home / ".local/share");
    places.applications = data / "applications";
    places.autostart = config / "autostart";
    places.desktop = home / "Desktop";
    if (const auto userDirs = readWholeFile(config / "user-dirs.dirs")) {
        if (auto desktop = desktopFromUserDirs(*userDirs, home))
            places.desktop = std::move(*desktop);
    }
    return places;
}

} // namespace zlm::setup
