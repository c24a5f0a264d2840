#include "TestSupport.h"

#include "platform/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <cstdio>

using namespace platform;

namespace {

const QString Missing = QStringLiteral("<default>");

QString StoreFolder()
{
    return QFileInfo(StoreFilePath()).absolutePath();
}

// Everything under the store's folder with its size and content, to show nothing changed.
QStringList FolderSnapshot()
{
    QStringList entries;
    QDirIterator it(StoreFolder(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : "<dir>";
        entries << path + QLatin1Char('=') + QString::fromLatin1(content.toHex());
    }
    entries.sort();
    return entries;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes the store the way another program or an editor would: a new file renamed into
// place, so size and time are all QSettings could go by.
void ReplaceStoreFile(const QByteArray &content)
{
    QDir().mkpath(StoreFolder());
    const QString temporary = StoreFilePath() + QStringLiteral(".editing");
    QFile file(temporary);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
    file.close();
    QVERIFY(std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(StoreFilePath()).constData()) == 0);
}

qsizetype OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
        .size();
}

QString LongText()
{
    QString text;
    text.reserve(100000);
    const QString pieces[] = {QStringLiteral("abc"), QStringLiteral("\\"), QStringLiteral(","),
                              QStringLiteral("\""),  QStringLiteral("\n"), QStringLiteral("ä"),
                              QStringLiteral("日"),  QStringLiteral(" ")};
    for (int i = 0; text.size() < 100000; ++i)
        text += pieces[(i * 7) % 8];
    text.truncate(100000);
    return text;
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT

private:
    // Starts the store helper and waits for it; its output, or a failed check.
    static QByteArray
    RunHelper(const QStringList &arguments,
              const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

private Q_SLOTS:
    void init();
    void cleanupTestCase();

    void storeFileLivesInTheConfigFolder();
    void valuesComeBackByteForByte_data();
    void valuesComeBackByteForByte();
    void keysAndSectionsAreSeparate();
    void missingGivesTheDefaultAndWritesNothing_data();
    void missingGivesTheDefaultAndWritesNothing();
    void handEditedValues_data();
    void handEditedValues();
    void garbageFilesAreSurvived_data();
    void garbageFilesAreSurvived();
    void unusablePathsAreLeftAlone_data();
    void unusablePathsAreLeftAlone();
    void unusableConfigFolderInAnotherProcess();

    void damagedFileIsKeptBeforeTheFirstWrite_data();
    void damagedFileIsKeptBeforeTheFirstWrite();
    void earlierDamagedCopiesAreNeverReplaced();

    void readsSeeAnotherProcessWrite();
    void readsSeeQuickSameSizeRewrites();
    void writesKeepQuickSameSizeRewrites();
    void twoWritersLoseNothing();
};

QByteArray StoreTest::RunHelper(const QStringList &arguments,
                                const QProcessEnvironment &environment)
{
    QProcess helper;
    helper.setProcessEnvironment(environment);
    helper.start(QStringLiteral(STORE_HELPER), arguments);
    if (!helper.waitForFinished(30000)) {
        helper.kill();
        helper.waitForFinished();
        return "<helper did not finish>";
    }
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        return "<helper failed: " + helper.readAllStandardError() + ">";
    return helper.readAllStandardOutput();
}

void StoreTest::init()
{
    // The folder itself may have been replaced by a file in a test.
    QFile::remove(StoreFolder());
    QDir(StoreFolder()).removeRecursively();
    QVERIFY(!QFileInfo::exists(StoreFolder()));
}

void StoreTest::cleanupTestCase()
{
    init();
}

void StoreTest::storeFileLivesInTheConfigFolder()
{
    QCOMPARE(StoreFilePath(),
             QDir(testing::IsolatedHome()).filePath(QStringLiteral("config/Vantrel/Lumidex.conf")));
    SaveSetting(SettingsSection, QStringLiteral("Title"), QStringLiteral("x"));
    SaveSetting(PreviousSection, QStringLiteral("Title"), QStringLiteral("y"));
    const QByteArray content = ReadFile(StoreFilePath());
    QVERIFY2(content.contains("[Settings]") && content.contains("[Previous]"), content);
}

void StoreTest::valuesComeBackByteForByte_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString key = QStringLiteral("Title");
    QTest::newRow("drive root") << key << QStringLiteral("c:\\");
    QTest::newRow("folder with backslash") << key << QStringLiteral("c:\\Pictures\\");
    QTest::newRow("network path") << key << QStringLiteral("\\\\server\\share\\a b.jpg");
    QTest::newRow("backslash escapes") << key << QStringLiteral("\\n \\t \\x41 \\\" \\\\");
    QTest::newRow("comma and blank") << key << QStringLiteral("a, b");
    QTest::newRow("comma") << key << QStringLiteral("a,b");
    QTest::newRow("only commas") << key << QStringLiteral(",,");
    QTest::newRow("double quotes") << key << QStringLiteral("say \"hi\"");
    QTest::newRow("quoted whole") << key << QStringLiteral("\"a, b\"");
    QTest::newRow("single quotes") << key << QStringLiteral("'it''s'");
    QTest::newRow("variant look-alike") << key << QStringLiteral("@Variant(x)");
    QTest::newRow("rect look-alike") << key << QStringLiteral("@Rect(1 2 3 4)");
    QTest::newRow("two ats") << key << QStringLiteral("@@");
    QTest::newRow("one at") << key << QStringLiteral("@");
    QTest::newRow("semicolon") << key << QStringLiteral("a;b");
    QTest::newRow("leading semicolon") << key << QStringLiteral(";comment?");
    QTest::newRow("hash") << key << QStringLiteral("#1 fan");
    QTest::newRow("equals") << key << QStringLiteral("=a=b=");
    QTest::newRow("section look-alike") << key << QStringLiteral("[x]");
    QTest::newRow("line feed") << key << QStringLiteral("one\ntwo\n");
    QTest::newRow("crlf") << key << QStringLiteral("one\r\ntwo");
    QTest::newRow("lone cr") << key << QStringLiteral("one\rtwo");
    QTest::newRow("tab") << key << QStringLiteral("a\tb\t");
    QTest::newRow("leading and trailing blanks") << key << QStringLiteral("  padded  ");
    QTest::newRow("only a blank") << key << QStringLiteral(" ");
    QTest::newRow("percent") << key << QStringLiteral("100% %41");
    QTest::newRow("german") << key << QStringLiteral("Grüße aus Köln, Straße");
    QTest::newRow("cjk") << key << QStringLiteral("新年快乐・あけましておめでとう");
    QTest::newRow("emoji") << key << QStringLiteral("🎉 party 🥳");
    QTest::newRow("empty") << key << QString();
    QTest::newRow("number-like") << key << QStringLiteral("014.50");
    QTest::newRow("boolean-like") << key << QStringLiteral("true");
    QTest::newRow("100 000 characters") << key << LongText();
    QTest::newRow("font key") << QStringLiteral("TextFontName0")
                              << QStringLiteral("Liberation Sans");
    QTest::newRow("date key") << QStringLiteral("TargetDate") << QStringLiteral("1/1/2005");
}

void StoreTest::valuesComeBackByteForByte()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    SaveSetting(SettingsSection, key, value);
    QCOMPARE(GetSetting(SettingsSection, key, Missing), value);
    // Another process reads the file, not this process's memory of it.
    QCOMPARE(QString::fromUtf8(RunHelper({"get", SettingsSection, key, Missing})), value);
}

