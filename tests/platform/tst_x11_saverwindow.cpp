#include "TestSupport.h"

#include "platform/SaverWindowCalls.h"

#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

using namespace platform;

namespace {

struct FreeDeleter
{
    void operator()(void *pointer) const { std::free(pointer); }
};
template <typename T> using Owned = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t *QtConnection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Asks on Qt's own connection, so the answer also waits for every request Qt has sent.
template <typename Reply, typename Cookie, typename ReplyFunction>
Owned<Reply> Ask(Cookie cookie, ReplyFunction replyFunction)
{
    xcb_generic_error_t *error = nullptr;
    Owned<Reply> reply(replyFunction(QtConnection(), cookie, &error));
    std::free(error);
    return reply;
}

void Sync()
{
    Ask<xcb_get_input_focus_reply_t>(xcb_get_input_focus(QtConnection()),
                                     xcb_get_input_focus_reply);
}

xcb_atom_t Atom(xcb_connection_t *connection, const char *name)
{
    const Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t Root()
{
    return xcb_setup_roots_iterator(xcb_get_setup(QtConnection())).data->root;
}

// A window as the X server sees it.
struct ServerView
{
    bool exists = false;
    xcb_window_t parent = XCB_WINDOW_NONE;
    QRect geometry; // in the parent
    uint8_t mapState = XCB_MAP_STATE_UNMAPPED;
    xcb_window_t topChild = XCB_WINDOW_NONE; // the top of its children's stacking order
};

ServerView Describe(xcb_window_t window)
{
    xcb_connection_t *connection = QtConnection();
    const auto tree =
        Ask<xcb_query_tree_reply_t>(xcb_query_tree(connection, window), xcb_query_tree_reply);
    const auto geometry =
        Ask<xcb_get_geometry_reply_t>(xcb_get_geometry(connection, window), xcb_get_geometry_reply);
    const auto attributes = Ask<xcb_get_window_attributes_reply_t>(
        xcb_get_window_attributes(connection, window), xcb_get_window_attributes_reply);
    ServerView view;
    if (!tree || !geometry || !attributes)
        return view;
    view.exists = true;
    view.parent = tree->parent;
    view.geometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
    view.mapState = attributes->map_state;
    if (const int count = xcb_query_tree_children_length(tree.get()))
        view.topChild = xcb_query_tree_children(tree.get())[count - 1];
    return view;
}

xcb_window_t FocusedWindow()
{
    const auto reply = Ask<xcb_get_input_focus_reply_t>(xcb_get_input_focus(QtConnection()),
                                                        xcb_get_input_focus_reply);
    return reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
}

// The screen size the test runner started Xvfb with, if it said.
QSize ExpectedScreenSize()
{
    const QStringList parts = qEnvironmentVariable("LUMIDEX_EXPECTED_SCREEN").split('x');
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

// Another program's top-level window (tests/platform/helpers/foreign_window).
class ForeignWindow
{
public:
    explicit ForeignWindow(const QSize &size, const QString &title = QString())
    {
        QStringList arguments{QString::number(size.width()), QString::number(size.height())};
        if (!title.isEmpty())
            arguments << title;
        m_process.start(QStringLiteral(FOREIGN_WINDOW_HELPER), arguments);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_id = m_process.readLine().trimmed().toUInt(nullptr, 0);
    }
    ~ForeignWindow()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }
    ForeignWindow(const ForeignWindow &) = delete;
    ForeignWindow &operator=(const ForeignWindow &) = delete;

    quint32 id() const { return m_id; }

    // The program destroys its window and ends.
    bool destroy()
    {
        m_process.write("destroy\n");
        return m_process.waitForFinished(5000) && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
    quint32 m_id = 0;
};

// Just enough of a window manager to be detected and to hear what clients ask of it: the
// client messages sent to the root window, and which top-level windows were unmapped.
class FakeWindowManager
{
public:
    struct Message
    {
        xcb_window_t window;
        xcb_atom_t type;
        std::array<uint32_t, 5> data;
    };

    FakeWindowManager() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_check = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, 0, m_check, m_root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        for (const xcb_window_t window : {m_root, m_check})
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, checkAtom(),
                                XCB_ATOM_WINDOW, 32, 1, &m_check);
        // Notify masks only: redirection would make us responsible for mapping windows.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        roundTrip();
    }
    ~FakeWindowManager()
    {
        xcb_delete_property(m_connection, m_root, checkAtom());
        roundTrip();
        xcb_disconnect(m_connection);
    }
    FakeWindowManager(const FakeWindowManager &) = delete;
    FakeWindowManager &operator=(const FakeWindowManager &) = delete;

    xcb_atom_t atom(const char *name) { return Atom(m_connection, name); }

    // Everything heard since the last call; call Sync() first for all Qt has sent.
    void collect()
    {
        roundTrip();
        messages.clear();
        unmapped.clear();
        while (const Owned<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)}) {
            const auto type = event->response_type & 0x7f;
            if (type == XCB_CLIENT_MESSAGE) {
                const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event.get());
                Message heard{message->window, message->type, {}};
                std::memcpy(heard.data.data(), message->data.data32, sizeof heard.data);
                messages.push_back(heard);
            } else if (type == XCB_UNMAP_NOTIFY) {
                unmapped.push_back(
                    reinterpret_cast<xcb_unmap_notify_event_t *>(event.get())->window);
            }
        }
    }

    // Whether a client has put this _NET_WM_STATE on the window: as the property before
    // mapping it, or after, as a message asking the manager to add it.
    bool learnsState(xcb_window_t window, const char *name)
    {
        const xcb_atom_t state = atom(name);
        const Owned<xcb_get_property_reply_t> property(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
            nullptr));
        if (property && property->format == 32) {
            const auto *atoms =
                static_cast<const xcb_atom_t *>(xcb_get_property_value(property.get()));
            if (std::count(atoms, atoms + xcb_get_property_value_length(property.get()) / 4, state))
                return true;
        }
        return std::any_of(messages.begin(), messages.end(), [&](const Message &message) {
            return message.window == window && message.type == atom("_NET_WM_STATE") &&
                   message.data[0] == 1 && (message.data[1] == state || message.data[2] == state);
        });
    }

    std::vector<Message> messages;
    std::vector<xcb_window_t> unmapped;

