#pragma once
// One run of setup: "/R" asks and uninstalls; otherwise, from a media folder,
// the welcome page and the destination page install, and a completed
// installation removes a clean-up still waiting from an earlier uninstall.
#include "platform/prompts.h"
#include "setup/setup_places.h"

#include <QStringList>

namespace zlm::setup {

// The exit code of the program (always 0, as every end is an ordinary one).
int runSetup(const QStringList& arguments, const SetupPlaces& places, Prompts& prompts);

} // namespace zlm::setup