void StoreTest::keysAndSectionsAreSeparate()
{
    SaveSetting(SettingsSection, QStringLiteral("Title"), QStringLiteral("now"));
    SaveSetting(PreviousSection, QStringLiteral("Title"), QStringLiteral("before"));
    SaveSetting(SettingsSection, QStringLiteral("title"), QStringLiteral("lower"));
    SaveSetting(SettingsSection, QStringLiteral("Title"), QStringLiteral("again"));
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Title"), Missing), "again");
    QCOMPARE(GetSetting(PreviousSection, QStringLiteral("Title"), Missing), "before");
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("title"), Missing), "lower");
    QCOMPARE(GetSetting(PreviousSection, QStringLiteral("title"), Missing), Missing);
}

void StoreTest::missingGivesTheDefaultAndWritesNothing_data()
{
    QTest::addColumn<QString>("setup");
    for (const char *setup : {"no folder", "no file", "empty file", "other section", "other key",
                              "file is a folder", "damaged file"})
        QTest::newRow(setup) << QString::fromLatin1(setup);
}

void StoreTest::missingGivesTheDefaultAndWritesNothing()
{
    QFETCH(QString, setup);
    if (setup != QLatin1String("no folder"))
        QVERIFY(QDir().mkpath(StoreFolder()));
    if (setup == QLatin1String("empty file"))
        ReplaceStoreFile("");
    if (setup == QLatin1String("other section"))
        ReplaceStoreFile("[Previous]\nTitle=x\n");
    if (setup == QLatin1String("other key"))
        ReplaceStoreFile("[Settings]\nTitle2=x\n");
    if (setup == QLatin1String("file is a folder"))
        QVERIFY(QDir().mkpath(StoreFilePath()));
    if (setup == QLatin1String("damaged file"))
        ReplaceStoreFile("[Settings\nOther=1\n");

    const QStringList before = FolderSnapshot();
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Title"), Missing), Missing);
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Title"), QString()), QString());
    QCOMPARE(FolderSnapshot(), before);
    QCOMPARE(QFileInfo::exists(StoreFolder()), setup != QLatin1String("no folder"));
}

