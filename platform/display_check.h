#pragma once
// Whether the program can show its windows to anyone, judged from its
// environment before any window system is asked: a batch conversion run from
// a script, a cron job or an SSH session must neither wait on a message box
// nobody sees nor stop because no display can be reached.
#include <functional>
#include <string>
#include <string_view>

namespace zlm {

enum class DisplayKind {
    Screen, // a display the windows appear on
    Invisible, // the offscreen or minimal platform: windows exist, nobody sees them
    None, // no display can be reached (no DISPLAY and no WAYLAND_DISPLAY)
};

// Reads QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY through `getenv` (the
// process environment when not given). A platform that needs no display
// server (framebuffer, VNC, ...) counts as a screen.
using EnvironmentLookup = std::function<const char*(const char*)>;
DisplayKind displayKind(const EnvironmentLookup& getenv = {});

// True for the platforms whose windows nobody sees ("offscreen", "minimal").
bool isInvisiblePlatform(std::string_view platformName);

// The platform list for a run that must go on without a display: the chosen
// platform(s) (QT_QPA_PLATFORM, else Wayland when WAYLAND_DISPLAY is set and
// X11) followed by "offscreen", which takes over when none of them can connect.
std::string platformsWithFallback(const EnvironmentLookup& getenv = {});

} // namespace zlm
