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

struct Free
{
    void operator()(void *pointer) const { std::free(pointer); }
};
// A reply xcb allocated, freed when it goes.
template <typename T> std::unique_ptr<T, Free> Own(T *reply)
{
    return std::unique_ptr<T, Free>(reply);
}

xcb_connection_t *X() // Qt's own connection
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// A round trip: the server has carried out all that was sent on the connection.
void Sync(xcb_connection_t *connection = X())
{
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
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
    const auto reply = Own(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t Root()
{
    return xcb_setup_roots_iterator(xcb_get_setup(X())).data->root;
}

WId Focus()
{
    return Own(xcb_get_input_focus_reply(X(), xcb_get_input_focus(X()), nullptr))->focus;
}

// A window as the X server sees it; nothing filled in when there is no such window.
struct ServerView
{
    WId parent = 0;
    QRect geometry; // in the parent
    uint8_t mapState = 0;
    WId topChild = 0; // the top of its children's stacking order
};

ServerView Describe(WId id)
{
    const auto window = xcb_window_t(id);
    const auto tree = Own(xcb_query_tree_reply(X(), xcb_query_tree(X(), window), nullptr));
    const auto geometry = Own(xcb_get_geometry_reply(X(), xcb_get_geometry(X(), window), nullptr));
    const auto attributes =
        Own(xcb_get_window_attributes_reply(X(), xcb_get_window_attributes(X(), window), nullptr));
    if (!tree || !geometry || !attributes)
        return {};
    const int children = xcb_query_tree_children_length(tree.get());
    return {tree->parent, QRect(geometry->x, geometry->y, geometry->width, geometry->height),
            attributes->map_state,
            children ? xcb_query_tree_children(tree.get())[children - 1] : 0};
}

// Another program's top-level window (tests/platform/helpers/foreign_window), there until
// the program is told to destroy it or its input ends.
struct ForeignWindow
{
    explicit ForeignWindow(const QSize &size, const QString &title = QString())
    {
        process.start(QStringLiteral(FOREIGN_WINDOW_HELPER),
                      {QString::number(size.width()), QString::number(size.height()), title});
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        id = process.readLine().trimmed().toUInt(nullptr, 0);
    }
    ~ForeignWindow()
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }
    bool destroy()
    {
        process.write("destroy\n");
        return process.waitForFinished(5000) && process.exitCode() == 0;
    }

    QProcess process;
    WId id = 0;
};

// Just enough of a window manager to be detected and to hear the client messages sent to
// the root.
class FakeWindowManager
{
public:
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
        Sync(m_connection);
    }
    ~FakeWindowManager()
    {
        xcb_delete_property(m_connection, Root(), atom("_NET_SUPPORTING_WM_CHECK"));
        Sync(m_connection);
        xcb_disconnect(m_connection);
    }

    xcb_atom_t atom(const char *name) { return Atom(m_connection, name); }

    // The messages heard so far, once the server has carried out all Qt has sent.
    const std::vector<xcb_client_message_event_t> &messages()
    {
        Sync();
        Sync(m_connection);
        while (const auto event = Own(xcb_poll_for_event(m_connection))) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE)
                m_messages.push_back(*reinterpret_cast<xcb_client_message_event_t *>(event.get()));
        }
        return m_messages;
    }

    // Whether a client asked for this _NET_WM_STATE (1 add, 0 remove) on the window: by a
    // message, or (adding, before mapping) by the property itself.
    bool heardState(WId window, uint32_t action, const char *name)
    {
        const xcb_atom_t state = atom(name);
        const xcb_atom_t property = atom("_NET_WM_STATE");
        const auto reply = Own(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, property, XCB_ATOM_ATOM, 0, 64),
            nullptr));
        const auto *atoms =
            static_cast<const xcb_atom_t *>(reply ? xcb_get_property_value(reply.get()) : nullptr);
        if (action == 1 && atoms && std::count(atoms, atoms + reply->value_len, state))
            return true;
        return std::ranges::any_of(messages(), [&](const xcb_client_message_event_t &message) {
            const uint32_t *data = message.data.data32;
            return message.window == window && message.type == property && data[0] == action &&
                   (data[1] == state || data[2] == state);
        });
    }

