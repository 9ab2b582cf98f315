#include "base/app_settings.h"

namespace zlm {

AppSettings AppSettings::defaultsFor(int screenWidth, int screenHeight)
{
    AppSettings s;
    // Only a screen that is both narrower than 800 and lower than 600 is small.
    if (screenWidth < 800 && screenHeight < 600) {
        s.programDlgFontSize = 14;
        s.tableCellWidth = 50;
        s.tableCellHeight = 16;
        s.tableFontSize = 14;
    }
    return s;
}

} // namespace zlm
