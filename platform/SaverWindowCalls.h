#pragma once

#include <QRect>
#include <QSize>
#include <QtGlobal>
#include <functional>
#include <optional>

class QWidget;

// What the saver window asks of the window system beyond what Qt widgets do themselves.
namespace platform {

// The cursor's display count, as the saver raises and lowers it: the cursor shows while
// the count is 0 or more, and is hidden over the application's windows below 0.
// Returns the new count.
int ShowCursor(bool show);
int CursorDisplayCount();

// Whether the system is told that a screen saver is running. Linux has no such flag;
// it is kept here so that the saver's bookkeeping can be seen.
void SetScreenSaverRunning(bool running);
bool ScreenSaverRunning();

// Full screen above every other window, at `pixels` (the desktop's rectangle); shown.
void PlaceTopmost(QWidget *window, const QRect &pixels);
// The window stops staying above the others; its size stays.
void DropTopmost(QWidget *window);

// The client size in logical pixels (the X server's over the device pixel ratio) of
// another program's X11 window, or nothing when the id is 0, names no window, or there is
// no X server.
std::optional<QSize> ForeignClientSize(quint32 windowId);

// The root window of the X server's first screen, or 0 without an X server.
quint32 RootWindowId();

// Makes `window` a child of another program's X11 window, at 0, 0 with `size` (logical
// pixels, as ForeignClientSize gives it), shown and not activated. False, with nothing
// shown, when that cannot be done (no X server, the host is gone, even while this runs).
bool EmbedInForeignWindow(QWidget *window, quint32 hostId, const QSize &size);

// Calls `gone` once when the X11 window behind `window` is destroyed from outside (its
// foreign parent going away takes it along). Qt itself sends no event for that.
void WhenDestroyedFromOutside(QWidget *window, std::function<void()> gone);

// Brings a visible top-level window of this program titled `title` (other than `except`)
// to the front, if there is one. Other programs' windows may carry the same title.
void ActivateOwnWindow(const QString &title, const QWidget *except = nullptr);

} // namespace platform
