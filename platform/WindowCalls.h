#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// The primary screen's size in twips (a GUI application must exist).
int ScreenWidthTwips();
int ScreenHeightTwips();

// The X11 id of a top-level window whose title is exactly `title`, or 0.
// Without an X server (offscreen, Wayland) there is no such window.
quint32 FindTopLevelWindow(const QString &title);

} // namespace platform
