// host_window: a full-screen window for an XScreenSaver hack to draw into, made the way
// XScreenSaver makes its own (override-redirect, the root visual, black). Prints the
// window id in hex on one line and stays until it is killed; the window goes with it.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

int main()
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "host_window: cannot open the display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_screen_t *screen = screens.data;

    const xcb_window_t window = xcb_generate_id(connection);
    // Value order follows the mask bits: back pixel, override redirect, event mask.
    const uint32_t values[] = {screen->black_pixel, 1, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0,
                      screen->width_in_pixels, screen->height_in_pixels, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(connection, window);
    // A round trip: the window exists and is mapped before anyone is told its id.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    std::printf("0x%x\n", window);
    std::fflush(stdout);

    // Nothing to do but keep the connection, and so the window, alive.
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection))
        std::free(event);
    xcb_disconnect(connection);
    return 0;
}