void StoreTest::handEditedValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unquoted list") << QByteArray("Title=a, b") << "a, b";
    QTest::newRow("unquoted list without blanks") << QByteArray("Title=a,b,c") << "a, b, c";
    QTest::newRow("quoted comma") << QByteArray("Title=\"a,b\"") << "a,b";
    QTest::newRow("blanks around") << QByteArray("Title =  word  ") << "word";
    QTest::newRow("escaped at") << QByteArray("Title=@@home") << "@home";
    QTest::newRow("byte array") << QByteArray("Title=@ByteArray(text)") << "text";
    QTest::newRow("rectangle") << QByteArray("Title=@Rect(1 2 3 4)") << Missing;
    QTest::newRow("size") << QByteArray("Title=@Size(1 2)") << Missing;
    QTest::newRow("garbage variant") << QByteArray("Title=@Variant(garbage)") << Missing;
    QTest::newRow("invalid") << QByteArray("Title=@Invalid()") << Missing;
    QTest::newRow("list with a rectangle") << QByteArray("Title=a,@Rect(1 2 3 4)") << Missing;
    QTest::newRow("empty") << QByteArray("Title=") << "";
}

void StoreTest::handEditedValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    ReplaceStoreFile("[Settings]\n" + line + "\nAfter=next\n");
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Title"), Missing), expected);
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("After"), Missing), "next");
}

void StoreTest::garbageFilesAreSurvived_data()
{
    QTest::addColumn<QByteArray>("content");
    QRandomGenerator random(1272);
    QByteArray noise(65536, '\0');
    for (char &byte : noise)
        byte = char(random.bounded(256));
    QTest::newRow("random bytes") << noise;
    QTest::newRow("nul bytes") << QByteArray("[Settings]\nTitle=a\0b\n\0\0\0=\0\n", 24);
    QTest::newRow("unbalanced brackets") << QByteArray("[[[[\n]]]]\n[Settings]]]\n[=]\n[");
    QTest::newRow("huge line") << QByteArray(4 << 20, 'x');
    QTest::newRow("huge value") << "[Settings]\nTitle=" + QByteArray(4 << 20, '\\');
    QTest::newRow("binary variant")
        << "[Settings]\nTitle=@Variant(" + QByteArray(4096, '\x09') + ")";
    QTest::newRow("only escapes") << QByteArray("\\\\\\\\\\\"\\x\\u\\U%%%ZZ=\"\"\"\n");
}

void StoreTest::garbageFilesAreSurvived()
{
    QFETCH(QByteArray, content);
    ReplaceStoreFile(content);
    GetSetting(SettingsSection, QStringLiteral("Title"), Missing); // whatever it holds
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Unwritten"), Missing), Missing);
    SaveSetting(SettingsSection, QStringLiteral("Written"), QStringLiteral("after the garbage"));
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Written"), Missing), "after the garbage");
}

void StoreTest::unusablePathsAreLeftAlone_data()
{
    QTest::addColumn<bool>("folderIsFile");
    QTest::newRow("the file is a folder") << false;
    QTest::newRow("the folder is a file") << true;
}

