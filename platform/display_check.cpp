#include "platform/display_check.h"

#include <cstdlib>
#include <string_view>

namespace zlm {

namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

DisplayKind displayKind(const EnvironmentLookup& getenv)
{
    const auto value = [&getenv](const char* name) -> std::string_view {
        const char* v = getenv ? getenv(name) : std::getenv(name);
        return v ? std::string_view(v) : std::string_view();
    };
    // "offscreen:size=..." carries options; "wayland;xcb" lists fallbacks.
    const std::string_view platform = value("QT_QPA_PLATFORM");
    if (startsWith(platform, "offscreen") || startsWith(platform, "minimal"))
        return DisplayKind::Invisible;
#if defined(__APPLE__)
    return DisplayKind::Screen;
#else
    const bool needsServer
        = platform.empty() || startsWith(platform, "xcb") || startsWith(platform, "wayland");
    if (needsServer && value("DISPLAY").empty() && value("WAYLAND_DISPLAY").empty())
        return DisplayKind::None;
    return DisplayKind::Screen;
#endif
}

} // namespace zlm
