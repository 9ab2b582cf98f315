#pragma once
// The installation: the file table carried out from the media folder into the
// installation folder and the settings folder, then the settings file's data
// folder, the registry values and the two shortcuts. Messages go through the
// prompts; the progress bar is moved through a callback.
#include "platform/prompts.h"
#include "setup/setup_places.h"
#include "setup/setup_texts.h"

#include <filesystem>
#include <functional>

namespace zlm::setup {

class Installer {
public:
    // Called with the number of steps the bar moves.
    using Progress = std::function<void(int steps)>;

    Installer(const SetupPlaces& places, Prompts& prompts)
        : m_places(places)
        , m_prompts(prompts)
    { }

    // Installs into `destination`, an existing folder. False when a file step
    // failed (its message has been shown; files already copied stay).
    bool install(const std::filesystem::path& destination, const Progress& progress = {});

private:
    bool runStep(const FileStep& step, const std::filesystem::path& destination);
    void show(Message message);
    void writeDataFolder(const std::filesystem::path& destination);
    void writeRegistry(const std::filesystem::path& destination);
    void writeShortcuts(const std::filesystem::path& destination);

    const SetupPlaces& m_places;
    Prompts& m_prompts;
};

// After a completed installation: removes the clean-up script of an earlier
// uninstall and its autostart entry, when they are still waiting.
void removePendingUninstall(const SetupPlaces& places);

} // namespace zlm::setup