private:
    xcb_atom_t checkAtom() { return atom("_NET_SUPPORTING_WM_CHECK"); }
    void roundTrip()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_window_t m_check = 0;
};

// X errors reach the test log through Qt's xcb logging; none may appear.
void FailOnXErrors()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("XCB error")));
}

// Lets every X error and event caused so far reach Qt and be handled.
void Settle()
{
    Sync();
    QTest::qWait(100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Sync();
    QCoreApplication::processEvents();
}

} // namespace

class X11SaverWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void placeTopmost_data();
    void placeTopmost();
    void dropTopmostKeepsSizeAndMapping();
    void foreignClientSize_data();
    void foreignClientSize();
    void badIdsNameNothing_data();
    void badIdsNameNothing();
    void embedsInAnotherProgramsWindow_data();
    void embedsInAnotherProgramsWindow();
    void reportsDestructionFromOutside_data();
    void reportsDestructionFromOutside();
    void ignoresQtsOwnDestruction();
    void activatesWindowByTitle_data();
    void activatesWindowByTitle();
};

void X11SaverWindowTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)");
    // Otherwise a run meant for another screen size would pass on the wrong one.
    if (const QSize expected = ExpectedScreenSize(); expected.isValid())
        QCOMPARE(QGuiApplication::primaryScreen()->size(), expected);
}

void X11SaverWindowTest::placeTopmost_data()
{
    QTest::addColumn<QRect>("target");   // empty: the whole screen
    QTest::addColumn<QString>("before"); // what had become of the window before
    QTest::newRow("new window, whole screen") << QRect() << "new";
    QTest::newRow("created window, whole screen") << QRect() << "created";
    QTest::newRow("shown window, whole screen") << QRect() << "shown";
    QTest::newRow("shown and hidden window, whole screen") << QRect() << "hidden";
    QTest::newRow("new window, part of the screen") << QRect(30, 40, 320, 200) << "new";
}

void X11SaverWindowTest::placeTopmost()
{
    QFETCH(QRect, target);
    QFETCH(QString, before);
    const bool wholeScreen = target.isEmpty();
    if (wholeScreen)
        target = QGuiApplication::primaryScreen()->geometry();
    QWidget window;
    window.resize(200, 150);
    if (before == "created")
        window.winId();
    if (before == "shown" || before == "hidden") {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    if (before == "hidden")
        window.hide();
    QWidget other; // made later, so above a window made before
    other.resize(100, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    FakeWindowManager manager;

    PlaceTopmost(&window, target);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), target);
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    Sync();
    // window.winId() as any caller would use it: it must name the window Qt shows.
    const ServerView view = Describe(window.winId());
    QCOMPARE(view.parent, Root());
    QCOMPARE(view.geometry, target);
    QCOMPARE(view.mapState, XCB_MAP_STATE_VIEWABLE);
    QCOMPARE(Describe(Root()).topChild, xcb_window_t(window.winId()));
    // What a window manager learns, to keep the window above everything, panels included.
    manager.collect();
    QVERIFY(manager.learnsState(window.winId(), "_NET_WM_STATE_ABOVE"));
    QCOMPARE(manager.learnsState(window.winId(), "_NET_WM_STATE_FULLSCREEN"), wholeScreen);
}

