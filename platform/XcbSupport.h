#pragma once

// Shared by the platform's X11 calls; not for use outside platform/.

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace platform::xcb {

// Qt's own X11 connection, or nothing on another platform (offscreen, Wayland) or once
// the connection has broken.
inline xcb_connection_t *Connection()
{
    if (!qGuiApp)
        return nullptr;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

// xcb hands out malloc'd replies and errors; each one is owned here.
struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};
template <typename T> using Owned = std::unique_ptr<T, FreeDeleter>;

// Asks for the reply and takes the error with it, so a window that vanished meanwhile
// (BadWindow) is neither an X error Qt reports nor a leak.
template <typename Reply, typename Cookie, typename ReplyFunction>
Owned<Reply> Fetch(xcb_connection_t *connection, Cookie cookie, ReplyFunction replyFunction)
{
    xcb_generic_error_t *error = nullptr;
    Owned<Reply> reply(replyFunction(connection, cookie, &error));
    std::free(error);
    return reply;
}

} // namespace platform::xcb
