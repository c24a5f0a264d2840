#include "platform/Display.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace platform {

namespace {

xcb_connection_t *WatchedConnection = nullptr;

// Runs among the exit handlers, before the destructors of objects made earlier.
void SkipDestructorsWhenTheDisplayIsGone()
{
    if (WatchedConnection && xcb_connection_has_error(WatchedConnection)) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
}

} // namespace

bool CanOpenDisplay()
{
    // Other platforms (offscreen for tests, Wayland) are left to Qt.
    const QByteArray platformName = qgetenv("QT_QPA_PLATFORM");
    if (!platformName.isEmpty() && !platformName.startsWith("xcb"))
        return true;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return connected;
}

void EndQuietlyWhenTheDisplayGoes()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    if (!WatchedConnection)
        std::atexit(SkipDestructorsWhenTheDisplayIsGone);
    WatchedConnection = x11->connection();
}

} // namespace platform
