#include "TestSupport.h"

#include "platform/WindowCalls.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <memory>

using namespace platform;

namespace {

// A connection of the test's own: its windows belong to another X client than the
// application's, as a foreign program's would.
class RawClient
{
public:
    RawClient() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~RawClient() { xcb_disconnect(m_connection); }

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }
    xcb_screen_t *screen() const
    {
        return xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }

    // A mapped window; titled through _NET_WM_NAME (UTF-8) and WM_NAME (Latin-1) unless null.
    xcb_window_t window(xcb_window_t parent, const QByteArray &netWmName = {},
                        const QByteArray &wmName = {})
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, parent, 0, 0, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(m_connection, window);
        if (!netWmName.isNull())
            setProperty(window, "_NET_WM_NAME", atom("UTF8_STRING"), 8, netWmName);
        if (!wmName.isNull())
            setProperty(window, "WM_NAME", XCB_ATOM_STRING, 8, wmName);
        return window;
    }

    // The window manager's list of the windows it manages; none when empty.
    void setClientList(const std::vector<xcb_window_t> &windows)
    {
        if (windows.empty())
            xcb_delete_property(m_connection, screen()->root, atom("_NET_CLIENT_LIST"));
        else
            setProperty(screen()->root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW, 32,
                        QByteArray::fromRawData(reinterpret_cast<const char *>(windows.data()),
                                                qsizetype(windows.size() * 4)));
    }

    // Waits until the server has carried out everything sent so far.
    void roundTrip()
    {
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    }

    void setProperty(xcb_window_t window, const char *property, xcb_atom_t type, uint8_t format,
                     const QByteArray &data)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), type,
                            format, uint32_t(data.size() * 8 / format), data.constData());
    }

    xcb_connection_t *m_connection;
};

} // namespace

class X11WindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void screenSizeInTwips();
    void findsOwnWindowByExactTitle();
    void findsAnotherProgramsWindow();
    void findsForeignWindowsByEachKindOfTitle();
};

void X11WindowsTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)");
}

void X11WindowsTest::screenSizeInTwips()
{
    RawClient client;
    QVERIFY(client.ok());
    QCOMPARE(ScreenWidthTwips(), client.screen()->width_in_pixels * 15);
    QCOMPARE(ScreenHeightTwips(), client.screen()->height_in_pixels * 15);
}

void X11WindowsTest::findsOwnWindowByExactTitle()
{
    const QString title = QStringLiteral("Display Properties – Grüße, 日本 🎉");
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(title);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QCOMPARE(FindTopLevelWindow(title), quint32(window->winId()));
    for (const QString &nearMiss :
         {title.toLower(), title + u' ', QString(title).remove(u' '), title.left(18), QString()})
        QCOMPARE(FindTopLevelWindow(nearMiss), 0u);
    window.reset();
    QCOMPARE(FindTopLevelWindow(title), 0u);
}

void X11WindowsTest::findsAnotherProgramsWindow()
{
    const QString title = QStringLiteral("Display Properties of Another Program");
    QProcess other;
    other.start(QStringLiteral("xmessage"),
                {QStringLiteral("-title"), title, QStringLiteral("hello")});
    QVERIFY(other.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevelWindow(title) != 0, 10000);

    other.kill();
    QVERIFY(other.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(FindTopLevelWindow(title), 0u, 10000);
}

void X11WindowsTest::findsForeignWindowsByEachKindOfTitle()
{
    RawClient client;
    QVERIFY(client.ok());
    const xcb_window_t root = client.screen()->root;
    const xcb_window_t latin1 = client.window(root, {}, "Caf\xe9 Latin");
    const xcb_window_t utf8 = client.window(root, "Über – UTF-8");
    const xcb_window_t both = client.window(root, "New Title", "Old Title");
    // A reparenting window manager puts each program's window into an untitled frame.
    const xcb_window_t framed = client.window(client.window(root), "Framed Program");
    const xcb_window_t titled = client.window(root, {}, "A Titled Window");
    client.window(titled, {}, "Inner Part");
    // Two untitled levels deep: only a window manager's client list leads there.
    const xcb_window_t outer = client.window(root);
    const xcb_window_t managed = client.window(client.window(outer), "Managed Program");
    client.roundTrip();

    const std::pair<const char *, xcb_window_t> expected[] = {
        {"Café Latin", latin1}, {"Über – UTF-8", utf8},     {"New Title", both},
        {"Old Title", 0},       {"Framed Program", framed}, {"A Titled Window", titled},
        {"Inner Part", 0},      {"Managed Program", 0}};
    for (const auto &[title, window] : expected)
        QVERIFY2(FindTopLevelWindow(QString::fromUtf8(title)) == window, title);

    client.setClientList({outer, managed});
    client.roundTrip();
    const quint32 found = FindTopLevelWindow(QStringLiteral("Managed Program"));
    client.setClientList({});
    client.roundTrip();
    QCOMPARE(found, quint32(managed));
}

LUMIDEX_REGISTER_TEST(X11WindowsTest)
#include "tst_x11_windows.moc"