private:
    xcb_connection_t *m_connection;
    std::vector<xcb_client_message_event_t> m_messages;
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
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)");
        // A run meant for another screen size must not pass on the wrong one.
        const QStringList expected = qEnvironmentVariable("LUMIDEX_EXPECTED_SCREEN").split('x');
        if (expected.size() == 2)
            QCOMPARE(QGuiApplication::primaryScreen()->size(),
                     QSize(expected[0].toInt(), expected[1].toInt()));
    }

    void placeAndDropTopmost_data()
    {
        QTest::addColumn<QRect>("target");   // empty: the whole screen
        QTest::addColumn<QString>("before"); // what had become of the window before
        QTest::newRow("new window, whole screen") << QRect() << "new";
        // Shown: below the later window. Created: Qt must not go on showing a stale X window.
        QTest::newRow("shown window, whole screen") << QRect() << "shown";
        QTest::newRow("created window, whole screen") << QRect() << "created";
        QTest::newRow("new window, part of the screen") << QRect(30, 40, 320, 200) << "new";
    }

    void placeAndDropTopmost()
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
        if (before == "shown") {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
        }
        QWidget other; // made later, so above a window made before
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        FakeWindowManager manager;

        PlaceTopmost(&window, target);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Sync();
        // window.winId() as any caller would use it: it must name the window Qt shows.
        const ServerView view = Describe(window.winId());
        QCOMPARE(view.parent, Root());
        QCOMPARE(view.geometry, target);
        QCOMPARE(view.mapState, XCB_MAP_STATE_VIEWABLE);
        QCOMPARE(Describe(Root()).topChild, window.winId());
        // What a window manager learns, to keep the window above everything, panels included.
        QVERIFY(manager.heardState(window.winId(), 1, "_NET_WM_STATE_ABOVE"));
        QCOMPARE(manager.heardState(window.winId(), 1, "_NET_WM_STATE_FULLSCREEN"), wholeScreen);

        DropTopmost(&window);
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        Sync();
        QCOMPARE(Describe(window.winId()).geometry, target);
        QCOMPARE(Describe(window.winId()).mapState, XCB_MAP_STATE_VIEWABLE);
        QVERIFY(manager.heardState(window.winId(), 0, "_NET_WM_STATE_ABOVE"));
    }

    void badIdsNameNothing_data()
    {
        QTest::addColumn<quint32>("id");
        QTest::newRow("zero") << 0u;
        QTest::newRow("no such resource") << 0x7fffffffu;
        const xcb_pixmap_t pixmap = xcb_generate_id(X());
        xcb_create_pixmap(X(), 24, pixmap, Root(), 10, 10);
        QTest::newRow("a pixmap") << quint32(pixmap);
    }

    void badIdsNameNothing()
    {
        QFETCH(quint32, id);
        const XErrorCounter errors;
        QCOMPARE(ForeignClientSize(id), std::nullopt);
        QWidget window;
        QVERIFY(!EmbedInForeignWindow(&window, id, QSize(100, 100)));
        QVERIFY(!window.isVisible());
        Settle();
        QCOMPARE(errors.count, 0); // nothing was tried on the bad id before the check
    }

    void embedsInAnotherProgramUntilItsWindowGoes()
    {
        const QSize size(152, 112);
        ForeignWindow host(size);
        QCOMPARE(ForeignClientSize(host.id), size);
        auto window = std::make_unique<QWidget>();
        QVERIFY(EmbedInForeignWindow(window.get(), host.id, size));
        QTRY_COMPARE(Describe(window->winId()).mapState, XCB_MAP_STATE_VIEWABLE);
        QCOMPARE(Describe(window->winId()).parent, host.id);
        QCOMPARE(Describe(window->winId()).geometry, QRect(QPoint(0, 0), size));
        int calls = 0;
        WhenDestroyedFromOutside(window.get(), [&calls] { ++calls; });

        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(host.destroy());
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
        ForeignWindow next(size);
        QWidget again;
        QVERIFY(EmbedInForeignWindow(&again, next.id, size));
        QTRY_COMPARE(Describe(again.winId()).parent, next.id);
    }

    void activatesWindowByTitle_data()
    {
        QTest::addColumn<bool>("withManager");
        QTest::newRow("no window manager") << false;
        QTest::newRow("window manager") << true;
    }

    void activatesWindowByTitle()
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

        ActivateWindowByTitle(title);
        Sync();
        // With a manager, only the manager changes focus and stacking.
        QCOMPARE(Describe(Root()).topChild, withManager ? top : other.id);
        QCOMPARE(Focus(), withManager ? cover.winId() : other.id);
        if (withManager) {
            const auto &messages = manager->messages();
            QCOMPARE(messages.size(), size_t(1));
            QCOMPARE(WId(messages[0].window), other.id);
            QCOMPARE(messages[0].type, manager->atom("_NET_ACTIVE_WINDOW"));
        }
    }
};

LUMIDEX_REGISTER_TEST(X11SaverWindowTest)
#include "tst_x11_saverwindow.moc"