void StoreTest::unusablePathsAreLeftAlone()
{
    QFETCH(bool, folderIsFile);
    QVERIFY(QDir().mkpath(QFileInfo(StoreFolder()).absolutePath()));
    if (folderIsFile) {
        QFile blocker(StoreFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
    } else {
        QVERIFY(QDir().mkpath(StoreFilePath()));
    }
    const QStringList before = FolderSnapshot();
    const QByteArray blockerContent = ReadFile(StoreFolder());

    SaveSetting(SettingsSection, QStringLiteral("Title"), QStringLiteral("lost"));
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Title"), Missing), Missing);
    QCOMPARE(FolderSnapshot(), before);
    QCOMPARE(ReadFile(StoreFolder()), blockerContent);
    QCOMPARE(QFileInfo(StoreFolder()).isFile(), folderIsFile);
}

void StoreTest::unusableConfigFolderInAnotherProcess()
{
    // A config folder below a plain file: neither the folder nor the file can ever exist.
    const QString blocker = testing::IsolatedHome() + QStringLiteral("/blocker");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), blocker + QStringLiteral("/config"));

    QCOMPARE(RunHelper({"set", SettingsSection, "Title", "lost"}, environment), QByteArray());
    QCOMPARE(RunHelper({"write", "Key", "3"}, environment), QByteArray());
    QCOMPARE(RunHelper({"get", SettingsSection, "Title", Missing}, environment), Missing.toUtf8());
    QCOMPARE(ReadFile(blocker), QByteArray());
    QFile::remove(blocker);
}

void StoreTest::damagedFileIsKeptBeforeTheFirstWrite_data()
{
    // Only a section line without its closing bracket makes QSettings call a file damaged.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("readable"); // Settings/Title before the first write
    QTest::newRow("open section at the end")
        << QByteArray("[Settings]\nTitle=kept\n[Previous\nTitle=old\n") << true << "kept";
    QTest::newRow("open section first") << QByteArray("[Settings\nTitle=x\n") << true << "x";
    QTest::newRow("indented open section")
        << QByteArray("[Settings]\nTitle=kept\n   [x=1\n") << true << "kept";
    QTest::newRow("line without equals")
        << QByteArray("[Settings]\nTitle=kept\njust words\n") << false << "kept";
    QTest::newRow("comments") << QByteArray("; mine\n[Settings]\n# note\nTitle=kept\n") << false
                              << "kept";
    QTest::newRow("stray closing bracket")
        << QByteArray("]\n[Settings]]\nTitle=kept\n") << false << "kept";
    QTest::newRow("nul bytes") << QByteArray("[Settings]\nTitle=kept\n\0\0\n", 24) << false
                               << "kept";
}

void StoreTest::damagedFileIsKeptBeforeTheFirstWrite()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, damaged);
    QFETCH(QString, readable);
    const QString copy = StoreFilePath() + QStringLiteral(".damaged");
    ReplaceStoreFile(content);

    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Title"), Missing), readable);
    QVERIFY(!QFileInfo::exists(copy)); // reading never writes

    SaveSetting(SettingsSection, QStringLiteral("First"), QStringLiteral("1"));
    QCOMPARE(QFileInfo::exists(copy), damaged);
    if (damaged)
        QCOMPARE(ReadFile(copy), content);
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("First"), Missing), "1");

    // The write repaired the file: a later write keeps no further copy.
    const QStringList afterFirstWrite = QDir(StoreFolder()).entryList(QDir::Files);
    SaveSetting(SettingsSection, QStringLiteral("Second"), QStringLiteral("2"));
    QCOMPARE(QDir(StoreFolder()).entryList(QDir::Files), afterFirstWrite);
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Second"), Missing), "2");
}

void StoreTest::earlierDamagedCopiesAreNeverReplaced()
{
    const QString base = StoreFilePath() + QStringLiteral(".damaged");
    QList<QByteArray> versions;
    for (int round = 1; round <= 3; ++round) {
        const QByteArray content = "[Settings]\nRound=" + QByteArray::number(round) + "\n[Broken\n";
        ReplaceStoreFile(content);
        versions << content;
        SaveSetting(SettingsSection, QStringLiteral("Saved"), QString::number(round));
    }
    QCOMPARE(ReadFile(base), versions[0]);
    QCOMPARE(ReadFile(base + QStringLiteral(".2")), versions[1]);
    QCOMPARE(ReadFile(base + QStringLiteral(".3")), versions[2]);
    QVERIFY(!QFileInfo::exists(base + QStringLiteral(".4")));
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Round"), Missing), "3");
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Saved"), Missing), "3");
}

