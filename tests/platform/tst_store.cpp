#include "TestSupport.h"
#include "core/Failure.h"

#include "platform/Store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <cstdio>

using namespace platform;
using namespace core;

namespace {

const QString Missing = QStringLiteral("<default>");

QString StoreFolder()
{
    return QFileInfo(StoreFilePath()).absolutePath();
}

QString Get(const QString &key)
{
    return GetSetting(SettingsSection, key, Missing);
}

void Set(const QString &key, const QString &value)
{
    SaveSetting(SettingsSection, key, value);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every path with its content below the config folder, which holds the store's folder.
QStringList Snapshot()
{
    QStringList entries;
    QDirIterator it(QFileInfo(StoreFolder()).absolutePath(),
                    QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries << path + QLatin1Char('=') + QString::fromLatin1(ReadFile(path).toHex());
    }
    entries.sort();
    return entries;
}

// Writes the store as another program would: a new file renamed into place. It keeps the
// old file's time, as a rewrite within the same millisecond does: QSettings, going by size
// and time, could then take a same-size file for the one it read before.
void ReplaceStoreFile(const QByteArray &content)
{
    QDir().mkpath(StoreFolder());
    const QFileInfo old(StoreFilePath());
    const QString temporary = StoreFilePath() + QStringLiteral(".editing");
    QFile file(temporary);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
    QVERIFY(file.flush());
    if (old.exists())
        QVERIFY(file.setFileTime(old.lastModified(), QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(StoreFilePath()).constData()) == 0);
}

// Starts the store helper and waits for it; its output, or what went wrong.
QByteArray RunHelper(const QStringList &arguments)
{
    QProcess helper;
    helper.start(QStringLiteral(STORE_HELPER), arguments);
    if (!helper.waitForFinished(30000) || helper.exitCode() != 0)
        return "<helper failed: " + helper.readAllStandardError() + ">";
    return helper.readAllStandardOutput();
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanupTestCase() { init(); }

    void keysAndSectionsAreSeparate();
    void valuesComeBackByteForByte_data();
    void valuesComeBackByteForByte();
    void readsGiveTheDefaultAndWriteNothing_data();
    void readsGiveTheDefaultAndWriteNothing();
    void handEditedValues_data();
    void handEditedValues();
    void damagedFileIsCopiedOnceBeforeTheFirstWrite();
    void anotherProcessRewriteIsSeenAndKept();
};

void StoreTest::init()
{
    // A test may have left a file where the store's folder belongs.
    QFile::remove(StoreFolder());
    QDir(StoreFolder()).removeRecursively();
    QVERIFY(!QFileInfo::exists(StoreFolder()));
}

void StoreTest::keysAndSectionsAreSeparate()
{
    QCOMPARE(StoreFilePath(),
             QDir(testing::IsolatedHome()).filePath(QStringLiteral("config/Vantrel/Lumidex.conf")));
    Set("Title", "now");
    SaveSetting(PreviousSection, QStringLiteral("Title"), QStringLiteral("before"));
    Set("title", "lower");
    Set("Title", "again");
    QCOMPARE(Get("Title"), "again");
    QCOMPARE(GetSetting(PreviousSection, QStringLiteral("Title"), Missing), "before");
    QCOMPARE(Get("title"), "lower");
    QCOMPARE(GetSetting(PreviousSection, QStringLiteral("title"), Missing), Missing);
    QVERIFY(ReadFile(StoreFilePath()).contains("[Previous]"));
}

void StoreTest::valuesComeBackByteForByte_data()
{
    QTest::addColumn<QString>("value");
    QString longText;
    for (int i = 0; longText.size() < 100000; ++i)
        longText += QStringLiteral("ab\\,\"\nä日 @").at(i * 7 % 10);
    QTest::newRow("drive root") << QStringLiteral("c:\\");
    QTest::newRow("escapes") << QStringLiteral("\\\\server\\x41\\n \\\" \\\\");
    QTest::newRow("commas") << QStringLiteral("a, b,c,,");
    QTest::newRow("quotes") << QStringLiteral("\"a, b\" 'it''s'");
    QTest::newRow("leading at") << QStringLiteral("@Rect(1 2 3 4)");
    QTest::newRow("comment signs and blanks") << QStringLiteral("  ;x #y [z] =a  ");
    QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\rfour\t");
    QTest::newRow("non-ASCII") << QStringLiteral("Grüße aus Köln, 日本 🎉");
    QTest::newRow("empty") << QString();
    QTest::newRow("100 000 characters") << longText;
}

void StoreTest::valuesComeBackByteForByte()
{
    QFETCH(QString, value);
    Set("Title", value);
    QCOMPARE(Get("Title"), value);
    // Another process reads the file, not this process's memory of it.
    QCOMPARE(QString::fromUtf8(RunHelper({"get", SettingsSection, "Title", Missing})), value);
}

void StoreTest::readsGiveTheDefaultAndWriteNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // of the store file; null: what the row names
    QByteArray noise(16384, '\0');
    QRandomGenerator random(1272);
    for (char &byte : noise)
        byte = char(random.bounded(256));
    for (const char *setup : {"no folder", "no file", "file is a folder", "folder is a file"})
        QTest::newRow(setup) << QByteArray();
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("other section and key") << QByteArray("[Previous]\nTitle=x\n[Settings]\nT=x\n");
    QTest::newRow("damaged file") << QByteArray("[Settings\nOther=1\n");
    QTest::newRow("random bytes") << noise;
    QTest::newRow("a megabyte of backslashes") << "[Settings]\nHuge=" + QByteArray(1 << 20, '\\');
}

void StoreTest::readsGiveTheDefaultAndWriteNothing()
{
    QFETCH(QByteArray, content);
    const QByteArray setup = QTest::currentDataTag();
    const bool blocked = setup == "file is a folder" || setup == "folder is a file";
    if (!content.isNull()) {
        ReplaceStoreFile(content);
    } else if (setup == "no file" || setup == "file is a folder") {
        QVERIFY(QDir().mkpath(setup == "no file" ? StoreFolder() : StoreFilePath()));
    } else if (setup == "folder is a file") {
        QFile blocker(StoreFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("not a folder") > 0);
    }

    const QStringList before = Snapshot();
    QCOMPARE(Get("Title"), Missing);
    QCOMPARE(Snapshot(), before);
    QCOMPARE(QFileInfo::exists(StoreFolder()), setup != "no folder");

    Set("Title", "saved");
    QCOMPARE(Get("Title"), blocked ? Missing : QStringLiteral("saved"));
    if (blocked)
        QCOMPARE(Snapshot(), before);
}

void StoreTest::handEditedValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unquoted list") << QByteArray("Title=a,b, c") << "a, b, c";
    QTest::newRow("byte array") << QByteArray("Title=@ByteArray(text)") << "text";
    QTest::newRow("empty") << QByteArray("Title=") << "";
    QTest::newRow("rectangle") << QByteArray("Title=@Rect(1 2 3 4)") << Missing;
    QTest::newRow("garbage variant") << QByteArray("Title=@Variant(garbage)") << Missing;
    QTest::newRow("list with a rectangle") << QByteArray("Title=a,@Rect(1 2 3 4)") << Missing;
}

