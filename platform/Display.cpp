#include "platform/Display.h"

#include <QByteArray>
#include <QtGlobal>
#include <xcb/xcb.h>

namespace platform {

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

} // namespace platform