void StoreTest::readsSeeAnotherProcessWrite()
{
    SaveSetting(SettingsSection, QStringLiteral("Other"), QStringLiteral("mine"));
    for (const char *value : {"5", "6", "7", "6"}) {
        QCOMPARE(RunHelper({"set", SettingsSection, "Counter", value}), QByteArray());
        QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Counter"), Missing),
                 QString::fromLatin1(value));
    }
    QCOMPARE(GetSetting(SettingsSection, QStringLiteral("Other"), Missing), "mine");
}

void StoreTest::readsSeeQuickSameSizeRewrites()
{
    // Rewrites of the same size within one millisecond: only the content tells them apart.
    const qsizetype openBefore = OpenDescriptors();
    int stale = 0;
    for (int i = 0; i < 200; ++i) {
        ReplaceStoreFile("[Settings]\nCounter=5\n");
        stale += GetSetting(SettingsSection, QStringLiteral("Counter"), Missing) != "5";
        ReplaceStoreFile("[Settings]\nCounter=6\n");
        stale += GetSetting(SettingsSection, QStringLiteral("Counter"), Missing) != "6";
    }
    QCOMPARE(stale, 0);
    QCOMPARE(OpenDescriptors(), openBefore); // each read gave back what it opened
}

void StoreTest::writesKeepQuickSameSizeRewrites()
{
    // Another program changes Counter between two of our writes, keeping the size ours left.
    int lost = 0;
    for (int i = 0; i < 200; ++i) {
        ReplaceStoreFile("[Settings]\nCounter=5\nMine=1\n");
        SaveSetting(SettingsSection, QStringLiteral("Mine"), QStringLiteral("2"));
        ReplaceStoreFile("[Settings]\nCounter=6\nMine=2\n");
        SaveSetting(SettingsSection, QStringLiteral("Mine"), QStringLiteral("3"));
        lost += GetSetting(SettingsSection, QStringLiteral("Counter"), Missing) != "6";
        lost += GetSetting(SettingsSection, QStringLiteral("Mine"), Missing) != "3";
    }
    QCOMPARE(lost, 0);
}

void StoreTest::twoWritersLoseNothing()
{
    constexpr int Count = 500;
    SaveSetting(SettingsSection, QStringLiteral("Sentinel"), QStringLiteral("still here"));

    QProcess first;
    QProcess second;
    first.start(QStringLiteral(STORE_HELPER), {"write", "First", QString::number(Count)});
    second.start(QStringLiteral(STORE_HELPER), {"write", "Second", QString::number(Count)});
    QVERIFY(first.waitForStarted());
    QVERIFY(second.waitForStarted());

    int reads = 0;
    int misses = 0;
    QDeadlineTimer deadline(120000);
    while ((first.state() != QProcess::NotRunning || second.state() != QProcess::NotRunning) &&
           !deadline.hasExpired()) {
        misses += GetSetting(SettingsSection, QStringLiteral("Sentinel"), Missing) != "still here";
        ++reads;
        QCoreApplication::processEvents();
    }
    first.waitForFinished(1000);
    second.waitForFinished(1000);
    QCOMPARE(first.state(), QProcess::NotRunning);
    QCOMPARE(second.state(), QProcess::NotRunning);
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(misses, 0);
    QVERIFY2(reads >= 20, qPrintable(QString::number(reads))); // the reads overlapped the writes

    for (const QString &prefix : {QStringLiteral("First"), QStringLiteral("Second")}) {
        for (int i = 0; i < Count; ++i) {
            const QString key = prefix + QString::number(i);
            QCOMPARE(GetSetting(SettingsSection, key, Missing),
                     QStringLiteral("value of %1").arg(key));
        }
    }
}

LUMIDEX_REGISTER_TEST(StoreTest)
#include "tst_store.moc"
