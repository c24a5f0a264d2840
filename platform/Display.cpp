#include "platform/Display.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
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

enum class X11Screen { None, FewColours, Usable };

// Qt 6.4's xcb paints only in pixels of 15 bits or more (and in 8-bit grey): on a screen of
// 256 colours nothing shows, and every paint writes warnings.
constexpr quint8 FewestBitsDrawn = 15;

// The screen DISPLAY names, which Qt opens. Qt aborts on a screen the server lacks; asked
// for the screen's number, libxcb refuses the connection instead, so it is no display.
X11Screen NamedX11Screen()
{
    int number = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &number);
    X11Screen found = X11Screen::None;
    if (xcb_connection_has_error(connection) == 0) {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (; screens.rem > 1 && number > 0; --number)
            xcb_screen_next(&screens);
        found =
            screens.data->root_depth < FewestBitsDrawn ? X11Screen::FewColours : X11Screen::Usable;
    }
    xcb_disconnect(connection);
    return found;
}

// The compositor's socket where Qt 6.4 looks for one (it tries Wayland when
// WAYLAND_DISPLAY is set or XDG_SESSION_TYPE says wayland), as a full path; empty when
// nothing answers there.
QByteArray WaylandSocket()
{
    QByteArray path = qgetenv("WAYLAND_DISPLAY");
    if (path.isEmpty()) {
        if (qgetenv("XDG_SESSION_TYPE") != "wayland")
            return {};
        path = "wayland-0"; // libwayland's default
    }
    if (!path.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return {};
        path = runtime + '/' + path;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof address.sun_path)
        return {};
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    const bool answered =
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return answered ? path : QByteArray();
}

// Qt's wayland platform comes in its own package (qt6-wayland), which may be missing.
bool WaylandPluginInstalled()
{
    QStringList folders =
        qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    for (const QString &folder : QCoreApplication::libraryPaths())
        folders << folder + QStringLiteral("/platforms");
    for (const QString &folder : folders) {
        if (!QDir(folder).entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

} // namespace

DisplayFound ChooseDisplay(bool needsX11)
{
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    const bool mayUseX11 = asked.isEmpty() || asked.contains("xcb");
    const bool mayUseWayland = asked.isEmpty() || asked.contains("wayland");
    if (!mayUseX11 && !mayUseWayland)
        return DisplayFound::Ready;
    // A Wayland platform the user asks for is left to Qt, as before.
    bool wayland = mayUseWayland && !asked.isEmpty();
    if (asked.isEmpty()) {
        const QByteArray socket = WaylandSocket();
        wayland = !socket.isEmpty();
        // A full path keeps working when UsePrivateRuntimeFolder moves XDG_RUNTIME_DIR.
        if (wayland)
            qputenv("WAYLAND_DISPLAY", socket);
    }
    const X11Screen screen = mayUseX11 ? NamedX11Screen() : X11Screen::None;
    const bool x11 = screen != X11Screen::None;
    if (needsX11 && !x11)
        return wayland ? DisplayFound::NoX11 : DisplayFound::None;
    // Qt takes Wayland first whenever it is offered.
    if (!needsX11 && wayland && (!asked.isEmpty() || WaylandPluginInstalled()))
        return DisplayFound::Ready;
    if (!x11)
        return wayland ? DisplayFound::NoPlugin : DisplayFound::None;
    if (screen == X11Screen::FewColours)
        return DisplayFound::FewColours;
    // For this run only (and what it starts): XWayland rather than Wayland, or no vain
    // attempt at a Wayland that cannot be used.
    if (!asked.startsWith("xcb"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    return DisplayFound::Ready;
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
    // An orderly end frees the connection with the application, before the exit handlers.
    QObject::connect(qGuiApp, &QObject::destroyed, [] { WatchedConnection = nullptr; });
}

} // namespace platform
