#include "TestSupport.h"

#include "Version.h"

#include "platform/Processes.h"
#include "platform/Store.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

// Runs one of the programs with the test's own store and the given locale.
Run Start(const QString &program, const QStringList &arguments, const QString &locale = "C",
          const QStringList &extraEnvironment = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale);
    environment.insert(QStringLiteral("LANG"), locale);
    for (const QString &assignment : extraEnvironment) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        environment.insert(assignment.left(equals), assignment.mid(equals + 1));
    }
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run Countdown(const QStringList &arguments, const QString &locale = "C")
{
    return Start(QStringLiteral(COUNTDOWN_BINARY), arguments, locale);
}

} // namespace

class TstPrograms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { testing::ClearStore(); }

    void countdownLines_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("storedDate");
        QTest::newRow("C, month first") << "C"
                                        << "2/8/2028";
        QTest::newRow("en_US, month first") << "en_US.UTF-8"
                                            << "2/8/2028";
        QTest::newRow("C, ISO") << "C"
                                << "2028-02-08";
        QTest::newRow("en_US, ISO") << "en_US.UTF-8"
                                    << "2028-02-08";
        QTest::newRow("en_GB, ISO") << "en_GB.UTF-8"
                                    << "2028-02-08";
        QTest::newRow("de_DE, ISO") << "de_DE.UTF-8"
                                    << "2028-02-08";
        QTest::newRow("en_GB, day first") << "en_GB.UTF-8"
                                          << "8/2/2028";
        QTest::newRow("de_DE, day first") << "de_DE.UTF-8"
                                          << "08.02.2028";
        QTest::newRow("de_DE, month name") << "de_DE.UTF-8"
                                           << "8. Februar 2028";
    }

    void countdownLines()
    {
        QFETCH(QString, locale);
        QFETCH(QString, storedDate);
        testing::Store(QStringLiteral("Date"), storedDate);

        Run run = Countdown({"--today", "2026-12-05"}, locale);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Enter Title Text\n 1 year  2 months  3 days!\n"));

        testing::Store(QStringLiteral("IncludeDays"), QStringLiteral("1"));
        run = Countdown({"--today=2026-12-05"}, locale);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out,
                 QStringLiteral("Enter Title Text\n 1 year  2 months  3 days!   (430 days!)\n"));
        QCOMPARE(run.err, QString());
    }

    void countdownShowsTheCompletionPhrase()
    {
        testing::Store(QStringLiteral("Title"), QStringLiteral("Grand opening"));
        testing::Store(QStringLiteral("Target"), QStringLiteral("We are open — come in!"));
        testing::Store(QStringLiteral("Date"), QStringLiteral("2026-12-05"));
        const Run run = Countdown({"--today", "2026-12-05"});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("\nWe are open — come in!\n"));
    }

    void countdownReportsADateItCannotCountTo()
    {
        testing::Store(QStringLiteral("Date"), QStringLiteral("someday"));
        Run run = Countdown({"--today", "2026-12-05"});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QStringLiteral("There has been an Error in the Date Calculation.\n\n"
                                         "Please check the Target Date.\n"));

        testing::Store(QStringLiteral("Date"), QStringLiteral("9999-12-31"));
        run = Countdown({"--today", "2026-12-05"});
        QCOMPARE(run.status, 1);
    }

    void countdownRefusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList{"--tomorrow"};
        QTest::newRow("missing date") << QStringList{"--today"};
        QTest::newRow("not ISO") << QStringList{"--today", "12/5/2026"};
        QTest::newRow("no such day") << QStringList{"--today", "2026-02-30"};
        QTest::newRow("stray word") << QStringList{"now"};
    }

    void countdownRefusesBadArguments()
    {
        QFETCH(QStringList, arguments);
        const Run run = Countdown(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.startsWith(QLatin1String("usage: lumidex-countdown")));
        QCOMPARE(run.out, QString());
    }

    // Without the option the countdown is for today: compare with the clock's own day.
    void countdownCountsFromToday()
    {
        testing::Store(QStringLiteral("Date"),
                       QDate::currentDate().addDays(1).toString(Qt::ISODate));
        const Run run = Countdown({});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QStringLiteral("Enter Title Text\n 1 day!\n"));
    }

    void saverEndsQuietlyOnUnknownSwitches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("/x") << QStringList{"/x"};
        QTest::newRow("-s") << QStringList{"-s"};
        QTest::newRow("-reverse") << QStringList{"-reverse"};
        QTest::newRow("binary") << QStringList{QString::fromLatin1("\x01\x02\xff\xfe")};
    }

    // Nothing to show needs no display: these end at once even without one.
    void saverEndsQuietlyOnUnknownSwitches()
    {
        QFETCH(QStringList, arguments);
        const Run run =
            Start(QStringLiteral(LUMIDEX_BINARY), arguments, "C", {"DISPLAY=", "QT_QPA_PLATFORM="});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QString());
    }

    // This test process counts as a running instance once it has asked. The settings
    // dialog is never stopped by it (its start is checked on a real display).
    void secondSaverStartEndsAtOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("/s") << QStringList{"/s"};
        QTest::newRow("/S 1234") << QStringList{"/S", "1234"};
    }

    void secondSaverStartEndsAtOnce()
    {
        QFETCH(QStringList, arguments);
        platform::PreviousInstanceRunning();
        const Run run = Start(QStringLiteral(LUMIDEX_BINARY), arguments);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString());
    }

    // Both answer without a display.
    void helpAndVersion_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("--help") << "--help"
                                << "Usage: lumidex [/s | /p ID | /c]";
        QTest::newRow("-help") << "-help"
                               << "Usage: lumidex [/s | /p ID | /c]";
        QTest::newRow("--version") << "--version"
                                   << "Lumidex ScreenSaver " LUMIDEX_VERSION;
        QTest::newRow("-version") << "-version"
                                  << "Lumidex ScreenSaver " LUMIDEX_VERSION;
    }

    void helpAndVersion()
    {
        QFETCH(QString, option);
        QFETCH(QString, firstLine);
        const Run run = Start(QStringLiteral(LUMIDEX_BINARY), {option}, "C",
                              {"DISPLAY=", "QT_QPA_PLATFORM=", "WAYLAND_DISPLAY="});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out.section(QLatin1Char('\n'), 0, 0), firstLine);
        QVERIFY(run.out.endsWith(QLatin1Char('\n')));
        QCOMPARE(run.err, QString());
    }

    void noDisplayIsReportedNotACrash()
    {
        const Run run = Start(QStringLiteral(LUMIDEX_BINARY), {"/s"}, "C",
                              {"DISPLAY=:97", "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY="});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QStringLiteral("lumidex: cannot open the display\n"));
    }

    // A host would start a hack that ends at once again and again: it says why and waits
    // for the host's SIGTERM.
    void hostedRunWithoutDisplayWaitsForTheHost()
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(LUMIDEX_BINARY), {"-root"});
        QVERIFY(process.waitForStarted());
        QVERIFY(!process.waitForFinished(1000));
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
                 QStringLiteral("lumidex: cannot open the display\n"));
    }
};

LUMIDEX_REGISTER_TEST(TstPrograms)
#include "tst_programs.moc"
