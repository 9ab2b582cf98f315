#include "views/century_font.h"

#include <QFontMetrics>

#include <algorithm>

namespace zlm {

namespace {

constexpr int kMinFontPx = 6;

} // namespace

QFont centuryFont(int heightPx)
{
    QFont font(QStringLiteral("Century"));
    font.setStyleHint(QFont::Serif, QFont::PreferQuality);
    heightPx = std::max(kMinFontPx, heightPx);
    int size = heightPx;
    for (; size > kMinFontPx; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= heightPx)
            break;
    }
    font.setPixelSize(size);
    return font;
}

} // namespace zlm
