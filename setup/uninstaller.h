#pragma once
// The uninstall ("setup /R" after its question): removes the installed files,
// the shortcuts and the registry keys, and leaves the clean-up script with its
// autostart entry for what cannot go while the installer runs.
#include "platform/prompts.h"
#include "setup/setup_places.h"

namespace zlm::setup {

class Uninstaller {
public:
    Uninstaller(const SetupPlaces& places, Prompts& prompts)
        : m_places(places)
        , m_prompts(prompts)
    { }

    // Removes everything and shows one of the two closing messages.
    void uninstall();

private:
    const SetupPlaces& m_places;
    Prompts& m_prompts;
};

} // namespace zlm::setup
