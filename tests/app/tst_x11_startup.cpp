#include "TestSupport.h"

#include "platform/Processes.h"

#include <QProcess>
#include <QTest>
#include <QWidget>

namespace {

// True when a saver start ends at once, false when it runs on (it is then stopped).
bool EndsAtOnce(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(LUMIDEX_BINARY), arguments);
    if (process.waitForFinished(2000))
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    process.terminate();
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished();
    }
    return false;
}

} // namespace

// Start-up on a real X server: the display settings window lets a second saver start.
class TstX11Startup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayPropertiesWindowLetsASecondSaverRun()
    {
        platform::PreviousInstanceRunning(); // this process is the running instance

        QVERIFY(EndsAtOnce({"/s"}));

        QWidget displayProperties;
        displayProperties.setWindowTitle(QStringLiteral("Display Properties"));
        displayProperties.show();
        QVERIFY(QTest::qWaitForWindowExposed(&displayProperties));
        QVERIFY(!EndsAtOnce({"/s"}));

        displayProperties.setWindowTitle(QStringLiteral("Display Properties (closing)"));
        QTRY_VERIFY(EndsAtOnce({"/s"}));
    }
};

LUMIDEX_REGISTER_TEST(TstX11Startup)
#include "tst_x11_startup.moc"
