#include "PictureBytes.h"
#include "WindowTestSupport.h"

#include "platform/SaverWindowCalls.h"
#include "saver/SaverWindows.h"
#include "saver/frmMain.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <xcb/xcb.h>

using namespace testing;

namespace {

// What a tool printed, once it ended.
QByteArray Printed(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished(10000);
    return tool.readAllStandardOutput();
}

QString Output(const QString &program, const QStringList &arguments)
{
    return QString::fromUtf8(Printed(program, arguments)).trimmed();
}

// The first non-empty answer of `found` within 30 s (a start under ASan can take several).
QString WaitFor(const std::function<QString()> &found)
{
    QString answer;
    QElapsedTimer waited;
    waited.start();
    while ((answer = found()).isEmpty() && waited.elapsed() < 30000)
        QTest::qWait(50);
    return answer;
}

// The first child of an X11 window, once there is one; likewise a process's shown window.
QString ChildOf(const QString &window)
{
    static const QRegularExpression child("^\\s+(0x[0-9a-f]+) ",
                                          QRegularExpression::MultilineOption);
    return WaitFor([&window] {
        return child.match(Output("xwininfo", {"-children", "-id", window})).captured(1);
    });
}

QString WindowOf(qint64 pid)
{
    return WaitFor([pid] {
        return Output("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
            .section(u'\n', 0, 0);
    });
}

QImage Screenshot()
{
    return QImage::fromData(Printed("import", {"-window", "root", "png:-"}))
        .convertToFormat(QImage::Format_RGB32);
}

// How many pixels differ between two images of one size; how many of one have a colour.
qint64 Differences(const QImage &a, const QImage &b)
{
    qint64 count = a.size() == b.size() ? 0 : -1;
    for (int y = 0; count >= 0 && y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

qint64 Count(const QImage &image, QColor colour)
{
    QImage filled(image.size(), image.format());
    filled.fill(colour);
    return qint64(image.width()) * image.height() - Differences(image, filled);
}

const QColor Plum(221, 160, 221), Red(255, 0, 0), Yellow(255, 255, 0);

// The X screen as two RandR monitors side by side, as a desktop of two monitors has it.
// This process stays connected, so the server keeps them until they are deleted.
QRect MonitorHalf(int half)
{
    static const QSize whole = QGuiApplication::primaryScreen()->virtualSize(); // unsplit
    return QRect(half * whole.width() / 2, 0, whole.width() / 2, whole.height());
}

void SetMonitor(int half, bool present)
{
    const QString name = half == 0 ? "LEFT" : "RIGHT";
    const QRect rect = MonitorHalf(half);
    const QString geometry =
        QStringLiteral("%1/300x%2/200+%3+0").arg(rect.width()).arg(rect.height()).arg(rect.left());
    Output("xrandr",
           present ? QStringList{"--setmonitor", name, geometry, half == 0 ? "screen" : "none"}
                   : QStringList{"--delmonitor", name});
}

// Two monitors, or the screen whole again.
void SetMonitors(int count)
{
    for (int half : {1, 0})
        SetMonitor(half, count == 2);
    QTRY_COMPARE(QGuiApplication::screens().size(), count);
}

// The saver program, with a runtime folder of its own: this test counts as an instance.
struct Saver
{
    QTemporaryDir runtime;
    QProcess process;

    explicit Saver(const QStringList &arguments, const QStringList &environment = {})
    {
        process.setProcessEnvironment(
            Environment(QStringList{"XDG_RUNTIME_DIR=" + runtime.path()} + environment));
        process.start(LUMIDEX_BINARY, arguments);
        process.waitForStarted();
    }
    ~Saver()
    {
        process.kill();
        process.waitForFinished();
    }
    bool EndsWithin(int ms)
    {
        return (process.state() == QProcess::NotRunning || process.waitForFinished(ms)) &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    // How long after SIGTERM the program ended, by that signal; -1 if it did not.
    qint64 MsToEndBySigterm()
    {
        QElapsedTimer since;
        since.start();
        ::kill(pid_t(process.processId()), SIGTERM);
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::CrashExit &&
                       process.exitCode() == SIGTERM
                   ? since.elapsed()
                   : -1;
    }
};

// The saver as a painter draws its elements where they stand now.
QImage Expected(const saver::frmMain &form)
{
    QImage image(form.size(), QImage::Format_RGB32);
    image.fill(form.backgroundColour());
    QPainter painter(&image);
    painter.drawPixmap(form.photoRect().topLeft(), form.imgPhoto.pixmap());
    painter.drawPixmap(form.timeRect().topLeft(), form.lblTime.pixmap());
    painter.drawPixmap(form.titleRect().topLeft(), form.lblText.pixmap());
    return image;
}

} // namespace

// Each way of running the saver, as a person or a host runs it, on a real X server.
class TstX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        ResetRun();
        StoreAll({"Background=14524637", // plum
                  "Title=Moon landing",
                  "Date=" + QDate::currentDate().addYears(3).toString(Qt::ISODate)});
    }
    void cleanup()
    {
        ResetRun();
        if (QGuiApplication::screens().size() > 1)
            SetMonitors(1); // the screen whole again for the next test, whatever failed
    }

    // Full screen on two monitors: it covers both, each with its block travelling, and a
    // key ends the run.
    void fullScreen()
    {
        SetMonitors(2);
        Saver saver({"/s"});
        QVERIFY(!WindowOf(saver.process.processId()).isEmpty());
        const QSize half = MonitorHalf(1).size();
        // Both lines in one screenshot of the half. The block may be partly beyond an edge
        // of a monitor, and under AddressSanitizer each screenshot takes a second or more.
        QImage first;
        const auto countdownOn = [&first](int monitor) {
            first = Screenshot().copy(MonitorHalf(monitor));
            return Count(first, Yellow) > 50 && Count(first, Red) > 50;
        };
        for (int monitor : {0, 1}) {
            bool shown = false; // kept once seen: QTRY checks its condition again at the end
            QTRY_VERIFY_WITH_TIMEOUT(shown || (shown = countdownOn(monitor)), 30000);
            QVERIFY(Count(first, Plum) > qint64(half.width()) * half.height() * 9 / 10);
        }
        QTest::qWait(400);
        QVERIFY(Differences(Screenshot().copy(MonitorHalf(1)), first) > 0); // the block travels
        Output("xdotool", {"mousemove", "5", "5", "key", "a"});
        QVERIFY2(saver.EndsWithin(3000), "a key did not end the saver");
        // One full-screen run at a time; one killed outright leaves no lock behind.
        const QStringList shared{"XDG_RUNTIME_DIR=" + saver.runtime.path()};
        Saver running({"/s"}, shared);
        QVERIFY(!WindowOf(running.process.processId()).isEmpty());
        QVERIFY(Saver({"/s"}, shared).EndsWithin(5000));
        running.process.kill();
        running.process.waitForFinished();
        QVERIFY(!Saver({"/s"}, shared).process.waitForFinished(1000));
    }

    // The preview lives in another program's window until that window goes; without a
    // window to live in it ends at once.
    void preview()
    {
        auto host = std::make_unique<QWidget>();
        host->resize(152, 112);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host.get()));
        Saver preview({"/p", QString::number(host->winId())});
        const QString child = ChildOf(QString::number(host->winId()));
        QVERIFY(Output("xwininfo", {"-id", child}).contains("Width: 152"));
        QVERIFY(!preview.process.waitForFinished(300));
        host.reset();
        QVERIFY2(preview.EndsWithin(1000), "the preview outlived its host");
        for (const QStringList &hostless : {QStringList{"/p"}, QStringList{"/p", "2147483000"}})
            QVERIFY(Saver(hostless).EndsWithin(5000));
    }

