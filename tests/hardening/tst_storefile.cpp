#include "WindowTestSupport.h"

#include "platform/Store.h"
#include "settings/SettingKeys.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::SettingsSection;
using platform::StoreFilePath;

namespace {

using testing::StoreBytes;
using testing::StoreFolder;

QString ConfigHome()
{
    return QFileInfo(StoreFolder()).path();
}

std::optional<QString> Save(const QString &key, const QString &value)
{
    return platform::SaveSetting(SettingsSection, key, value);
}

// A file a person keeps by hand: notes, a line that is no setting, Latin-1, a comment after
// a value, a value the program cannot read, and a snapshot.
const QByteArray HandKept = "; my notes\n[Settings]\nTitle=Snap; shot\nnot a key\n"
                            "ImageTag=Caf\xE9\nFont=@Variant(junk)\n\n[Previous]\nTitle=x\n";

} // namespace

// The settings file through links, rewrites, files that are none, a full disk and sizes
// far beyond any the program writes: nothing it held is lost, nothing hangs.
class TstStoreFile : public QObject
{
    Q_OBJECT

    testing::MessageRecorder m_messages;

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        QVERIFY(QDir().mkpath(StoreFolder()));
        m_messages.Install();
    }
    void cleanup() { testing::ResetRun(); }

    // Dotfile managers link the file, often by a relative name: the write goes to the
    // file linked, which another link may lead on to, and the links stay.
    void writesGoWhereTheLinkLeads_data()
    {
        QTest::addColumn<QByteArrayList>("links"); // each one's text, from the store's name on
        QTest::newRow("absolute") << QByteArrayList{ConfigHome().toUtf8() + "/dots/lumidex"};
        QTest::newRow("relative") << QByteArrayList{"../dots/lumidex"};
        QTest::newRow("relative, twice") << QByteArrayList{"../dots/lumidex", "../lumidex.real"};
    }
    void writesGoWhereTheLinkLeads()
    {
        QFETCH(QByteArrayList, links);
        QDir(ConfigHome() + "/dots").removeRecursively();
        QVERIFY(QDir().mkpath(ConfigHome() + "/dots"));
        QString name = StoreFilePath();
        for (const QByteArray &text : links) {
            QCOMPARE(::symlink(text.constData(), QFile::encodeName(name).constData()), 0);
            name = QFileInfo(name).symLinkTarget();
        }
        testing::WriteStoreBytes("[Settings]\nTitle=Old\n"); // through the links
        QCOMPARE(Save("Title", "New"), std::nullopt);
        QCOMPARE(testing::Stored("Title"), QStringLiteral("New"));
        qsizetype hops = 0;
        for (name = StoreFilePath(); QFileInfo(name).isSymLink(); ++hops)
            name = QFileInfo(name).symLinkTarget();
        QCOMPARE(hops, links.size()); // the links stay
        QCOMPARE(StoreBytes(name), QByteArray("[Settings]\nTitle=New\n"));
    }

    // A write changes the key's own line and nothing else. Where that would lose a line the
    // file held (read as part of the key's value), or a rewrite must start afresh, the file
    // as it was is kept beside it first: one copy, the latest.
    void aWriteKeepsWhatItDidNotChange_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("assignment"); // key=value
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("copied");
        const auto row = [](const char *name, const QByteArray &before, const char *assignment,
                            const QByteArray &after, bool copied = false) {
            QTest::newRow(name) << before << assignment << after << copied;
        };
        QByteArray withSpeed = HandKept;
        row("new key", HandKept, "Speed=7",
            withSpeed.insert(HandKept.indexOf("\n[Previous]"), "Speed=7\n"));
        QByteArray newTitle = HandKept;
        row("changed key", HandKept, "Title=New", newTitle.replace("Snap;", "New;"));
        row("same value", HandKept, "Title=Snap", HandKept);
        const QByteArray spaced = "[Settings]\nDate = 2/8/2028\nSpeed=5 ; usual\n";
        row("same value, spaced", spaced, "Date=2/8/2028", spaced);
        row("no last line break", "[Settings]\r\nTitle=x", "Speed=7",
            "[Settings]\r\nTitle=x\r\nSpeed=7\r\n");
        row("new section", "[Previous]\nTitle=x\n", "Speed=7",
            "[Previous]\nTitle=x\n\n[Settings]\nSpeed=7\n");
        row("key over two lines", "[Settings]\nImagePath=c:\\Pictures\\\nImageTag=Mine\nSpeed=1\n",
            "ImagePath=/home/me/", "[Settings]\nImagePath=/home/me/\nSpeed=1\n", true);
        row("final backslash", "[Settings]\nTitle=\"Mine\"\nImagePath=c:\\\n", "Speed=7",
            "[Settings]\nTitle=Mine\nImagePath=c:\nSpeed=7\n", true);
    }
    void aWriteKeepsWhatItDidNotChange()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, assignment);
        QFETCH(QByteArray, after);
        QFETCH(bool, copied);
        const QString key = assignment.section(u'=', 0, 0), value = assignment.section(u'=', 1);
        const QString copy = StoreFilePath() + ".damaged";
        // A copied row first leaves a copy that its own then replaces.
        const QByteArrayList earlier = {QByteArray("[Settings]\nTitle=\"open\n"), before};
        for (const QByteArray &bytes : copied ? earlier : earlier.mid(1)) {
            testing::WriteStoreBytes(bytes);
            QCOMPARE(Save(key, value), std::nullopt);
            QCOMPARE(testing::Stored(key), value);
        }
        QCOMPARE(StoreBytes(), after);
        QCOMPARE(StoreBytes(copy), copied ? before : QByteArray());
        QCOMPARE(testing::StoreFolderEntries().size(), QFileInfo::exists(copy) ? 2 : 1);
    }

    // A FIFO would wait for a writer, at the store's name or at the organisation-wide name a
    // settings library also reads: neither is opened, and the one at the store's name takes
    // no write either.
    void notAFileIsNoStore()
    {
        const QString fifos[] = {StoreFilePath(), ConfigHome() + "/Vantrel.conf"};
        for (const QString &fifo : fifos)
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess countdown;
        countdown.start(COUNTDOWN_BINARY, {"--today", "2026-12-05"});
        const bool ended = countdown.waitForFinished(10000);
        countdown.kill();
        QVERIFY(ended && countdown.exitCode() == 0);
        QCOMPARE(countdown.readAllStandardOutput(),
                 "\nCompletion phrase upon reaching target date.\n");
        QCOMPARE(testing::Stored("Title"), QStringLiteral("<missing>"));
        QVERIFY(Save("Title", "x").value_or(QString()).contains("not a regular file"));
        for (const QString &fifo : fifos)
            QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));
    }

    // A write that cannot be completed (the file size limit stands for a full disk) says
    // why and leaves the file, and the folder, as they were: no copy, no part of a file.
    void aFailedWriteLeavesNothing()
    {
        const QByteArray before = "[Settings]\nImagePath=c:\\\nImageTag=Mine\n";
        testing::WriteStoreBytes(before);
        const auto previous = ::signal(SIGXFSZ, SIG_IGN); // its default would end the test
        struct rlimit limit;
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const struct rlimit small = {8, limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const std::optional<QString> failure = Save("ImagePath", "/home/me/");
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, previous);
        QCOMPARE(failure, QString::fromLocal8Bit(std::strerror(EFBIG)));
        QCOMPARE(StoreBytes(), before);
        QCOMPARE(testing::StoreFolderEntries(), QStringList{"Lumidex.conf"});
    }

    // Far larger than anything the program writes: the first MiB is read, at once, and a
    // write keeps the whole file beside it without copying it.
    void hugeFilesAreReadNoFurther_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("title");
        QTest::newRow("10 MB title") << "[Settings]\nSpeed=3\nTitle=" + QByteArray(10 << 20, 'x')
                                     << qint64(0) << "Enter Title Text";
        QTest::newRow("50 MB junk section")
            << "[Settings]\nTitle=Big\n[" + QByteArray(50 << 20, '=') << qint64(0) << "Big";
        QTest::newRow("2 GB, sparse")
            << QByteArray("[Settings]\nTitle=Big\nSpeed=3\n") << (qint64(2) << 30) << "Big";
    }
    void hugeFilesAreReadNoFurther()
    {
        QFETCH(QByteArray, start);
        QFETCH(qint64, size);
        QFETCH(QString, title);
        testing::WriteStoreBytes(start);
        if (size)
            QVERIFY(QFile::resize(StoreFilePath(), size));
        const qint64 length = QFileInfo(StoreFilePath()).size();
        QElapsedTimer clock;
        clock.start();
        {
            const platform::StoreReading reading;
            for (const settings::SettingKey &key : settings::AllKeys())
                platform::GetSetting(SettingsSection, key.name, key.defaultText);
            QCOMPARE(platform::GetSetting(SettingsSection, "Title", "Enter Title Text"), title);
        }
        QCOMPARE(Save("Speed", "4"), std::nullopt);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed()) + " ms"));
        QCOMPARE(QFileInfo(StoreFilePath() + ".damaged").size(), length);
        QCOMPARE(testing::Stored("Title"), title == "Big" ? title : "<missing>");
        QCOMPARE(testing::Stored("Speed"), QStringLiteral("4"));
    }
};

LUMIDEX_REGISTER_TEST(TstStoreFile)
#include "tst_storefile.moc"
