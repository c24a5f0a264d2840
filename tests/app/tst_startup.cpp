#include "TestSupport.h"

#include "Version.h"
#include "app/CommandLine.h"
#include "app/HackOptions.h"

#include <QProcess>
#include <QTest>
#include <map>

using namespace startup;
using testing::List;

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

// "status|standard output|standard error" of a program run with no display; ">FILE" first
// among the environment's assignments sends standard output to FILE.
QString Run(const QString &program, const QStringList &arguments, QStringList environment)
{
    QProcess process;
    if (environment.value(0).startsWith(u'>'))
        process.setStandardOutputFile(environment.takeFirst().mid(1));
    process.setProcessEnvironment(testing::Environment(
        QStringList{"LC_ALL=C", "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="} + environment));
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit;
    return QString::number(ended ? process.exitCode() : -1) + '|' +
           process.readAllStandardOutput() + '|' + process.readAllStandardError();
}

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT

    // An X server whose one screen has 256 colours, for the rows that name it <8 bits>.
    QProcess eightBits;
    QString eightBitsDisplay;

private Q_SLOTS:
    void initTestCase()
    {
        eightBits.start("Xvfb",
                        {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x8"});
        QVERIFY(eightBits.waitForReadyRead(10000));
        eightBitsDisplay = ":" + QString::fromLatin1(eightBits.readLine()).trimmed();
    }
    void cleanupTestCase()
    {
        eightBits.terminate();
        eightBits.waitForFinished();
    }
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

    // Each program as a terminal runs it. lumidex-countdown prints the saver's two lines,
    // reading dates the locale's way. lumidex needs no display for odd command lines and ends
    // at once, refuses an option that is none of ours, and says that the display is missing
    // (a screen the server lacks is none: Qt would abort) or has too few colours for Qt.
    // Text that cannot reach standard output fails either program.
    // Rows: the program, its words, the environment besides no display (">FILE": standard
    // output to FILE), the stored date, the status, and what it writes to standard output |
    // to standard error (<usage>: lumidex's; <full>: a full disk's complaint).
    void programs_data()
    {
        testing::AddRows(R"(
countdown | --today; 2026-12-05 | - | 2/8/2028 | 0 | Enter Title Text\n 1 year  2 months  3 days!\n|
countdown | --today=2026-12-05 | LC_ALL=de_DE.UTF-8 | 8. Februar 2028 | 0
    | Enter Title Text\n 1 year  2 months  3 days!\n|
countdown | --today; 2026-12-05 | - | 2026-12-05 | 0
    | \nCompletion phrase upon reaching target date.\n|
countdown | --today; 2026-12-05 | - | someday | 1
    | |There has been an Error in the Date Calculation.\n\nPlease check the Target Date.\n
countdown | --tomorrow | - | - | 2 | |usage: lumidex-countdown [--today YYYY-MM-DD]\n
countdown | --today=12/5/2026 | - | - | 2 | |usage: lumidex-countdown [--today YYYY-MM-DD]\n
countdown | now | - | - | 2 | |usage: lumidex-countdown [--today YYYY-MM-DD]\n
lumidex | /x | - | - | 0 | |
lumidex | x | - | - | 0 | |
lumidex | -s | - | - | 1 | |lumidex: unrecognised option -s\n\n<usage>
lumidex | --reverse | - | - | 1 | |lumidex: unrecognised option --reverse\n\n<usage>
lumidex | -window; --bogus; x | - | - | 1 | |lumidex: unrecognised option --bogus\n\n<usage>
lumidex | -ROOT | - | - | 1 | |lumidex: unrecognised option -ROOT\n\n<usage>
lumidex | -version | - | - | 0 | Lumidex ScreenSaver <version>\n|
lumidex | --help | - | - | 0 | <usage>|
lumidex | /s | DISPLAY=:97; QT_QPA_PLATFORM=xcb | - | 1 | |lumidex: cannot open the display\n
countdown | --today; 2026-12-05 | >/dev/full | 2/8/2028 | 1 | |lumidex-countdown: <full>
countdown | --help | >/dev/full | - | 1 | |lumidex-countdown: <full>
lumidex | -version | >/dev/full | - | 1 | |lumidex: <full>
lumidex | --help | >/dev/full | - | 1 | |lumidex: <full>
lumidex | /s | DISPLAY=<8 bits>.5 | - | 1 | |lumidex: cannot open the display\n
lumidex | /s | DISPLAY=<8 bits> | - | 1 | |lumidex: the display has too few colours\n
lumidex | /c | DISPLAY=<8 bits> | - | 1 | |lumidex: the display has too few colours\n
lumidex | --root | DISPLAY=<8 bits> | - | 1 | |lumidex: the display has too few colours\n
)");
        const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
        QTest::newRow("today") << QStringList{"countdown", "-", "-",
                                              tomorrow,    "0", "Enter Title Text\n 1 day!\n|"};
        QTest::newRow("bytes") << QStringList{"lumidex", "\x01\x02\xff\xfe", "-", "-", "0", "|"};
    }

    void programs()
    {
        QFETCH(QStringList, row);
        if (row[3] != u"-")
            testing::Store("Date", row[3]);
        const QString program = row[0] == u"lumidex" ? LUMIDEX_BINARY : COUNTDOWN_BINARY;
        const QStringList environment = List(row, 2).replaceInStrings("<8 bits>", eightBitsDisplay);
        const QString full = "cannot write to standard output: No space left on device\n";
        QCOMPARE(Run(program, List(row, 1), environment)
                     .replace(HackUsage(), "<usage>")
                     .replace(full, "<full>"),
                 row[4] + '|' + row[5].replace("<version>", LUMIDEX_VERSION));
    }
};

LUMIDEX_REGISTER_TEST(TstStartup)
#include "tst_startup.moc"