    // A host destroyed as the run starts (at once, or as the program makes its first, second
    // or third X window) ends the run quietly, and no window of it ever shows on the root;
    // -window-id finding no host at all says so and waits for the host's signal.
    void hostGoesAsTheRunStarts()
    {
        // A connection of our own hears of every window others make or show on the root.
        const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
            xcb_connect(nullptr, nullptr), xcb_disconnect);
        xcb_connection_t *x = connection.get();
        const xcb_setup_t *setup = xcb_get_setup(x);
        const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
        const quint32 events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &events);
        int made = 0, shown = 0;
        const auto take = [&] {
            std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr)); // all so far
            while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
                // Both kinds of notice hold the window at the same place.
                const xcb_window_t window =
                    reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
                const bool others = (window & ~setup->resource_id_mask) != setup->resource_id_base;
                made += others && (event->response_type & 0x7f) == XCB_CREATE_NOTIFY;
                shown += others && (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                std::free(event);
            }
        };
        for (int attempt = 0; attempt < 8; ++attempt) {
            const xcb_window_t host = xcb_generate_id(x);
            xcb_create_window(x, XCB_COPY_FROM_PARENT, host, root, 0, 0, 160, 120, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_map_window(x, host);
            take();
            made = 0;
            const QString option = attempt < 4 ? "/p" : "-window-id";
            Saver saver({option, QString::number(host)});
            QElapsedTimer waited;
            for (waited.start(); made < attempt % 4 && waited.elapsed() < 5000; take())
                QThread::usleep(50);
            xcb_destroy_window(x, host);
            xcb_flush(x);
            QByteArray said;
            QTRY_VERIFY_WITH_TIMEOUT(
                saver.process.state() == QProcess::NotRunning ||
                    (said += saver.process.readAllStandardError()).endsWith('\n'),
                15000);
            const bool waits = saver.process.state() != QProcess::NotRunning;
            said += saver.process.readAllStandardError();
            QVERIFY2(waits ? option == "-window-id" && said.contains("there is no window")
                           : saver.EndsWithin(0) && said.isEmpty(),
                     said.constData());
            take();
            QCOMPARE(shown, 0);
        }
    }

    // A host's program draws where it is told, ignores input, asks no window manager for
    // anything while embedded, and dies by the host's SIGTERM at once; one that cannot
    // start says why and waits for the signal, since the host would start it again. Even
    // without a runtime folder (MATE's saver passes none) Qt writes nothing to the log.
    void hosted_data()
    {
        testing::AddRows(R"(
-window-id
--root
-window
--root XDG_RUNTIME_DIR=
--root --bogus | lumidex: ignoring unknown option --bogus\n
-window-id 0x7ffffff0 | lumidex: there is no window 0x7ffffff0 to draw in\n
)");
    }

    void hosted()
    {
        QFETCH(QStringList, row);
        const QString &option = row[0], complaint = row.value(1);
        QWidget host;
        host.resize(320, 240);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        const QString hex = "0x" + QString::number(host.winId(), 16);
        QStringList arguments = option.split(u' ');
        QStringList environment{"XSCREENSAVER_WINDOW=" + hex};
        if (arguments.last().contains(u'='))
            environment << arguments.takeLast();
        if (option == "-window-id")
            arguments << hex;
        QProcess requests; // what reaches a window manager
        requests.start("xev", {"-root", "-event", "structure"});
        QTest::qWait(300);
        Saver saver(arguments, environment);
        if (option == "-window")
            QVERIFY(Output("xdotool", {"getwindowgeometry", WindowOf(saver.process.processId())})
                        .contains("1280x720"));
        else if (complaint.isEmpty())
            QVERIFY(!ChildOf(hex).isEmpty());
        Output("xdotool", {"mousemove", "20", "20", "click", "1", "key", "a"});
        QVERIFY(!saver.process.waitForFinished(500));
        const qint64 ms = saver.MsToEndBySigterm();
        QVERIFY2(ms >= 0 && ms < 100, qPrintable(QString::number(ms)));
        QCOMPARE(QString::fromUtf8(saver.process.readAllStandardError()), complaint);
        requests.terminate();
        requests.waitForFinished();
        QCOMPARE(requests.readAllStandardOutput().contains("_NET_WM_STATE"), option == "-window");
    }

    // A run busy with a picture still ends at SIGTERM at once, and its drawing child with it:
    // a monitor plugged in during the run has the saver draw a slow metafile for it, seconds
    // before it looks at events.
    void endsAtOnceWhileBusy()
    {
        QTemporaryDir folder;
        const QString picture = folder.filePath("picture.wmf");
        QVERIFY(WriteFile(picture, Encoded(TwoColours(), "JPEG")));
        StoreAll({"ImagePath=" + folder.path(), "ImageName=picture.wmf", "ImageUsed=1"});
        Saver saver({"/s"});
        QVERIFY(!WindowOf(saver.process.processId()).isEmpty());
        QVERIFY(WriteFile(picture, SlowMetafile()));
        SetMonitors(2);
        qint64 child = 0; // drawing the metafile; it ends with the saver
        const auto orphan = qScopeGuard([&child] { child && ::kill(pid_t(child), SIGKILL); });
        QTRY_VERIFY_WITH_TIMEOUT((child = ChildProcess(saver.process.processId())) != 0, 10000);
        const qint64 ms = saver.MsToEndBySigterm();
        QVERIFY2(ms >= 0 && ms < 1000, qPrintable(QString::number(ms)));
        QTRY_VERIFY_WITH_TIMEOUT(ProcessEnded(child), 1000);
    }

    // The session ending takes the X server along: every run ends with status 0, no crash.
    void endsWhenTheXServerGoes()
    {
        for (const char *mode : {"/s", "-root", "/c"}) {
            QProcess server;
            server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
            QVERIFY(server.waitForReadyRead(10000));
            const QString display = ":" + QString::fromLatin1(server.readLine()).trimmed();
            Saver saver({mode}, {"DISPLAY=" + display, "XSCREENSAVER_WINDOW="});
            const QString windows = WaitFor([&display] {
                const QString root =
                    Output("xwininfo", {"-display", display, "-root", "-children"});
                return root.contains(" 0 children") ? QString() : root;
            });
            QVERIFY2(!windows.isEmpty(),
                     qPrintable(QString(mode) + " made no window on " + display));
            QTest::qWait(300);
            server.terminate();
            QVERIFY2(saver.EndsWithin(5000), mode);
            server.waitForFinished();
        }
    }

    // In this process: a window over each monitor, its block travelling over that monitor
    // alone; a monitor unplugged takes its window along and a new one is covered at once;
    // a key on any window ends them all and gives the cursor back.
    void coversEveryMonitor()
    {
        SetMonitors(2);
        QVERIFY(!startup::Main({"/s"}));
        saver::SaverWindows &windows = *startup::SaverWindows();
        const auto covers = [&windows](int half) {
            const saver::frmMain *window =
                windows.windowOn(QGuiApplication::screenAt(MonitorHalf(half).center()));
            return window && window->geometry() == MonitorHalf(half) && window->isVisible() &&
                   window->ScreenWidth == MonitorHalf(half).width() * 15;
        };
        QTRY_VERIFY(covers(0) && covers(1));
        QVERIFY(platform::CursorDisplayCount() < 0);
        SetMonitor(1, false);
        QTRY_COMPARE(windows.count(), 1);
        QVERIFY(covers(0) && !startup::MainForm()->unloaded());
        SetMonitor(1, true);
        QTRY_VERIFY(windows.count() == 2 && covers(1));
        saver::frmMain &left = *startup::MainForm();
        QTest::keyClick(windows.windowOn(QGuiApplication::screenAt(MonitorHalf(1).center())),
                        Qt::Key_A);
        QVERIFY(left.unloaded());
        QVERIFY(platform::CursorDisplayCount() >= 0);
        SetMonitors(1); // the whole screen comes after the run has ended: no window for it
        QCOMPARE(windows.count(), 0);
    }

    // In this process: what the X server shows of the saver is exactly what a painter
    // draws, as it moves and after another window uncovers it.
    void drawsExactlyWhatItShows()
    {
        Store("ImageUsed", "1");
        QVERIFY(!startup::Main({"/s"}));
        saver::frmMain &form = *startup::MainForm();
        QVERIFY(form.paintsNatively()); // no window-sized image of its own
        QWidget cover;
        for (int round = 0; round < 2; ++round) {
            QTest::qWait(500);
            form.tmrScroll.stop();
            QTest::qWait(300);
            QCOMPARE(Differences(Screenshot(), Expected(form)), 0);
            cover.setGeometry(100, 100, 400, 300);
            cover.show();
            QVERIFY(QTest::qWaitForWindowExposed(&cover));
            cover.hide();
            form.tmrScroll.start();
        }
    }
};

LUMIDEX_REGISTER_TEST(TstX11)
#include "tst_x11.moc"