void StoreTest::handEditedValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    ReplaceStoreFile("[Settings]\n" + line + "\nAfter=next\n");
    QCOMPARE(Get("Title"), expected);
    QCOMPARE(Get("After"), "next");
}

void StoreTest::damagedFileIsCopiedOnceBeforeTheFirstWrite()
{
    // Only a section line without its closing bracket makes QSettings call a file damaged.
    ReplaceStoreFile("[Settings]\nTitle=kept\njust words\n]\n");
    Set("Saved", "0");
    QCOMPARE(Get("Title"), "kept");
    QCOMPARE(QDir(StoreFolder()).entryList({QStringLiteral("*.damaged*")}), QStringList());

    const QString base = StoreFilePath() + QStringLiteral(".damaged");
    for (int round = 1; round <= 3; ++round) {
        const QString number = QString::number(round);
        const QByteArray content = "[Settings]\nRound=" + number.toLatin1() + "\n[Broken\n";
        ReplaceStoreFile(content);
        QCOMPARE(Get("Round"), number);
        Set("Saved", number);
        Set("Again", number); // the first write repaired the file: no second copy
        QCOMPARE(ReadFile(round == 1 ? base : base + QLatin1Char('.') + number), content);
        QCOMPARE(QDir(StoreFolder()).entryList({QStringLiteral("*.damaged*")}).size(), round);
        QCOMPARE(Get("Saved"), number);
        QCOMPARE(Get("Round"), number);
    }
}

void StoreTest::anotherProcessRewriteIsSeenAndKept()
{
    Set("Other", "mine");
    for (const char *value : {"5", "6", "5"}) {
        QCOMPARE(RunHelper({"set", SettingsSection, "Counter", value}), QByteArray());
        QCOMPARE(Get("Counter"), QString::fromLatin1(value));
    }
    QCOMPARE(Get("Other"), "mine");

    // Same-size rewrites at the same time: a cached parse would read the old counter, and
    // write it back with the next change.
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    const uint openBefore = descriptors.count();
    int stale = 0;
    for (int i = 0; i < 50; ++i) {
        for (const QByteArray counter : {"5", "6"}) {
            ReplaceStoreFile("[Settings]\nCounter=" + counter + "\nMine=1\n");
            stale += Get("Counter") != counter;
            Set("Mine", "2");
            stale += Get("Counter") != counter || Get("Mine") != "2";
        }
    }
    QCOMPARE(stale, 0);
    QCOMPARE(QDir(descriptors.path()).count(), openBefore); // every access closed what it opened
}

LUMIDEX_REGISTER_TEST(StoreTest)
#include "tst_store.moc"
