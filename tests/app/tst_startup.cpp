#include "TestSupport.h"

#include "Version.h"
#include "app/CommandLine.h"
#include "app/HackOptions.h"

#include <QProcess>
#include <QTest>
#include <map>

using namespace startup;

namespace {

// What start-up makes of a command line, in words: the host's option when there is one,
// else the switch's mode.
QString Reading(const QStringList &words)
{
    const HackOptions hack = HackOptionsFrom(words);
    const std::map<HackRun, QString> runs{
        {HackRun::Root, "root"},
        {HackRun::Window, "window"},
        {HackRun::Help, "help"},
        {HackRun::Version, "version"},
        {HackRun::WindowId, "window-id " + QString::number(hack.windowId)}};
    if (hack.run != HackRun::NotAHack)
        return runs.at(hack.run) +
               (hack.unknown.isEmpty() ? "" : " ignoring " + hack.unknown.join(' '));
    const QString arguments = ArgumentsFrom(words);
    const std::map<Mode, QString> modes{
        {Mode::Saver, "saver"},
        {Mode::Settings, "settings"},
        {Mode::None, "none"},
        {Mode::Preview, "preview " + QString::number(PreviewHostNumber(arguments))}};
    return modes.at(ModeOf(SwitchOf(arguments)));
}

// A program's exit status and what it wrote to standard output and error.
std::tuple<int, QString, QString> Run(const QString &program, const QStringList &arguments,
                                      const QStringList &environment)
{
    QProcess process;
    process.setProcessEnvironment(testing::Environment(QStringList{"LC_ALL=C"} + environment));
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

const QStringList NoDisplay{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { testing::ClearStore(); }

    // Rows: the words separated by ',', and what start-up reads in them. Only two
    // characters of the switch count, in any case; a host's options take one or two dashes.
    void readsTheCommandLine_data()
    {
        testing::AddRows(R"(
 | saver
   | saver
  /S  ,1234 | saver
/sx | saver
,/c | settings
/C:4711 | settings
/p,4711 | preview 4711
/p:4711 | preview 4711
/p4711 | preview 4711
/p | preview 0
/p,12,34 | preview 34
/p,4710.5 | preview 4710
/p,4711.5 | preview 4712
/p,0x200005 | preview 2097157
/P:0X1a | preview 26
/p0x1a | preview 26
/p,0xfffffffe | preview -2
/p,0x1g | preview 0
/a | none
\t/s | none
/ß | none
--root | root
-root,-fps,x | root ignoring -fps x
-window | window
--window-id,0x2a00003 | window-id 44040195
-window-id,0X1F | window-id 31
--window-id=44040195 | window-id 44040195
-window-id,7,-root | window-id 7
-window-id,0x100000000 | window-id 0
-root,-window-id | window-id 0
--version,-help | help
-ROOT | none
)");
        QTest::newRow("long") << QStringList{"/c" + QString(200000, u'x'), "settings"};
    }

    void readsTheCommandLine()
    {
        QFETCH(QStringList, row);
        QCOMPARE(Reading(row[0].isEmpty() ? QStringList() : row[0].split(u',')), row[1]);
    }

    // lumidex-countdown prints the saver's two lines in the locale's way of reading dates.
    // Rows: the locale, the stored date, the arguments, what it prints and its status.
    void countdownProgram_data()
    {
        testing::AddRows(R"(
C | 2/8/2028 | --today,2026-12-05 | Enter Title Text\n 1 year  2 months  3 days!\n | 0
de_DE.UTF-8 | 8. Februar 2028 | --today=2026-12-05 | Enter Title Text\n 1 year  2 months  3 days!\n | 0
C | 2026-12-05 | --today,2026-12-05 | \nCompletion phrase upon reaching target date.\n | 0
C | someday | --today,2026-12-05 |  | 1
C |  | --tomorrow |  | 2
C |  | --today=12/5/2026 |  | 2
C |  | now |  | 2
)");
        QTest::newRow("today") << QStringList{"C",
                                              QDate::currentDate().addDays(1).toString(Qt::ISODate),
                                              "", "Enter Title Text\n 1 day!\n", "0"};
    }

    void countdownProgram()
    {
        QFETCH(QStringList, row);
        testing::Store("Date", row[1]);
        const auto [ended, printed, said] =
            Run(COUNTDOWN_BINARY, row[2].isEmpty() ? QStringList() : row[2].split(u','),
                {"LC_ALL=" + row[0]});
        QCOMPARE(ended, row[4].toInt());
        QCOMPARE(printed, row[3]);
        const QStringList errors{"",
                                 "There has been an Error in the Date Calculation.\n\n"
                                 "Please check the Target Date.\n",
                                 "usage: lumidex-countdown [--today YYYY-MM-DD]\n"};
        QCOMPARE(said, errors[row[4].toInt()]);
    }

    // Odd command lines need no display and end at once; from a terminal an option that is
    // none of ours is refused with the usage; a missing display is said. Rows: the words,
    // the environment ("-": no display), the status and the first line written.
    void saverWithoutWindows_data()
    {
        testing::AddRows(R"(
/x | - | 0
x | - | 0
-s | - | 1 | lumidex: unrecognised option -s
--reverse | - | 1 | lumidex: unrecognised option --reverse
-window,--bogus,x | - | 1 | lumidex: unrecognised option --bogus
-ROOT | - | 1 | lumidex: unrecognised option -ROOT
-version | - | 0 | Lumidex ScreenSaver <version>
/s | DISPLAY=:97,QT_QPA_PLATFORM=xcb | 1 | lumidex: cannot open the display
)");
        QTest::newRow("bytes") << QStringList{"\x01\x02\xff\xfe", "-", "0"};
        QTest::newRow("--help") << QStringList{"--help", "-", "0",
                                               "Usage: lumidex [/s | /p ID | /c]"};
    }

    void saverWithoutWindows()
    {
        QFETCH(QStringList, row);
        const auto [ended, printed, said] =
            Run(LUMIDEX_BINARY, row[0].split(u','), row[1] == "-" ? NoDisplay : row[1].split(u','));
        QCOMPARE(ended, row[2].toInt());
        QCOMPARE((printed + said).section(u'\n', 0, 0),
                 row.value(3).replace("<version>", LUMIDEX_VERSION));
    }
};

LUMIDEX_REGISTER_TEST(TstStartup)
#include "tst_startup.moc"
