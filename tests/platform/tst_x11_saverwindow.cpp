#include "TestSupport.h"

#include "platform/SaverWindowCalls.h"

#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <algorithm>
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

xcb_connection_t *X() // Qt's own connection
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// A round trip on Qt's connection: the server has carried out all Qt has sent.
void Sync()
{
    std::free(xcb_get_input_focus_reply(X(), xcb_get_input_focus(X()), nullptr));
}

// Lets the X errors and events caused so far reach Qt and be handled.
void Settle()
{
    Sync();
    QTest::qWait(100);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Sync();
    QCoreApplication::processEvents();
}

xcb_atom_t Atom(xcb_connection_t *connection, const char *name)
{
    const Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t Root()
{
    return xcb_setup_roots_iterator(xcb_get_setup(X())).data->root;
}

WId Focus()
{
    const Owned<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(X(), xcb_get_input_focus(X()), nullptr));
    return reply->focus;
}

// A window as the X server sees it; `exists` false when it does not.
struct ServerView
{
    bool exists = false;
    WId parent = 0;
    QRect geometry; // in the parent
    uint8_t mapState = 0;
    WId topChild = 0; // the top of its children's stacking order
};

ServerView Describe(WId id)
{
    const auto window = xcb_window_t(id);
    const Owned<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(X(), xcb_query_tree(X(), window), nullptr));
    const Owned<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(X(), xcb_get_geometry(X(), window), nullptr));
    const Owned<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(X(), xcb_get_window_attributes(X(), window), nullptr));
    if (!tree || !geometry || !attributes)
        return {};
    const int children = xcb_query_tree_children_length(tree.get());
    return {true, tree->parent, QRect(geometry->x, geometry->y, geometry->width, geometry->height),
            attributes->map_state,
            children ? xcb_query_tree_children(tree.get())[children - 1] : 0};
}

// Another program's top-level window: tests/platform/helpers/foreign_window.
class ForeignWindow
{
public:
    explicit ForeignWindow(const QSize &size, const QString &title = QString())
    {
        m_process.start(QStringLiteral(FOREIGN_WINDOW_HELPER),
                        {QString::number(size.width()), QString::number(size.height()), title});
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        id = m_process.readLine().trimmed().toUInt(nullptr, 0);
    }
    ~ForeignWindow()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished(5000);
    }

    // The program destroys its window and ends.
    bool destroy()
    {
        m_process.write("destroy\n");
        return m_process.waitForFinished(5000) && m_process.exitCode() == 0;
    }

    WId id = 0;

private:
    QProcess m_process;
};

// Just enough of a window manager to be detected and to hear what clients ask of it:
// client messages sent to the root, and which top-level windows were unmapped.
class FakeWindowManager
{
public:
    struct Message
    {
        xcb_window_t window;
        xcb_atom_t type;
        uint32_t data[3];
    };

    FakeWindowManager() : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_window_t check = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, 0, check, Root(), -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        for (const xcb_window_t window : {Root(), check})
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window,
                                atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 32, 1, &check);
        // Notify masks only: redirection would leave mapping windows to us.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, Root(), XCB_CW_EVENT_MASK, &mask);
        collect();
    }
    ~FakeWindowManager()
    {
        xcb_delete_property(m_connection, Root(), atom("_NET_SUPPORTING_WM_CHECK"));
        collect();
        xcb_disconnect(m_connection);
    }

    xcb_atom_t atom(const char *name) { return Atom(m_connection, name); }

    // What was heard since the last call; Sync() first for all Qt has sent.
    void collect()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        messages.clear();
        unmapped.clear();
        while (const Owned<xcb_generic_event_t> event{xcb_poll_for_event(m_connection)}) {
            const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event.get());
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE)
                messages.push_back(
                    {message->window,
                     message->type,
                     {message->data.data32[0], message->data.data32[1], message->data.data32[2]}});
            if ((event->response_type & 0x7f) == XCB_UNMAP_NOTIFY)
                unmapped.push_back(
                    reinterpret_cast<xcb_unmap_notify_event_t *>(event.get())->window);
        }
    }

    // Whether a client asked for this _NET_WM_STATE (1 add, 0 remove) on the window: by a
    // message, or (adding, before mapping) by the property itself.
    bool heardState(WId window, uint32_t action, const char *name)
    {
        const xcb_atom_t state = atom(name);
        const Owned<xcb_get_property_reply_t> property(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
            nullptr));
        if (!property)
            return false;
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(property.get()));
        if (action == 1 && std::count(atoms, atoms + property->value_len, state))
            return true;
        return std::any_of(messages.begin(), messages.end(), [&](const Message &message) {
            return message.window == window && message.type == atom("_NET_WM_STATE") &&
                   message.data[0] == action &&
                   (message.data[1] == state || message.data[2] == state);
        });
    }

    std::vector<Message> messages;
    std::vector<xcb_window_t> unmapped;

