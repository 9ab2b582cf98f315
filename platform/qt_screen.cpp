#include "platform/screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace zlm {

ScreenSize screenSize()
{
    if (const auto size = screenSizeFromEnvironment())
        return *size;
    // The whole primary screen, as the system metrics report it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        if (size.width() > 0 && size.height() > 0)
            return { size.width(), size.height() };
    }
    return { 1024, 768 };
}

} // namespace zlm
