#include "platform/screen.h"

#include "base/line_list.h"

#include <cstdlib>

namespace zlm {

namespace {
std::optional<int> positive(std::string_view s)
{
    const auto n = text::parseDecimal(text::trim(s));
    if (!n || *n <= 0 || *n > 100000)
        return std::nullopt;
    return static_cast<int>(*n);
}
} // namespace

std::optional<ScreenSize> parseScreenSize(std::string_view text)
{
    const auto x = text.find_first_of("xX");
    if (x == std::string_view::npos)
        return std::nullopt;
    const auto w = positive(text.substr(0, x));
    const auto h = positive(text.substr(x + 1));
    if (!w || !h)
        return std::nullopt;
    return ScreenSize { *w, *h };
}

std::optional<ScreenSize> screenSizeFromEnvironment()
{
    const char* value = std::getenv("ZLM350_SCREEN");
    if (!value)
        return std::nullopt;
    return parseScreenSize(value);
}

int screenClass(int width, int height)
{
    if (width == 1024 && height == 768)
        return 1;
    if (width == 1152 && height == 864)
        return 2;
    if (width >= 1280 && height >= 1024)
        return 3;
    return 0;
}

} // namespace zlm
