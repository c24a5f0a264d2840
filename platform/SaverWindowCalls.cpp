#include "platform/SaverWindowCalls.h"

#include "platform/WindowCalls.h"
#include "platform/XcbSupport.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <memory>

namespace platform {

namespace {

int displayCount = 0;
bool blankCursorSet = false; // whether our blank cursor is on Qt's override stack
bool screenSaverRunning = false;

using xcb::Fetch;

// The X window behind the widget as Qt has it now; QWidget::winId() can be stale (below).
WId CurrentXWindow(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle && handle->handle() ? handle->winId() : 0;
}

// When the stay-on-top hint of a created window changes, Qt 6.4's xcb replaces its X window
// at the next show(), and QWidget::winId() goes on naming the destroyed one. So a shown
// window changes its hints in place (the QWindow tells a window manager); a hidden one
// first loses its native window and gets a fresh one, id and all, when shown.
void ChangeWindowFlags(QWidget *window, Qt::WindowFlags flags)
{
    QWindow *handle = window->windowHandle();
    if (handle && handle->handle() && !window->isVisible())
        handle->destroy();
    if (handle && handle->handle()) {
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

// Does the rectangle cover exactly one screen, so that "full screen" means the same to a
// window manager as to us?
bool IsWholeScreen(const QRect &pixels)
{
    const QScreen *screen = QGuiApplication::screenAt(pixels.center());
    return screen && screen->geometry() == pixels;
}

// Watches Qt's X event stream for the destruction of one widget's X window by someone
// else. A child of the widget: it goes, and stops watching, when the widget goes.
class DestructionWatch final : public QObject, public QAbstractNativeEventFilter
{
public:
    DestructionWatch(QWidget *window, std::function<void()> gone)
        : QObject(window), m_window(window), m_gone(std::move(gone))
    {
        window->winId(); // its X window must exist for its destruction to be seen
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (!m_gone || eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
            return false;
        // Qt's own destruction of the window drops or replaces it before the notice
        // arrives, so a match can only be a destruction from outside.
        const auto *destroyed = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        if (destroyed->window != CurrentXWindow(m_window))
            return false;
        // Queued, and not on the widget: the caller may well end the event loop or delete
        // the widget, neither of which belongs inside Qt's event dispatch.
        QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(m_gone),
                                  Qt::QueuedConnection);
        m_gone = nullptr;
        return false;
    }

private:
    QWidget *m_window; // our parent, so alive as long as we are
    std::function<void()> m_gone;
};

// The window's parent as the server has it now; 0 for a window that is gone.
xcb_window_t ParentOf(xcb_connection_t *connection, xcb_window_t window)
{
    const auto tree = Fetch<xcb_query_tree_reply_t>(connection, xcb_query_tree(connection, window),
                                                    xcb_query_tree_reply);
    return tree ? tree->parent : 0;
}

} // namespace

int ShowCursor(bool show)
{
    displayCount += show ? 1 : -1;
    const bool hide = displayCount < 0;
    if (qGuiApp && hide != blankCursorSet) {
        if (hide)
            QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        else
            QGuiApplication::restoreOverrideCursor();
        blankCursorSet = hide;
    }
    return displayCount;
}

int CursorDisplayCount()
{
    return displayCount;
}

void SetScreenSaverRunning(bool running)
{
    screenSaverRunning = running;
}

bool ScreenSaverRunning()
{
    return screenSaverRunning;
}

void PlaceTopmost(QWidget *window, const QRect &pixels)
{
    if (!window)
        return;
    ChangeWindowFlags(window, window->windowFlags() | Qt::Window | Qt::FramelessWindowHint |
                                  Qt::WindowStaysOnTopHint);
    // Without a window manager nobody else sizes the window: it keeps whatever geometry
    // it has (640 x 480 for a fresh one), full screen or not.
    window->setGeometry(pixels);
    // Qt tells a window manager _NET_WM_STATE_ABOVE (the stay-on-top hint) and, in the
    // full-screen state, _NET_WM_STATE_FULLSCREEN, so it keeps the window above its
    // panels: as a property set before mapping, or as messages to the root when the
    // window is mapped already. A rectangle spanning several screens is no one screen's
    // full screen; there the hint and the geometry do it.
    if (IsWholeScreen(pixels))
        window->showFullScreen();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

void DropTopmost(QWidget *window)
{
    if (!window || !(window->windowFlags() & Qt::WindowStaysOnTopHint))
        return;
    // In place: QWidget::setWindowFlags would hide a shown window and leave it to us to
    // show it again (a flicker, and a manager may place it anew).
    ChangeWindowFlags(window, window->windowFlags() & ~Qt::WindowStaysOnTopHint);
}

std::optional<QSize> ForeignClientSize(quint32 windowId)
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection || windowId == 0)
        return std::nullopt;
    // Both asked before either answer is awaited: one round trip. The geometry alone would
    // also answer for a pixmap.
    const auto attributesCookie = xcb_get_window_attributes(connection, windowId);
    const auto geometryCookie = xcb_get_geometry(connection, windowId);
    const auto attributes = Fetch<xcb_get_window_attributes_reply_t>(
        connection, attributesCookie, xcb_get_window_attributes_reply);
    const auto geometry =
        Fetch<xcb_get_geometry_reply_t>(connection, geometryCookie, xcb_get_geometry_reply);
    if (!attributes || !geometry)
        return std::nullopt;
    // The X server counts the screen's pixels; Qt and the saver's layout count logical ones.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1;
    return QSize(int(std::ceil(geometry->width / ratio)), int(std::ceil(geometry->height / ratio)));
}

quint32 RootWindowId()
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection)
        return 0;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen ? screen->root : 0;
}

bool EmbedInForeignWindow(QWidget *window, quint32 hostId, const QSize &size)
{
    xcb_connection_t *connection = xcb::Connection();
    QWindow *host = window && connection ? QWindow::fromWinId(hostId) : nullptr;
    if (!host)
        return false;
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->winId(); // creates the native window, so there is a QWindow to reparent
    QWindow *handle = window->windowHandle();
    handle->setParent(host);
    // setParent made our QWindow a child of the host's in Qt's object tree too, so the host
    // may go only after our QWindow has: later, never during its destruction.
    QObject::connect(handle, &QObject::destroyed, host, &QObject::deleteLater);
    // Qt makes the window on the root and then moves it: a host destroyed before the move
    // leaves it there, where showing it would cover the desktop for good (no DestroyNotify
    // ever comes). Once the server has it inside the host, it can only go with the host.
    if (ParentOf(connection, xcb_window_t(handle->winId())) != hostId)
        return false;
    window->setGeometry(QRect(QPoint(0, 0), size));
    window->show();
    return true;
}

// For the caller: once embedded, leave with QCoreApplication::exit(); Qt 6.4 ignores a
// plain quit() while the window lives in another program's window, host gone or not.
// Until the process ends, Qt goes on using the dead window (painting, finally destroying
// it); the X errors that earns are harmless: Qt 6.4 only logs them, as debug messages of
// qt.qpa.xcb, and carries on.
void WhenDestroyedFromOutside(QWidget *window, std::function<void()> gone)
{
    if (!window || !gone || !xcb::Connection())
        return;
    new DestructionWatch(window, std::move(gone));
}

void ActivateOwnWindow(const QString &title, const QWidget *except)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != except && window->isVisible() && window->windowTitle() == title) {
            window->raise();
            window->activateWindow();
            return;
        }
    }
}

} // namespace platform
