#pragma once
// Whether the program can show its windows to anyone, judged from its
// environment before any window system is asked: a batch conversion run from
// a script, a cron job or an SSH session must neither wait on a message box
// nobody sees nor stop because no display can be reached.
#include <functional>

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

} // namespace zlm
