#pragma once
// The edit bar's button icons, drawn with QPainter at whatever size and pixel
// ratio they are asked for, so they stay sharp on any screen.
#include <QIcon>

namespace zlm {

// The icon of an edit-bar command (EditBar::kButtonCommands); a null icon
// for any other id.
QIcon editBarIcon(int commandId);

} // namespace zlm