void X11SaverWindowTest::dropTopmostKeepsSizeAndMapping()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget window;
    PlaceTopmost(&window, screen);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FakeWindowManager manager; // hears only what dropping says

    DropTopmost(&window);
    Sync();
    QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), screen);
    const ServerView view = Describe(window.winId());
    QCOMPARE(view.geometry, screen);
    QCOMPARE(view.mapState, XCB_MAP_STATE_VIEWABLE);
    manager.collect();
    QVERIFY(manager.unmapped.empty()); // no hide and show again: no flicker
    const xcb_atom_t above = manager.atom("_NET_WM_STATE_ABOVE");
    const bool toldToRemove =
        std::any_of(manager.messages.begin(), manager.messages.end(), [&](const auto &message) {
            return message.window == window.winId() &&
                   message.type == manager.atom("_NET_WM_STATE") && message.data[0] == 0 &&
                   (message.data[1] == above || message.data[2] == above);
        });
    QVERIFY(toldToRemove);
}

void X11SaverWindowTest::foreignClientSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(320, 200);
    QTest::newRow("one pixel") << QSize(1, 1);
    QTest::newRow("larger than the screen") << QSize(5000, 3000);
}

void X11SaverWindowTest::foreignClientSize()
{
    QFETCH(QSize, size);
    ForeignWindow other(size);
    QVERIFY(other.id() != 0);
    QCOMPARE(ForeignClientSize(other.id()), size);
}

void X11SaverWindowTest::badIdsNameNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("zero") << "zero";
    QTest::newRow("no such resource") << "0x7fffffff";
    QTest::newRow("window destroyed") << "destroyed";
    QTest::newRow("a pixmap") << "pixmap";
}

void X11SaverWindowTest::badIdsNameNothing()
{
    QFETCH(QString, kind);
    FailOnXErrors();
    quint32 id = 0;
    if (kind == "0x7fffffff") {
        id = 0x7fffffff;
    } else if (kind == "destroyed") {
        ForeignWindow other(QSize(100, 100));
        id = other.id();
        QVERIFY(other.destroy());
    } else if (kind == "pixmap") {
        id = xcb_generate_id(QtConnection());
        xcb_create_pixmap(QtConnection(), 24, id, Root(), 10, 10);
    }

    QCOMPARE(ForeignClientSize(id), std::nullopt);
    QWidget window;
    QVERIFY(!EmbedInForeignWindow(&window, id, QSize(100, 100)));
    QVERIFY(!window.isVisible());
    Settle();
    if (kind == "pixmap")
        xcb_free_pixmap(QtConnection(), id);
}

void X11SaverWindowTest::embedsInAnotherProgramsWindow_data()
{
    QTest::addColumn<QSize>("size"); // empty: the whole screen
    QTest::newRow("preview size") << QSize(152, 112);
    QTest::newRow("whole screen") << QSize();
}

void X11SaverWindowTest::embedsInAnotherProgramsWindow()
{
    QFETCH(QSize, size);
    if (size.isEmpty())
        size = QGuiApplication::primaryScreen()->size();
    FailOnXErrors();
    ForeignWindow host(size);
    const std::optional<QSize> reported = ForeignClientSize(host.id());
    QCOMPARE(reported, size);
    QWidget window;

    QVERIFY(EmbedInForeignWindow(&window, host.id(), *reported));
    QVERIFY(window.isVisible());
    QCOMPARE(window.size(), size);
    QTRY_COMPARE(Describe(window.winId()).mapState, XCB_MAP_STATE_VIEWABLE);
    const ServerView view = Describe(window.winId());
    QCOMPARE(view.parent, host.id());
    QCOMPARE(view.geometry, QRect(QPoint(0, 0), size));
    QVERIFY(FocusedWindow() != window.winId());
}

void X11SaverWindowTest::reportsDestructionFromOutside_data()
{
    QTest::addColumn<bool>("hostDestroyed"); // else our window is destroyed by itself
    QTest::newRow("host program destroys its window") << true;
    QTest::newRow("another client destroys ours") << false;
}

