// Another program's window, as a host that embeds the saver's preview would have.
//   foreign_window <width> <height> [title]
// Makes and maps an X11 window of that size, prints its id ("0x..."), and waits until
// stdin closes or reads the line "destroy", which destroys the window before exiting.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Returns once the server has carried out every request sent so far.
void RoundTrip(xcb_connection_t *connection)
{
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: foreign_window <width> <height> [title]\n");
        return 2;
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "foreign_window: no X server\n");
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t background = screen->black_pixel;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0,
                      uint16_t(std::atoi(argv[1])), uint16_t(std::atoi(argv[2])), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      &background);
    if (argc > 3)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                            Atom(connection, "_NET_WM_NAME"), Atom(connection, "UTF8_STRING"), 8,
                            uint32_t(std::strlen(argv[3])), argv[3]);
    xcb_map_window(connection, window);
    RoundTrip(connection);
    std::printf("0x%x\n", window);
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strcmp(line, "destroy\n") == 0) {
            xcb_destroy_window(connection, window);
            RoundTrip(connection);
            break;
        }
    }
    xcb_disconnect(connection);
    return 0;
}
