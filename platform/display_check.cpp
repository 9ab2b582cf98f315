#include "platform/display_check.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace zlm {

namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view lookup(const EnvironmentLookup& getenv, const char* name)
{
    const char* v = getenv ? getenv(name) : std::getenv(name);
    return v ? std::string_view(v) : std::string_view();
}

} // namespace

bool isInvisiblePlatform(std::string_view platformName)
{
    return startsWith(platformName, "offscreen") || startsWith(platformName, "minimal");
}

std::string platformsWithFallback(const EnvironmentLookup& getenv)
{
    std::string platforms(lookup(getenv, "QT_QPA_PLATFORM"));
#if defined(__APPLE__)
    if (platforms.empty())
        platforms = "cocoa";
#else
    if (platforms.empty())
        platforms = lookup(getenv, "WAYLAND_DISPLAY").empty() ? "xcb" : "wayland;xcb";
#endif
    return platforms + ";offscreen";
}

DisplayKind displayKind(const EnvironmentLookup& getenv)
{
    const auto value = [&getenv](const char* name) { return lookup(getenv, name); };
    // "offscreen:size=..." carries options; "wayland;xcb" lists fallbacks.
    const std::string_view platform = value("QT_QPA_PLATFORM");
    if (isInvisiblePlatform(platform))
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
