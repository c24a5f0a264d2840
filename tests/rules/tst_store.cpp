#include "TestSupport.h"

#include "platform/Store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <cstdio>

using namespace platform;
using testing::Stored;
using testing::StoreFolder;

namespace {

// The store as another process sees it, in this program's helper: "get SECTION KEY", and
// "write PREFIX COUNT": COUNT writes cycling over the keys PREFIX0..PREFIX9.
int StoreHelper(const QStringList &arguments)
{
    if (arguments.value(0) == u"get") {
        std::fputs(GetSetting(arguments[1], arguments[2], "<missing>").toUtf8(), stdout);
    } else {
        for (int i = 0; i < arguments[2].toInt(); ++i)
            SaveSetting(SettingsSection, arguments[1] + QString::number(i % 10),
                        QStringLiteral("write %1").arg(i));
    }
    return 0;
}
// Set before main() runs: a helper process runs it instead of the tests.
[[maybe_unused]] const bool StoreHelperSet = (testing::Helper() = StoreHelper, true);

} // namespace

class TstStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QFile::remove(StoreFolder()); // a row may have left a file where the folder belongs
        testing::ClearStore();
    }

    void valuesComeBackByteForByte_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("drive root") << QStringLiteral("c:\\");
        QTest::newRow("escapes") << QStringLiteral("\\\\server\\x41\\n \\\" \\\\");
        QTest::newRow("list signs") << QStringLiteral("a, b,c,, \"q, r\" 'it''s'");
        QTest::newRow("leading at") << QStringLiteral("@Rect(1 2 3 4)");
        QTest::newRow("comment signs") << QStringLiteral("  ;x #y [z] =a  ");
        QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\rfour\t");
        QTest::newRow("non-ASCII") << QStringLiteral("Grüße aus Köln, 日本 🎉");
        QTest::newRow("empty") << QString();
        QTest::newRow("100 000 characters") << QStringLiteral("ab\\,\"\nä").repeated(12500);
    }

    // Another process reads the file, not this process's memory of it.
    void valuesComeBackByteForByte()
    {
        QFETCH(QString, value);
        SaveSetting(PreviousSection, QStringLiteral("Title"), QStringLiteral("snapshot"));
        testing::Store("Title", value);
        QCOMPARE(Stored("Title"), value);
        QCOMPARE(QString::fromUtf8(testing::RunHelper({"get", "Settings", "Title"})), value);
        QCOMPARE(Stored("title"), QStringLiteral("<missing>"));
        QCOMPARE(Stored("Title", PreviousSection), QStringLiteral("snapshot"));
    }

    // What a read makes of the file; no read ever writes, and a store that cannot be a file
    // takes no write either.
    void readsWhatTheFileHolds_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: the row's name says what is there
        QTest::addColumn<QString>("title");
        for (const char *place : {"no folder", "no file", "file is a folder", "folder is a file"})
            QTest::newRow(place) << QByteArray() << "<missing>";
        QTest::newRow("empty file") << QByteArray("") << "<missing>";
        QTest::newRow("random bytes") << QByteArray::fromHex("00ff5b0a3dfe0d0a80") << "<missing>";
        // A NUL ends a text, as it would in every program that prints it.
        QTest::newRow("NUL byte") << QByteArray("[Settings]\nTitle=ab\0cd\n", 23) << "ab";
        QTest::newRow("megabyte of backslashes")
            << "[Settings]\nHuge=" + QByteArray(1 << 20, '\\') << "<missing>";
        // Lines after "[Settings]", the README's typed by hand among them, and what is read.
        for (const QStringList &row : testing::Table(R"(
[Previous]\nTitle=x | <missing>
Title=kept\n[Broken | kept
Title=@Rect(1 2 3 4) | <missing>
Title=@Variant(x) | <missing>
Title=ab\0cd | ab
Title=c:\\Pictures\\ | c:\Pictures\
Title=c:\Pictures\ | c:ictures
Title=Hello; World | Hello
Title="Hello; World" | Hello; World
Title=Red,green | Red, green
Title="Red,green" | Red,green
Title="  Indented" |   Indented
Title=  Indented | Indented
)"))
            QTest::newRow(qPrintable(QString(row[0]).replace(u'\n', "\\n")))
                << "[Settings]\n" + row[0].toUtf8() + '\n'
                << row[1];
    }

    void readsWhatTheFileHolds()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        const QByteArray place = QTest::currentDataTag();
        if (!content.isNull())
            testing::WriteStoreBytes(content);
        else if (place != "no folder" && place != "folder is a file")
            QVERIFY(QDir().mkpath(place == "no file" ? StoreFolder() : StoreFilePath()));
        else if (place == "folder is a file")
            QVERIFY(QFile(StoreFolder()).open(QIODevice::WriteOnly));

        QCOMPARE(Stored("Title"), title);
        QCOMPARE(QFileInfo::exists(StoreFolder()), place != "no folder");
        QCOMPARE(testing::StoreBytes(), content.isNull() ? QByteArray() : content);

        const bool blocked = place == "file is a folder" || place == "folder is a file";
        testing::Store("Saved", "yes");
        QCOMPARE(Stored("Saved"), blocked ? "<missing>" : "yes");
    }

    // Two programs writing their own keys at once while this one reads: no key goes
    // missing or back to an older value, and each ends with its writer's last value.
    void writersLoseNothing()
    {
        testing::Store("Sentinel", "here");
        constexpr int Writes = 3000;
        QProcess first, second;
        testing::StartHelper(first, {"write", "First", QString::number(Writes)});
        testing::StartHelper(second, {"write", "Second", QString::number(Writes)});
        QMap<QString, int> seen;
        int lost = 0, wentBack = 0;
        QElapsedTimer clock;
        clock.start();
        while (first.state() != QProcess::NotRunning || second.state() != QProcess::NotRunning) {
            lost += Stored("Sentinel") != "here";
            for (int key = 0; key < 20; ++key) {
                const QString name = (key < 10 ? "First" : "Second") + QString::number(key % 10);
                const int write = Stored(name).mid(6).toInt(); // "write N"
                wentBack += write < seen.value(name);
                seen[name] = std::max(write, seen.value(name));
            }
            QVERIFY(clock.elapsed() < 60000);
            QCoreApplication::processEvents();
        }
        QVERIFY(first.exitCode() == 0 && second.exitCode() == 0);
        for (int key = 0; key < 10; ++key) {
            const QString last = QStringLiteral("write %1").arg((Writes - 1 - key) / 10 * 10 + key);
            QCOMPARE(Stored("First" + QString::number(key)), last);
            QCOMPARE(Stored("Second" + QString::number(key)), last);
        }
        QCOMPARE(lost + wentBack, 0);
        QCOMPARE(testing::StoreFolderEntries(), QStringList{"Lumidex.conf"}); // nothing left
    }
};

LUMIDEX_REGISTER_TEST(TstStore)
#include "tst_store.moc"
