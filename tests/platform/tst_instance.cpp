#include "TestSupport.h"

#include "platform/Processes.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <deque>
#include <sys/stat.h>
#include <unistd.h>

using platform::InstanceLockPath;

namespace {

// One running instance_helper; closed when it goes out of scope.
struct Instance
{
    QProcess process;
    QString answer;   // its first line: "true" or "false"
    QString lockPath; // its second line

    explicit Instance(
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
        bool waitForAnswer = true)
    {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(INSTANCE_HELPER), QStringList());
        if (waitForAnswer) {
            answer = nextLine();
            lockPath = nextLine();
        }
    }
    ~Instance() { close(); }

    QString nextLine()
    {
        if (!process.canReadLine())
            process.waitForReadyRead(10000);
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    QString ask(const QByteArray &command)
    {
        process.write(command + '\n');
        return nextLine();
    }

    // Ends it the way a crash does: no clean-up of its own.
    void kill()
    {
        process.kill();
        process.waitForFinished(10000);
    }

    // Ends it normally, by closing its input.
    void close()
    {
        process.closeWriteChannel();
        process.waitForFinished(10000);
    }
};

} // namespace

class InstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersWhileOthersLive();
    void simultaneousStartsAgreeOnOneFirst();
    void fallbackFolder_data();
    void fallbackFolder();
};

void InstanceTest::answersWhileOthersLive()
{
    // This process never calls PreviousInstanceRunning: it would count as an instance.
    Instance first;
    QCOMPARE(first.answer, "false");
    QCOMPARE(first.lockPath, InstanceLockPath());
    QCOMPARE(QFileInfo(first.lockPath).absolutePath(), testing::IsolatedHome() + "/runtime");

    Instance second;
    QCOMPARE(second.answer, "true");
    QCOMPARE(first.ask("again"), "false"); // each keeps its start-up answer for life
    first.kill();
    Instance third; // the second still runs
    QCOMPARE(third.answer, "true");
    second.close();
    QCOMPARE(third.ask("again"), "true");

    // A crashed instance leaves nothing behind that counts, nor does a program it started,
    // which would inherit every descriptor not marked close-on-exec.
    bool ok = false;
    const pid_t sleeper = third.ask("spawn").toInt(&ok);
    QVERIFY(ok && sleeper > 0);
    const auto runsSleep = [sleeper] {
        QFile command(QStringLiteral("/proc/%1/comm").arg(sleeper));
        return command.open(QIODevice::ReadOnly) && command.readAll() == "sleep\n";
    };
    QTRY_VERIFY(runsSleep()); // before its exec, a forked child holds every descriptor
    third.kill();
    const QString answer = Instance().answer;
    ::kill(sleeper, SIGKILL);
    QCOMPARE(answer, "false");
}

void InstanceTest::simultaneousStartsAgreeOnOneFirst()
{
    for (int round = 0; round < 5; ++round) {
        std::deque<Instance> instances;
        for (int i = 0; i < 12; ++i)
            instances.emplace_back(QProcessEnvironment::systemEnvironment(), false);
        int alone = 0;
        for (Instance &instance : instances)
            alone += instance.nextLine() == QLatin1String("false");
        QCOMPARE(alone, 1);
    }
}

void InstanceTest::fallbackFolder_data()
{
    // Without a usable runtime folder the lock goes to lumidex-<uid> in the temporary
    // folder, made private; one that is not private is not used at all.
    QTest::addColumn<bool>("usable");
    QTest::newRow("no runtime folder") << true;
    QTest::newRow("runtime folder open to others") << true;
    QTest::newRow("fallback open to others") << false;
    QTest::newRow("fallback is a link") << false;
    QTest::newRow("fallback is someone else's") << false;
}

void InstanceTest::fallbackFolder()
{
    QFETCH(bool, usable);
    const QByteArray setup = QTest::currentDataTag();
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString folder = temporary.filePath(QStringLiteral("lumidex-%1").arg(::geteuid()));
    const QString shared = temporary.filePath(QStringLiteral("shared"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (setup.startsWith("runtime"))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), shared);
    if (setup.endsWith("open to others")) {
        const QString open = setup.startsWith("runtime") ? shared : folder;
        QVERIFY(QDir().mkdir(open));
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0777) == 0);
    } else if (setup.endsWith("link")) {
        QVERIFY(QDir().mkdir(shared));
        QVERIFY(QFile::link(shared, folder));
    } else if (setup.endsWith("else's")) {
        QVERIFY(QDir().mkdir(folder));
        if (::chown(QFile::encodeName(folder).constData(), ::geteuid() + 1, ::getegid()) != 0)
            QSKIP("giving a folder to another user takes root");
    }

    Instance first(environment);
    Instance second(environment);
    QCOMPARE(first.answer, "false");
    if (usable) {
        QCOMPARE(QFileInfo(first.lockPath).absolutePath(), folder);
        QCOMPARE(second.answer, "true");
        struct stat info;
        QVERIFY(::lstat(QFile::encodeName(folder).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
    } else {
        // No safe place for the lock: nobody is told another instance runs.
        QCOMPARE(first.lockPath, QString());
        QCOMPARE(second.answer, "false");
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

LUMIDEX_REGISTER_TEST(InstanceTest)
#include "tst_instance.moc"
