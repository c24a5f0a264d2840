#include "TestSupport.h"
#include "X11Tools.h"

#include "platform/Store.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace testing;

QSize ExpectedScreen()
{
    const QStringList size =
        qEnvironmentVariable("LUMIDEX_EXPECTED_SCREEN", "1280x1024").split('x');
    return {size.value(0).toInt(), size.value(1).toInt()};
}

// The leftmost column that shows the countdown line's yellow, or -1.
int LeftmostYellow(const QImage &shot)
{
    for (int x = 0; x < shot.width(); x += 2) {
        for (int y = 0; y < shot.height(); y += 2) {
            if (shot.pixelColor(x, y) == QColor(255, 255, 0))
                return x;
        }
    }
    return -1;
}

QString WindowOf(qint64 pid)
{
    return Output("xdotool", {"search", "--sync", "--onlyvisible", "--pid", QString::number(pid)})
        .section('\n', 0, 0);
}

} // namespace

// The saver as a person meets it, on a real X server.
class TstX11Saver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { testing::ClearStore(); }

    void fullScreenMovesAndEndsOnAKey()
    {
        QProcess saver;
        saver.start(QStringLiteral(LUMIDEX_BINARY), {"/s"});
        QVERIFY(saver.waitForStarted());
        const QString window = WindowOf(saver.processId());
        QVERIFY2(!window.isEmpty(), "no saver window appeared");

        const QString geometry = Output("xdotool", {"getwindowgeometry", window});
        const QSize screen = ExpectedScreen();
        QVERIFY2(
            geometry.contains(QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height())),
            qPrintable(geometry));

        // The completion phrase in yellow on black, travelling right to left.
        QTRY_VERIFY_WITH_TIMEOUT(LeftmostYellow(Screenshot()) >= 0, 5000);
        const QImage first = Screenshot();
        QTest::qWait(400);
        const QImage later = Screenshot();
        QCOMPARE(first.pixelColor(2, 2), QColor(Qt::black));
        QVERIFY2(
            LeftmostYellow(later) < LeftmostYellow(first),
            qPrintable(
                QStringLiteral("%1 -> %2").arg(LeftmostYellow(first)).arg(LeftmostYellow(later))));

        Output("xdotool", {"mousemove", "5", "5", "key", "a"});
        QVERIFY2(saver.waitForFinished(3000), "a key did not end the saver");
        QCOMPARE(saver.exitStatus(), QProcess::NormalExit);
        QCOMPARE(saver.exitCode(), 0);
    }

    void previewLivesInAnotherProgramsWindow()
    {
        QProcess host;
        host.start(QStringLiteral(FOREIGN_WINDOW_HELPER), {"152", "112"});
        QVERIFY(host.waitForReadyRead(5000));
        const QString hostId = QString::fromLatin1(host.readLine()).trimmed();
        bool ok = false;
        const quint32 decimalId = hostId.toUInt(&ok, 16);
        QVERIFY(ok);

        QProcess preview;
        preview.start(QStringLiteral(LUMIDEX_BINARY), {"/p", QString::number(decimalId)});
        QVERIFY(preview.waitForStarted());
        // Our window becomes the host's child, filling its client area.
        QTRY_VERIFY_WITH_TIMEOUT(
            Output("xwininfo", {"-children", "-id", hostId}).contains(QLatin1String("1 child")),
            5000);
        QVERIFY(
            Output("xwininfo", {"-children", "-id", hostId}).contains(QLatin1String("152x112")));
        QVERIFY(!preview.waitForFinished(300)); // input or time does not end a preview

        QElapsedTimer sinceHostWent;
        host.write("destroy\n");
        QVERIFY(host.waitForBytesWritten(1000));
        sinceHostWent.start();
        QVERIFY2(preview.waitForFinished(3000), "the preview outlived its host");
        QVERIFY(sinceHostWent.elapsed() < 1000);
        QCOMPARE(preview.exitStatus(), QProcess::NormalExit);
        QCOMPARE(preview.exitCode(), 0);
        host.closeWriteChannel();
        host.waitForFinished();
    }

    void previewWithoutAHostEndsQuietly_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no number") << QStringList{"/p"};
        QTest::newRow("no such window") << QStringList{"/p", "2147483000"};
        QTest::newRow("not a window id") << QStringList{"/p:-5"};
    }

    void previewWithoutAHostEndsQuietly()
    {
        QFETCH(QStringList, arguments);
        QProcess preview;
        preview.start(QStringLiteral(LUMIDEX_BINARY), arguments);
        QVERIFY(preview.waitForFinished(5000));
        QCOMPARE(preview.exitStatus(), QProcess::NormalExit);
        QCOMPARE(preview.exitCode(), 0);
    }
};

LUMIDEX_REGISTER_TEST(TstX11Saver)
#include "tst_x11_saver.moc"
