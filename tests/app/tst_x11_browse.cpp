#include "TestSupport.h"
#include "X11Tools.h"

#include "assets/BuiltInPictures.h"
#include "platform/Store.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

using namespace testing;

QString VisibleWindowNamed(const QString &pattern)
{
    return XDoTool({"search", "--onlyvisible", "--name", pattern}).section('\n', 0, 0);
}

// Where the picture shows at its natural size, pixel for pixel; a frame caught while the
// saver repaints may differ in a few pixels.
std::optional<QPoint> FindPicture(const QImage &shot, const QImage &picture)
{
    const QImage screen = shot.convertToFormat(QImage::Format_RGB32);
    const QImage wanted = picture.convertToFormat(QImage::Format_RGB32);
    const QPoint anchor(wanted.width() / 2, wanted.height() / 2);
    const QRgb anchorColour = wanted.pixel(anchor);
    for (int top = 0; top + wanted.height() <= screen.height(); ++top) {
        for (int left = 0; left + wanted.width() <= screen.width(); ++left) {
            if (screen.pixel(left + anchor.x(), top + anchor.y()) != anchorColour)
                continue;
            int same = 0;
            for (int y = 0; y < wanted.height(); ++y)
                for (int x = 0; x < wanted.width(); ++x)
                    same += screen.pixel(left + x, top + y) == wanted.pixel(x, y);
            if (same >= wanted.width() * wanted.height() * 95 / 100)
                return QPoint(left, top);
        }
    }
    return std::nullopt;
}

QString Stored(const QString &key)
{
    return platform::GetSetting(platform::SettingsSection, key, QStringLiteral("<missing>"));
}

// Where the controls sit in their forms. The settings dialog's picture controls lie in
// the "Image Settings" frame at (232, 328); the browser's list controls are placed from
// the tab control's corner at (12, 12).
constexpr QPoint UseImageBox(232 + 12 + 8, 328 + 24 + 10);
constexpr QPoint SelectImageButton(232 + 92 + 64, 328 + 24 + 12);
constexpr QPoint SetupOkButton(316 + 30, 436 + 12);
constexpr QPoint ThirdPicture(12 + 396 + 75, 12 + 52 + 37);

constexpr int ChosenPicture = 3;

} // namespace

// Choosing a built-in picture in the browser as a person does, and seeing it scroll.
class TstX11Browse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aChosenPictureScrollsWithTheText()
    {
        testing::ClearStore();
        QProcess settings;
        settings.start(QStringLiteral(LUMIDEX_BINARY), {"/c"});
        const QString setup =
            XDoTool({"search", "--sync", "--name", "^Lumidex ScreenSaver Settings  - v 2\\.2$"});
        QVERIFY2(!setup.isEmpty(), "the settings dialog did not appear");
        XDoTool({"windowfocus", "--sync", setup});

        ClickAt(setup, UseImageBox);
        ClickAt(setup, SelectImageButton);
        QString browser;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(browser = VisibleWindowNamed(QStringLiteral("^Browse for Images$"))).isEmpty(), 5000);
        ClickAt(browser, ThirdPicture, 2);
        QTRY_VERIFY_WITH_TIMEOUT(
            VisibleWindowNamed(QStringLiteral("^Browse for Images$")).isEmpty(), 5000);
        ClickAt(setup, SetupOkButton);

        QVERIFY(settings.waitForFinished(10000));
        QCOMPARE(settings.exitCode(), 0);
        QCOMPARE(Stored("ImageUsed"), QStringLiteral("1"));
        QCOMPARE(Stored("ImageIndex"), QString::number(ChosenPicture));
        QCOMPARE(Stored("ImageTag"), assets::BuiltInPictureTag(ChosenPicture));
        QCOMPARE(Stored("DefaultTab"), QStringLiteral("0"));
        QCOMPARE(Stored("ImageName"), QStringLiteral("<missing>"));

        // A saver of its own: this test process may already hold the instance lock.
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner |
                                                          QFileDevice::WriteOwner |
                                                          QFileDevice::ExeOwner));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess saver;
        saver.setProcessEnvironment(environment);
        saver.start(QStringLiteral(LUMIDEX_BINARY), {"/s"});
        QVERIFY(saver.waitForStarted());
        QTest::qWait(1000);

        // The block enters from the right edge: wait until the whole picture is in.
        const QImage picture = assets::BuiltInPicture(ChosenPicture);
        QImage shot;
        std::optional<QPoint> found;
        for (QDeadlineTimer deadline(10000); !found && !deadline.hasExpired();) {
            QVERIFY2(saver.state() == QProcess::Running, "the saver ended by itself");
            shot = Screenshot();
            found = FindPicture(shot, picture);
        }
        QDir().mkpath(QStringLiteral("/tmp/shots"));
        shot.save(QStringLiteral("/tmp/shots/saver_picture3.png"));
        QVERIFY2(found, "the chosen picture never appeared on the screen");

        XDoTool({"mousemove", "5", "5", "key", "a"});
        QVERIFY2(saver.waitForFinished(3000), "a key did not end the saver");
        QCOMPARE(saver.exitStatus(), QProcess::NormalExit);
        QCOMPARE(saver.exitCode(), 0);
    }
};

LUMIDEX_REGISTER_TEST(TstX11Browse)
#include "tst_x11_browse.moc"
