#pragma once
// One run of setup: "/R" asks and uninstalls; otherwise, from a media folder,
// the welcome page and the destination page install, and a completed
// installation removes a clean-up still waiting from an earlier uninstall.
#include "platform/prompts.h"
#include "setup/setup_places.h"

#include <QStringList>

namespace zlm::setup {

// How the two pages come up: as windows, or, when every prompt is scripted,
// as prompts of their own so that a script can go through an installation:
// the welcome page as a box with the page's text whose first button is
// "Next >", the destination page as a folder prompt on the page's folder,
// answered with "Install", another folder to install into, or Cancel.
enum class PageMode { Windows, Prompts };

// The exit code of the program (always 0, as every end is an ordinary one).
int runSetup(const QStringList& arguments, const SetupPlaces& places, Prompts& prompts,
    PageMode pages = PageMode::Windows);

} // namespace zlm::setup
