#include "platform/WindowCalls.h"

#include "core/Twips.h"

#include "platform/XcbSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

namespace platform {

namespace {

QSize PrimaryScreenSize()
{
    if (!qGuiApp)
        return {};
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

using xcb::Fetch;
using xcb::Owned;

struct Atoms
{
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t netClientList = XCB_ATOM_NONE;
};

Atoms InternAtoms(xcb_connection_t *connection)
{
    // Only existing atoms: a window manager that keeps a client list has created its atom.
    const auto ask = [connection](const char *name) {
        return xcb_intern_atom(connection, 1, uint16_t(std::strlen(name)), name);
    };
    const xcb_intern_atom_cookie_t cookies[] = {ask("_NET_WM_NAME"), ask("UTF8_STRING"),
                                                ask("_NET_CLIENT_LIST")};
    xcb_atom_t atoms[3];
    for (int i = 0; i < 3; ++i) {
        const auto reply =
            Fetch<xcb_intern_atom_reply_t>(connection, cookies[i], xcb_intern_atom_reply);
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return {atoms[0], atoms[1], atoms[2]};
}

std::vector<xcb_window_t> Children(xcb_connection_t *connection, xcb_window_t window)
{
    const auto tree = Fetch<xcb_query_tree_reply_t>(connection, xcb_query_tree(connection, window),
                                                    xcb_query_tree_reply);
    if (!tree)
        return {};
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

std::vector<xcb_window_t> ClientList(xcb_connection_t *connection, xcb_window_t root,
                                     const Atoms &atoms)
{
    if (atoms.netClientList == XCB_ATOM_NONE)
        return {};
    const auto reply = Fetch<xcb_get_property_reply_t>(
        connection,
        xcb_get_property(connection, 0, root, atoms.netClientList, XCB_ATOM_WINDOW, 0, 1 << 20),
        xcb_get_property_reply);
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32)
        return {};
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
    return {windows, windows + xcb_get_property_value_length(reply.get()) / 4};
}

// A window's title request pair, sent before any reply is awaited so a search over many
// windows costs one round trip.
struct TitleRequest
{
    xcb_window_t window;
    xcb_get_property_cookie_t netWmName;
    xcb_get_property_cookie_t wmName;
};

TitleRequest AskTitle(xcb_connection_t *connection, xcb_window_t window, const Atoms &atoms)
{
    // Titles longer than 64 KiB are not titles anyone searches for.
    constexpr uint32_t MaxLongs = 16384;
    TitleRequest request{window, {}, {}};
    request.netWmName =
        xcb_get_property(connection, 0, window, atoms.netWmName, atoms.utf8String, 0, MaxLongs);
    request.wmName = xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME,
                                      XCB_GET_PROPERTY_TYPE_ANY, 0, MaxLongs);
    return request;
}

// The property's text; nothing when the window has no such property, or (for
// _NET_WM_NAME) when it is not UTF-8 as the standard demands.
std::optional<QString> PropertyText(xcb_connection_t *connection, xcb_get_property_cookie_t cookie,
                                    xcb_atom_t utf8String, bool utf8Only)
{
    const auto reply = Fetch<xcb_get_property_reply_t>(connection, cookie, xcb_get_property_reply);
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8 ||
        (utf8Only && reply->type != utf8String))
        return std::nullopt;
    const char *bytes = static_cast<const char *>(xcb_get_property_value(reply.get()));
    const int length = xcb_get_property_value_length(reply.get());
    // WM_NAME is Latin-1 (STRING) unless the client says UTF-8.
    if (reply->type == utf8String)
        return QString::fromUtf8(bytes, length);
    return QString::fromLatin1(bytes, length);
}

// _NET_WM_NAME when the window has one, else WM_NAME.
std::optional<QString> CollectTitle(xcb_connection_t *connection, const TitleRequest &request,
                                    const Atoms &atoms)
{
    // Both replies are collected, so neither is left behind in xcb.
    std::optional<QString> title =
        PropertyText(connection, request.netWmName, atoms.utf8String, true);
    std::optional<QString> wmName =
        PropertyText(connection, request.wmName, atoms.utf8String, false);
    return title ? title : wmName;
}

struct Titled
{
    xcb_window_t window;
    std::optional<QString> title;
};

std::vector<Titled> Titles(xcb_connection_t *connection, const std::vector<xcb_window_t> &windows,
                           const Atoms &atoms)
{
    std::vector<TitleRequest> requests;
    requests.reserve(windows.size());
    for (const xcb_window_t window : windows)
        requests.push_back(AskTitle(connection, window, atoms));
    std::vector<Titled> titled;
    titled.reserve(windows.size());
    // Every reply is collected, also after a match, so none is left behind in xcb.
    for (const TitleRequest &request : requests)
        titled.push_back({request.window, CollectTitle(connection, request, atoms)});
    return titled;
}

xcb_window_t FindUnderRoot(xcb_connection_t *connection, xcb_window_t root, const Atoms &atoms,
                           const QString &title)
{
    std::unordered_set<xcb_window_t> seen;
    std::vector<xcb_window_t> frames; // untitled top-level windows: maybe a manager's frame
    const auto search = [&](const std::vector<xcb_window_t> &windows, bool noteFrames) {
        std::vector<xcb_window_t> fresh;
        for (const xcb_window_t window : windows) {
            if (seen.insert(window).second)
                fresh.push_back(window);
        }
        xcb_window_t found = 0;
        for (const Titled &candidate : Titles(connection, fresh, atoms)) {
            if (!found && candidate.title == title)
                found = candidate.window;
            if (noteFrames && (!candidate.title || candidate.title->isEmpty()))
                frames.push_back(candidate.window);
        }
        return found;
    };

    if (const xcb_window_t found = search(Children(connection, root), true))
        return found;
    if (const xcb_window_t found = search(ClientList(connection, root, atoms), false))
        return found;
    std::vector<xcb_window_t> framed;
    for (const xcb_window_t frame : frames) {
        const std::vector<xcb_window_t> inner = Children(connection, frame);
        framed.insert(framed.end(), inner.begin(), inner.end());
    }
    return search(framed, false);
}

} // namespace

int ScreenWidthTwips()
{
    return PrimaryScreenSize().width() * core::TwipsPerPixel;
}

int ScreenHeightTwips()
{
    return PrimaryScreenSize().height() * core::TwipsPerPixel;
}

quint32 FindTopLevelWindow(const QString &title)
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection)
        return 0;

    const Atoms atoms = InternAtoms(connection);
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
         screen.rem > 0; xcb_screen_next(&screen)) {
        if (const xcb_window_t found = FindUnderRoot(connection, screen.data->root, atoms, title))
            return found;
    }
    return 0;
}

} // namespace platform
