#include "TestSupport.h"

#include "app/HackOptions.h"

#include <QTest>

using startup::HackRun;

Q_DECLARE_METATYPE(startup::HackRun)

// The options a screen-saver host passes, read apart from any window.
class TstHackOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void options_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<HackRun>("run");
        QTest::addColumn<quint32>("windowId");
        QTest::addColumn<QStringList>("unknown");
        auto row = [](const char *name, QStringList words, HackRun run, quint32 id = 0,
                      QStringList unknown = {}) {
            QTest::newRow(name) << words << run << id << unknown;
        };
        row("nothing", {}, HackRun::NotAHack);
        row("windows saver", {"/s"}, HackRun::NotAHack);
        row("windows preview", {"/p", "-root"}, HackRun::NotAHack);
        row("unknown alone stays refused", {"-s"}, HackRun::NotAHack);
        row("-root", {"-root"}, HackRun::Root);
        row("--root", {"--root"}, HackRun::Root);
        row("-window", {"-window"}, HackRun::Window);
        row("--window", {"--window"}, HackRun::Window);
        row("hex id", {"--root", "--window-id", "0x2a00003"}, HackRun::WindowId, 0x2a00003);
        row("upper-case hex", {"-window-id", "0X2A00003"}, HackRun::WindowId, 0x2a00003);
        row("decimal id", {"-window-id", "44040195"}, HackRun::WindowId, 44040195);
        row("id with equals", {"--window-id=0x1f"}, HackRun::WindowId, 0x1f);
        row("id over root, either order", {"-window-id", "7", "-root"}, HackRun::WindowId, 7);
        row("id over window", {"-window", "-window-id", "7"}, HackRun::WindowId, 7);
        row("root over window", {"-window", "-root"}, HackRun::Root);
        row("zero id", {"-window-id", "0"}, HackRun::WindowId, 0);
        row("missing id", {"-root", "-window-id"}, HackRun::WindowId, 0);
        row("bad id", {"-window-id", "0xzz"}, HackRun::WindowId, 0);
        row("negative id", {"-window-id", "-5"}, HackRun::WindowId, 0);
        row("id beyond 32 bits", {"-window-id", "0x100000000"}, HackRun::WindowId, 0);
        row("unknown kept", {"-root", "-fps", "x"}, HackRun::Root, 0, {"-fps", "x"});
        row("help wins", {"-root", "--help"}, HackRun::Help);
        row("version", {"-version"}, HackRun::Version);
        row("help over version", {"--version", "-help"}, HackRun::Help);
        row("case matters for names", {"-ROOT"}, HackRun::NotAHack);
    }

    void options()
    {
        QFETCH(QStringList, words);
        QFETCH(HackRun, run);
        QFETCH(quint32, windowId);
        QFETCH(QStringList, unknown);
        const startup::HackOptions options = startup::HackOptionsFrom(words);
        QCOMPARE(options.run, run);
        QCOMPARE(options.windowId, windowId);
        if (run != HackRun::NotAHack)
            QCOMPARE(options.unknown, unknown);
        QCOMPARE(options.hosted(), run == HackRun::Root || run == HackRun::WindowId);
    }

    void windowIds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("id"); // 0: none
        QTest::newRow("hex") << "0x1a" << 0x1aU;
        QTest::newRow("hex, upper case") << "0XABCDEF" << 0xabcdefU;
        QTest::newRow("decimal") << "4711" << 4711U;
        QTest::newRow("largest") << "0xffffffff" << 0xffffffffU;
        QTest::newRow("empty") << "" << 0U;
        QTest::newRow("bare 0x") << "0x" << 0U;
        QTest::newRow("zero") << "0x0" << 0U;
        QTest::newRow("sign") << "+12" << 0U;
        QTest::newRow("blank") << " 12" << 0U;
        QTest::newRow("trailing text") << "12px" << 0U;
        QTest::newRow("too large") << "4294967296" << 0U;
    }

    void windowIds()
    {
        QFETCH(QString, text);
        QFETCH(quint32, id);
        QCOMPARE(startup::WindowIdFrom(text).value_or(0), id);
    }

    void usageNamesEverySwitch()
    {
        const QString usage = startup::HackUsage();
        for (const char *word : {"/s", "/p ID", "/c", "-root", "-window-id ID", "-window ",
                                 "XSCREENSAVER_WINDOW", "-help", "-version"})
            QVERIFY2(usage.contains(QLatin1String(word)), word);
    }
};

LUMIDEX_REGISTER_TEST(TstHackOptions)
#include "tst_hackoptions.moc"
