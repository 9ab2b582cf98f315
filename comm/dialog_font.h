#pragma once
// The face of what the program's dialogs list and edit (map names, titles,
// folders, devices): "Century" (start-up maps the name to an installed roman
// face) at the registry's ProgramDlgFontSize, in pixels (19, or 14 on a small
// screen). Buttons and captions keep the system's face.
#include <QFont>

#include <algorithm>

namespace zlm {

inline QFont programDialogFont(int pixels)
{
    QFont font(QStringLiteral("Century"));
    font.setPixelSize(std::max(8, pixels));
    return font;
}

} // namespace zlm
