#include "TestSupport.h"

#include "app/CommandLine.h"

#include <QTest>

using startup::Mode;

Q_DECLARE_METATYPE(startup::Mode)

class TstCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modeFromTheSwitch_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<Mode>("mode");
        QTest::newRow("nothing") << QStringList() << Mode::Saver;
        QTest::newRow("only blanks") << QStringList{"   "} << Mode::Saver;
        QTest::newRow("empty word") << QStringList{""} << Mode::Saver;
        QTest::newRow("/s") << QStringList{"/s"} << Mode::Saver;
        QTest::newRow("/S") << QStringList{"/S"} << Mode::Saver;
        QTest::newRow("/s with blanks") << QStringList{"  /s  "} << Mode::Saver;
        QTest::newRow("/s 1234") << QStringList{"/s", "1234"} << Mode::Saver;
        QTest::newRow("/sx") << QStringList{"/sx"} << Mode::Saver;
        QTest::newRow("/c") << QStringList{"/c"} << Mode::Settings;
        QTest::newRow("/C") << QStringList{"/C"} << Mode::Settings;
        QTest::newRow("/c:4711") << QStringList{"/c:4711"} << Mode::Settings;
        QTest::newRow("/p 4711") << QStringList{"/p", "4711"} << Mode::Preview;
        QTest::newRow("/P") << QStringList{"/P"} << Mode::Preview;
        QTest::newRow("/a") << QStringList{"/a"} << Mode::None;
        QTest::newRow("-s") << QStringList{"-s"} << Mode::None;
        QTest::newRow("x") << QStringList{"x"} << Mode::None;
        QTest::newRow("/") << QStringList{"/"} << Mode::None;
        QTest::newRow("tab") << QStringList{"\t/s"} << Mode::None;
        QTest::newRow("blank word first") << QStringList{"", "/c"} << Mode::Settings;
        QTest::newRow("non-ASCII") << QStringList{"/ß"} << Mode::None;
        QTest::newRow("replacement characters")
            << QStringList{"\xEF\xBF\xBD\xEF\xBF\xBD"} << Mode::None;
        QTest::newRow("long") << QStringList{"/c" + QString(200000, QLatin1Char('x'))}
                              << Mode::Settings;
    }

    void modeFromTheSwitch()
    {
        QFETCH(QStringList, words);
        QFETCH(Mode, mode);
        QCOMPARE(startup::ModeOf(startup::SwitchOf(startup::ArgumentsFrom(words))), mode);
    }

    void argumentsAreTrimmedAndLowerCase()
    {
        QCOMPARE(startup::ArgumentsFrom({"  /P", "4711  "}), QStringLiteral("/p 4711"));
        QCOMPARE(startup::SwitchOf(QStringLiteral("/")), QStringLiteral("/"));
    }

    void previewHostNumber_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("host");
        QTest::newRow("blank") << "/p 4711" << 4711;
        QTest::newRow("colon") << "/p:4711" << 4711;
        QTest::newRow("alone") << "/p" << 0;
        QTest::newRow("blanks around") << "/p    4711   " << 4711;
        QTest::newRow("letters after") << "/p 4711x" << 0;
        QTest::newRow("digits glued to the switch") << "/p4711" << 4711;
        QTest::newRow("two numbers") << "/p 12 34" << 34;
        QTest::newRow("half rounds to even") << "/p 4710.5" << 4710;
        QTest::newRow("half rounds up to even") << "/p 4711.5" << 4712;
        QTest::newRow("exponent") << "/p 1e3" << 1000;
        QTest::newRow("negative") << "/p -5" << -5;
        QTest::newRow("largest") << "/p 2147483647" << 2147483647;
        QTest::newRow("beyond 32 bits") << "/p 99999999999" << 0;
        QTest::newRow("beyond double") << "/p 1e999" << 0;
        QTest::newRow("long digits") << "/p " + QString(100000, QLatin1Char('1')) << 0;
        QTest::newRow("long blanks") << "/p" + QString(100000, QLatin1Char(' ')) + "7" << 7;
    }

    void previewHostNumber()
    {
        QFETCH(QString, arguments);
        QFETCH(int, host);
        QCOMPARE(startup::PreviewHostNumber(arguments), host);
    }

    void secondInstanceRule_data()
    {
        QTest::addColumn<QString>("switchText");
        QTest::addColumn<bool>("displayPropertiesOpen");
        QTest::addColumn<bool>("previousInstance");
        QTest::addColumn<bool>("ends");
        QTest::newRow("second /s") << "/s" << false << true << true;
        QTest::newRow("first /s") << "/s" << false << false << false;
        QTest::newRow("second /s with display settings open") << "/s" << true << true << false;
        QTest::newRow("empty command line") << "" << false << true << false;
        QTest::newRow("preview") << "/p" << false << true << false;
        QTest::newRow("settings") << "/c" << false << true << false;
    }

    void secondInstanceRule()
    {
        QFETCH(QString, switchText);
        QFETCH(bool, displayPropertiesOpen);
        QFETCH(bool, previousInstance);
        QFETCH(bool, ends);
        QCOMPARE(startup::EndsAsSecondInstance(switchText, displayPropertiesOpen, previousInstance),
                 ends);
    }
};

LUMIDEX_REGISTER_TEST(TstCommandLine)
#include "tst_commandline.moc"
