#pragma once
// The screen size the program lays itself out for: ZLM350_SCREEN=WIDTHxHEIGHT
// when set, else the primary screen (asked through Qt, see screenSize()).
#include <optional>
#include <string_view>

namespace zlm {

struct ScreenSize {
    int width = 0; // pixels
    int height = 0; // pixels
    bool operator==(const ScreenSize&) const = default;
};

// "1280x1024" (also "1280X1024", blanks around the numbers allowed); nothing
// for any other text or a size that is not positive.
std::optional<ScreenSize> parseScreenSize(std::string_view text);
// The size given by ZLM350_SCREEN, or nothing when it is unset or invalid.
std::optional<ScreenSize> screenSizeFromEnvironment();

// The definition file's screen class: 1024x768 is 1, 1152x864 is 2, at least
// 1280 wide and 1024 high is 3, anything else 0.
int screenClass(int width, int height);

// ZLM350_SCREEN when set, else the primary screen's size (1024x768 when there
// is no screen). Needs a QGuiApplication; defined in the GUI library.
ScreenSize screenSize();

} // namespace zlm
