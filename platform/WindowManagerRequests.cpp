#include "platform/WindowManagerRequests.h"

#include "platform/XcbSupport.h"

#include <cstring>
#include <dlfcn.h>

namespace {

// The atom of the requests to drop; none until asked.
xcb_atom_t droppedType = XCB_ATOM_NONE;

} // namespace

extern "C" xcb_void_cookie_t xcb_send_event(xcb_connection_t *connection, uint8_t propagate,
                                            xcb_window_t destination, uint32_t eventMask,
                                            const char *event)
{
    using SendEvent =
        xcb_void_cookie_t (*)(xcb_connection_t *, uint8_t, xcb_window_t, uint32_t, const char *);
    static const auto libxcbSendEvent =
        reinterpret_cast<SendEvent>(::dlsym(RTLD_NEXT, "xcb_send_event"));
    if (droppedType != XCB_ATOM_NONE && event && (event[0] & 0x7f) == XCB_CLIENT_MESSAGE) {
        xcb_client_message_event_t message;
        std::memcpy(&message, event, sizeof message);
        if (message.type == droppedType)
            return {0};
    }
    return libxcbSendEvent(connection, propagate, destination, eventMask, event);
}

namespace platform {

void DropWindowManagerStateRequests()
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection)
        return;
    static const char name[] = "_NET_WM_STATE";
    const auto reply = xcb::Fetch<xcb_intern_atom_reply_t>(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name),
        xcb_intern_atom_reply);
    if (reply)
        droppedType = reply->atom;
}

} // namespace platform