private:
    xcb_connection_t *m_connection;
};

// Counts the X errors Qt meets meanwhile. Qt 6.4 only logs them, as debug messages of
// qt.qpa.xcb, so that category is switched on, and kept out of the test log.
class XErrorCounter
{
public:
    XErrorCounter()
    {
        count = 0;
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.xcb.debug=true"));
        s_previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (type != QtDebugMsg || qstrcmp(context.category, "qt.qpa.xcb") != 0)
                    s_previous(type, context, message);
                else if (message.contains(QLatin1String("XCB error")))
                    ++count;
            });
    }
    ~XErrorCounter()
    {
        qInstallMessageHandler(s_previous);
        QLoggingCategory::setFilterRules(QString());
    }

    static inline int count = 0;

private:
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace

class X11SaverWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void placeTopmost_data();
    void placeTopmost();
    void dropTopmostKeepsSizeAndMapping();
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
    // A run meant for another screen size must not pass on the wrong one.
    const QStringList expected = qEnvironmentVariable("LUMIDEX_EXPECTED_SCREEN").split('x');
    if (expected.size() == 2)
        QCOMPARE(QGuiApplication::primaryScreen()->size(),
                 QSize(expected[0].toInt(), expected[1].toInt()));
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
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    FakeWindowManager manager;

    PlaceTopmost(&window, target);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.geometry(), target);
    Sync();
    // window.winId() as any caller would use it: it must name the window Qt shows.
    const ServerView view = Describe(window.winId());
    QCOMPARE(view.parent, Root());
    QCOMPARE(view.geometry, target);
    QCOMPARE(view.mapState, XCB_MAP_STATE_VIEWABLE);
    QCOMPARE(Describe(Root()).topChild, window.winId());
    // What a window manager learns, to keep the window above everything, panels included.
    manager.collect();
    QVERIFY(manager.heardState(window.winId(), 1, "_NET_WM_STATE_ABOVE"));
    QCOMPARE(manager.heardState(window.winId(), 1, "_NET_WM_STATE_FULLSCREEN"), wholeScreen);
}

