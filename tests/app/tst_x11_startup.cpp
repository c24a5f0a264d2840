#include "TestSupport.h"

#include "platform/Processes.h"

#include <QProcess>
#include <QTest>
#include <QWidget>

namespace {

int RunSaver(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(LUMIDEX_BINARY), arguments);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
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

        // The saver of this version ends with status 3 once it gets past start-up.
        QCOMPARE(RunSaver({"/s"}), 0);

        QWidget displayProperties;
        displayProperties.setWindowTitle(QStringLiteral("Display Properties"));
        displayProperties.show();
        QVERIFY(QTest::qWaitForWindowExposed(&displayProperties));
        QCOMPARE(RunSaver({"/s"}), 3);

        displayProperties.setWindowTitle(QStringLiteral("Display Properties (closing)"));
        QTRY_COMPARE(RunSaver({"/s"}), 0);
    }
};

LUMIDEX_REGISTER_TEST(TstX11Startup)
#include "tst_x11_startup.moc"
