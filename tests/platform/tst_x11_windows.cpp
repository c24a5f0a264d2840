#include "TestSupport.h"

#include "platform/WindowCalls.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
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
    RawClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~RawClient() { xcb_disconnect(m_connection); }
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }
    xcb_window_t root() const { return m_root; }

    xcb_window_t createWindow(xcb_window_t parent)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, parent, 0, 0, 50, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(m_connection, window);
        return window;
    }

    void setText(xcb_window_t window, const char *property, const char *type,
                 const QByteArray &text)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom(property), atom(type),
                            8, uint32_t(text.size()), text.constData());
    }

    void setClientList(const std::vector<xcb_window_t> &windows)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, atom("_NET_CLIENT_LIST"),
                            XCB_ATOM_WINDOW, 32, uint32_t(windows.size()), windows.data());
    }

    void removeClientList() { xcb_delete_property(m_connection, m_root, atom("_NET_CLIENT_LIST")); }

    void destroy(xcb_window_t window) { xcb_destroy_window(m_connection, window); }

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

    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
};

// The screen as the X server itself describes it.
QSize ServerScreenSize()
{
    QProcess xdpyinfo;
    xdpyinfo.start(QStringLiteral("xdpyinfo"), QStringList());
    if (!xdpyinfo.waitForFinished(10000))
        return {};
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("dimensions:\\s+(\\d+)x(\\d+) pixels"))
            .match(QString::fromLocal8Bit(xdpyinfo.readAllStandardOutput()));
    return match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
}

} // namespace

class X11WindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void screenSizeInTwips();
    void findsOwnWindow_data();
    void findsOwnWindow();
    void titleMustMatchExactly_data();
    void titleMustMatchExactly();
    void findsAnotherProgramsWindow();
    void readsEachKindOfTitle_data();
    void readsEachKindOfTitle();
    void looksInsideUntitledFramesOnly();
    void usesTheWindowManagersClientList();
};

void X11WindowsTest::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)");
}

void X11WindowsTest::screenSizeInTwips()
{
    const QSize server = ServerScreenSize();
    QVERIFY(!server.isEmpty());
    QCOMPARE(ScreenWidthTwips(), server.width() * 15);
    QCOMPARE(ScreenHeightTwips(), server.height() * 15);
}

void X11WindowsTest::findsOwnWindow_data()
{
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << "Display Properties";
    QTest::newRow("non-ASCII") << QStringLiteral("Countdown – Grüße, 日本 🎉");
}

void X11WindowsTest::findsOwnWindow()
{
    QFETCH(QString, title);
    auto window = std::make_unique<QWidget>();
    window->setWindowTitle(title);
    window->resize(200, 100);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QCOMPARE(FindTopLevelWindow(title), quint32(window->winId()));
    window.reset();
    QCOMPARE(FindTopLevelWindow(title), 0u);
}

void X11WindowsTest::titleMustMatchExactly_data()
{
    QTest::addColumn<QString>("searched");
    QTest::newRow("other case") << "display properties";
    QTest::newRow("extra blank at the end") << "Display Properties ";
    QTest::newRow("extra blank inside") << "Display  Properties";
    QTest::newRow("part of it") << "Display";
    QTest::newRow("empty") << "";
}

void X11WindowsTest::titleMustMatchExactly()
{
    QFETCH(QString, searched);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Display Properties"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(FindTopLevelWindow(QStringLiteral("Display Properties")) != 0);
    QCOMPARE(FindTopLevelWindow(searched), 0u);
}