void X11SaverWindowTest::reportsDestructionFromOutside()
{
    QFETCH(bool, hostDestroyed);
    FailOnXErrors();
    ForeignWindow host(QSize(300, 200));
    auto window = std::make_unique<QWidget>();
    QVERIFY(EmbedInForeignWindow(window.get(), host.id(), QSize(300, 200)));
    QTRY_COMPARE(Describe(window->winId()).mapState, XCB_MAP_STATE_VIEWABLE);
    int calls = 0;
    WhenDestroyedFromOutside(window.get(), [&calls] { ++calls; });

    QElapsedTimer elapsed;
    elapsed.start();
    if (hostDestroyed) {
        QVERIFY(host.destroy());
    } else {
        xcb_connection_t *other = xcb_connect(nullptr, nullptr);
        xcb_destroy_window(other, xcb_window_t(window->winId()));
        std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
        xcb_disconnect(other);
    }
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 1000);
    QVERIFY2(elapsed.elapsed() <= 1000, qPrintable(QString::number(elapsed.elapsed())));

    // Qt does not know the window is gone and goes on using it: painting, resizing,
    // hiding, finally destroying it. None of that may abort or print X errors.
    window->update();
    window->resize(120, 90);
    Settle();
    window->hide();
    window.reset();
    Settle();
    QCOMPARE(calls, 1);
    QCOMPARE(xcb_connection_has_error(QtConnection()), 0);

    // And the next embedding works as the first did.
    ForeignWindow next(QSize(200, 100));
    QWidget again;
    QVERIFY(EmbedInForeignWindow(&again, next.id(), QSize(200, 100)));
    QTRY_COMPARE(Describe(again.winId()).parent, next.id());
}

void X11SaverWindowTest::ignoresQtsOwnDestruction()
{
    QWidget container;
    container.show();
    auto window = std::make_unique<QWidget>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    int calls = 0;
    WhenDestroyedFromOutside(window.get(), [&calls] { ++calls; });

    // A new stay-on-top hint makes Qt 6.4 replace the X window when the widget is shown
    // again, while QWidget::winId() goes on naming the old, destroyed one.
    xcb_window_t before = xcb_window_t(window->windowHandle()->winId());
    window->setWindowFlags(window->windowFlags() | Qt::WindowStaysOnTopHint);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    Settle();
    QVERIFY(!Describe(before).exists);
    QCOMPARE(calls, 0);

    // Becoming a child widget makes Qt destroy the X window while the widget lives on.
    before = xcb_window_t(window->windowHandle()->winId());
    window->setParent(&container);
    Settle();
    QVERIFY(!Describe(before).exists);
    QCOMPARE(calls, 0);

    // Deleting the widget destroys its window too.
    window->setParent(nullptr);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window.reset();
    Settle();
    QCOMPARE(calls, 0);
}

void X11SaverWindowTest::activatesWindowByTitle_data()
{
    QTest::addColumn<bool>("withManager");
    QTest::newRow("no window manager") << false;
    QTest::newRow("window manager") << true;
}

void X11SaverWindowTest::activatesWindowByTitle()
{
    QFETCH(bool, withManager);
    const QString title = QStringLiteral("Lumidex Settings – the other instance");
    ForeignWindow other(QSize(200, 100), title);
    QVERIFY(other.id() != 0);
    QWidget cover; // made later: above the other window, and focused
    cover.setGeometry(0, 0, 300, 300);
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));
    cover.activateWindow();
    QTRY_COMPARE(FocusedWindow(), xcb_window_t(cover.winId()));
    std::optional<FakeWindowManager> manager;
    if (withManager)
        manager.emplace();
    const xcb_window_t top = Describe(Root()).topChild;

    ActivateWindowByTitle(QStringLiteral("Lumidex Settings"));
    Sync();
    QCOMPARE(Describe(Root()).topChild, top);
    QCOMPARE(FocusedWindow(), xcb_window_t(cover.winId()));

    ActivateWindowByTitle(title);
    Sync();
    if (!withManager) {
        QCOMPARE(Describe(Root()).topChild, other.id());
        QCOMPARE(FocusedWindow(), other.id());
        return;
    }
    // With a manager, only the manager changes focus and stacking.
    QCOMPARE(Describe(Root()).topChild, top);
    QCOMPARE(FocusedWindow(), xcb_window_t(cover.winId()));
    manager->collect();
    QCOMPARE(manager->messages.size(), size_t(1));
    QCOMPARE(manager->messages[0].window, other.id());
    QCOMPARE(manager->messages[0].type, manager->atom("_NET_ACTIVE_WINDOW"));
}

LUMIDEX_REGISTER_TEST(X11SaverWindowTest)
#include "tst_x11_saverwindow.moc"