void X11SaverWindowTest::dropTopmostKeepsSizeAndMapping()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget window;
    PlaceTopmost(&window, screen);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FakeWindowManager manager;

    DropTopmost(&window);
    QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(window.geometry(), screen);
    Sync();
    QCOMPARE(Describe(window.winId()).geometry, screen);
    QCOMPARE(Describe(window.winId()).mapState, XCB_MAP_STATE_VIEWABLE);
    manager.collect();
    QVERIFY(manager.unmapped.empty()); // not hidden and shown again: no flicker
    QVERIFY(manager.heardState(window.winId(), 0, "_NET_WM_STATE_ABOVE"));
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
    const XErrorCounter errors;
    WId id = 0;
    if (kind == "0x7fffffff") {
        id = 0x7fffffff;
    } else if (kind == "destroyed") {
        ForeignWindow other(QSize(100, 100));
        id = other.id;
        QVERIFY(other.destroy());
    } else if (kind == "pixmap") {
        id = xcb_generate_id(X());
        xcb_create_pixmap(X(), 24, xcb_pixmap_t(id), Root(), 10, 10);
    }

    QCOMPARE(ForeignClientSize(id), std::nullopt);
    QWidget window;
    QVERIFY(!EmbedInForeignWindow(&window, id, QSize(100, 100)));
    QVERIFY(!window.isVisible());
    Settle();
    QCOMPARE(errors.count, 0); // nothing was tried on the bad id before the check
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
    ForeignWindow host(size);
    const std::optional<QSize> reported = ForeignClientSize(host.id);
    QCOMPARE(reported, size);
    QWidget window;

    QVERIFY(EmbedInForeignWindow(&window, host.id, *reported));
    QVERIFY(window.isVisible());
    QCOMPARE(window.size(), size);
    QTRY_COMPARE(Describe(window.winId()).mapState, XCB_MAP_STATE_VIEWABLE);
    QCOMPARE(Describe(window.winId()).parent, host.id);
    QCOMPARE(Describe(window.winId()).geometry, QRect(QPoint(0, 0), size));
}

void X11SaverWindowTest::reportsDestructionFromOutside_data()
{
    QTest::addColumn<bool>("hostDestroyed"); // else another client destroys our window
    QTest::newRow("host program destroys its window") << true;
    QTest::newRow("another client destroys ours") << false;
}

void X11SaverWindowTest::reportsDestructionFromOutside()
{
    QFETCH(bool, hostDestroyed);
    ForeignWindow host(QSize(300, 200));
    auto window = std::make_unique<QWidget>();
    QVERIFY(EmbedInForeignWindow(window.get(), host.id, QSize(300, 200)));
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

    // Qt, unaware, goes on using the dead window: painting, resizing, hiding, finally
    // destroying it. The X errors that earns must not end the process.
    {
        const XErrorCounter errors;
        window->update();
        window->resize(120, 90);
        Settle();
        window.reset();
        Settle();
        QVERIFY(errors.count > 0);
    }
    QCOMPARE(calls, 1);
    QCOMPARE(xcb_connection_has_error(X()), 0);
    ForeignWindow next(QSize(200, 100));
    QWidget again;
    QVERIFY(EmbedInForeignWindow(&again, next.id, QSize(200, 100)));
    QTRY_COMPARE(Describe(again.winId()).parent, next.id);
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
    WId before = window->windowHandle()->winId();
    window->setWindowFlags(window->windowFlags() | Qt::WindowStaysOnTopHint);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    Settle();
    QVERIFY(!Describe(before).exists);
    // Becoming a child widget: Qt destroys the X window, the widget lives on.
    before = window->windowHandle()->winId();
    window->setParent(&container);
    Settle();
    QVERIFY(!Describe(before).exists);
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
    QWidget cover; // made later: above the other window, and focused
    cover.setGeometry(0, 0, 300, 300);
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));
    cover.activateWindow();
    QTRY_COMPARE(Focus(), cover.winId());
    std::optional<FakeWindowManager> manager;
    if (withManager)
        manager.emplace();
    const WId top = Describe(Root()).topChild;

    ActivateWindowByTitle(QStringLiteral("Lumidex Settings")); // no window has that title
    Sync();
    QCOMPARE(Describe(Root()).topChild, top);
    QCOMPARE(Focus(), cover.winId());

    ActivateWindowByTitle(title);
    Sync();
    // With a manager, only the manager changes focus and stacking.
    QCOMPARE(Describe(Root()).topChild, withManager ? top : other.id);
    QCOMPARE(Focus(), withManager ? cover.winId() : other.id);
    if (withManager) {
        manager->collect();
        QCOMPARE(manager->messages.size(), size_t(1));
        QCOMPARE(WId(manager->messages[0].window), other.id);
        QCOMPARE(manager->messages[0].type, manager->atom("_NET_ACTIVE_WINDOW"));
    }
}

LUMIDEX_REGISTER_TEST(X11SaverWindowTest)
#include "tst_x11_saverwindow.moc"
