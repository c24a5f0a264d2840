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
    void programsStartedByAnInstanceDoNotCount();
    void fallbackFolder_data();
    void fallbackFolder();
};

void InstanceTest::answersWhileOthersLive()
{
    // This process never calls PreviousInstanceRunning: it would count as an instance.
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QVERIFY(runtime.startsWith(testing::IsolatedHome()));
    Instance first;
    QCOMPARE(first.answer, "false");
    QCOMPARE(first.lockPath, InstanceLockPath());
    QCOMPARE(QFileInfo(first.lockPath).absolutePath(), runtime);

    Instance second;
    QCOMPARE(second.answer, "true");
    QCOMPARE(first.ask("again"), "false"); // each keeps its start-up answer for life
    first.kill();
    Instance third; // the second still runs
    QCOMPARE(third.answer, "true");
    second.close();
    QCOMPARE(third.ask("again"), "true");

    // A crashed instance leaves nothing behind that counts.
    third.kill();
    Instance last;
    QCOMPARE(last.answer, "false");
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

void InstanceTest::programsStartedByAnInstanceDoNotCount()
{
    Instance parent;
    QCOMPARE(parent.answer, "false");
    bool ok = false;
    const pid_t sleeper = parent.ask("spawn").toInt(&ok);
    QVERIFY(ok && sleeper > 0);
    parent.kill();

    const QString answer = Instance().answer; // the sleeper lives on with what it inherited
    ::kill(sleeper, SIGKILL);
    QCOMPARE(answer, "false");
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