void X11WindowsTest::findsAnotherProgramsWindow()
{
    const QString title = QStringLiteral("Display Properties of Another Program");
    QProcess other;
    other.start(QStringLiteral("xmessage"),
                {QStringLiteral("-name"), QStringLiteral("lumidexprobe"), QStringLiteral("-title"),
                 title, QStringLiteral("hello")});
    QVERIFY(other.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(FindTopLevelWindow(title) != 0, 10000);

    // The same window the X server's own tools name.
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-name"), title});
    QVERIFY(xwininfo.waitForFinished(10000));
    const QRegularExpressionMatch id =
        QRegularExpression(QStringLiteral("Window id: (0x[0-9a-f]+)"))
            .match(QString::fromLocal8Bit(xwininfo.readAllStandardOutput()));
    QVERIFY(id.hasMatch());
    QCOMPARE(FindTopLevelWindow(title), id.captured(1).toUInt(nullptr, 16));

    other.kill();
    QVERIFY(other.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(FindTopLevelWindow(title), 0u, 10000);
}

void X11WindowsTest::readsEachKindOfTitle_data()
{
    QTest::addColumn<QByteArray>("netWmName"); // UTF-8; null: none
    QTest::addColumn<QByteArray>("wmName");    // Latin-1; null: none
    QTest::addColumn<QString>("searched");
    QTest::addColumn<bool>("found");
    QTest::newRow("WM_NAME only") << QByteArray() << QByteArray("Caf\xe9 Latin") << "Café Latin"
                                  << true;
    QTest::newRow("_NET_WM_NAME only")
        << QByteArray("Über – UTF-8") << QByteArray() << "Über – UTF-8" << true;
    QTest::newRow("_NET_WM_NAME comes first")
        << QByteArray("New Title") << QByteArray("Old Title") << "New Title" << true;
    QTest::newRow("WM_NAME hidden by _NET_WM_NAME")
        << QByteArray("New Title") << QByteArray("Old Title") << "Old Title" << false;
    QTest::newRow("WM_NAME is not UTF-8")
        << QByteArray() << QByteArray("Caf\xc3\xa9") << "Café" << false;
}

void X11WindowsTest::readsEachKindOfTitle()
{
    QFETCH(QByteArray, netWmName);
    QFETCH(QByteArray, wmName);
    QFETCH(QString, searched);
    QFETCH(bool, found);
    RawClient client;
    QVERIFY(client.ok());
    const xcb_window_t window = client.createWindow(client.root());
    if (!netWmName.isNull())
        client.setText(window, "_NET_WM_NAME", "UTF8_STRING", netWmName);
    if (!wmName.isNull())
        client.setText(window, "WM_NAME", "STRING", wmName);
    client.roundTrip();
    QCOMPARE(FindTopLevelWindow(searched), found ? quint32(window) : 0u);
}

void X11WindowsTest::looksInsideUntitledFramesOnly()
{
    // A reparenting window manager puts each program's window into an untitled frame.
    RawClient client;
    QVERIFY(client.ok());
    const xcb_window_t frame = client.createWindow(client.root());
    const xcb_window_t framed = client.createWindow(frame);
    client.setText(framed, "_NET_WM_NAME", "UTF8_STRING", "Framed Program");
    const xcb_window_t titledFrame = client.createWindow(client.root());
    client.setText(titledFrame, "WM_NAME", "STRING", "A Titled Window");
    const xcb_window_t inner = client.createWindow(titledFrame);
    client.setText(inner, "WM_NAME", "STRING", "Inner Part");
    client.roundTrip();

    QCOMPARE(FindTopLevelWindow(QStringLiteral("Framed Program")), quint32(framed));
    QCOMPARE(FindTopLevelWindow(QStringLiteral("A Titled Window")), quint32(titledFrame));
    QCOMPARE(FindTopLevelWindow(QStringLiteral("Inner Part")), 0u);

    client.destroy(frame);
    client.roundTrip();
    QCOMPARE(FindTopLevelWindow(QStringLiteral("Framed Program")), 0u);
}

void X11WindowsTest::usesTheWindowManagersClientList()
{
    // Two untitled levels deep: only a window manager's list leads there.
    RawClient client;
    QVERIFY(client.ok());
    const xcb_window_t outer = client.createWindow(client.root());
    const xcb_window_t middle = client.createWindow(outer);
    const xcb_window_t managed = client.createWindow(middle);
    client.setText(managed, "_NET_WM_NAME", "UTF8_STRING", "Managed Program");
    client.roundTrip();
    QCOMPARE(FindTopLevelWindow(QStringLiteral("Managed Program")), 0u);

    client.setClientList({outer, managed});
    client.roundTrip();
    const quint32 found = FindTopLevelWindow(QStringLiteral("Managed Program"));
    client.removeClientList();
    client.roundTrip();
    QCOMPARE(found, quint32(managed));
}

LUMIDEX_REGISTER_TEST(X11WindowsTest)
#include "tst_x11_windows.moc"
