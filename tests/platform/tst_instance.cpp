#include "TestSupport.h"

#include "platform/Processes.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using platform::InstanceLockPath;

namespace {

// One running instance_helper: what it answered at start-up, and the process to talk to.
struct Instance
{
    std::unique_ptr<QProcess> process;
    QString answer;
    QString lockPath;

    QString nextLine()
    {
        if (!process->canReadLine())
            process->waitForReadyRead(10000);
        return QString::fromLocal8Bit(process->readLine()).trimmed();
    }

    QString ask(const QByteArray &command)
    {
        process->write(command + '\n');
        process->waitForBytesWritten(5000);
        return nextLine();
    }

    // Ends it the way a crash does: no clean-up of its own.
    void kill()
    {
        process->kill();
        process->waitForFinished(10000);
    }

    // Ends it normally, by closing its input.
    void close()
    {
        process->closeWriteChannel();
        if (!process->waitForFinished(10000))
            kill();
    }
};

Instance Start(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    Instance instance{std::make_unique<QProcess>(), {}, {}};
    instance.process->setProcessEnvironment(environment);
    instance.process->start(QStringLiteral(INSTANCE_HELPER), QStringList());
    instance.answer = instance.nextLine();
    instance.lockPath = instance.nextLine();
    return instance;
}

QProcessEnvironment WithTemporaryFolder(const QString &temporary)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    return environment;
}

QString OwnFallbackFolder(const QString &temporary)
{
    return temporary + QStringLiteral("/lumidex-%1").arg(::geteuid());
}

} // namespace

class InstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lockLivesInTheRuntimeFolder();
    void answersWhileOthersLive();
    void crashedInstanceLeavesNothingBehind();
    void simultaneousStartsAgreeOnOneFirst();
    void answerIsKeptForLife();
    void programsStartedByAnInstanceDoNotCount();
    void fallbackFolderWithoutRuntimeFolder_data();
    void fallbackFolderWithoutRuntimeFolder();
    void unsafeFallbackFolderIsNotUsed_data();
    void unsafeFallbackFolderIsNotUsed();
};

void InstanceTest::lockLivesInTheRuntimeFolder()
{
    // This process never calls PreviousInstanceRunning: it would count as an instance.
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QVERIFY(runtime.startsWith(testing::IsolatedHome()));
    QCOMPARE(QFileInfo(InstanceLockPath()).absolutePath(), runtime);

    Instance only = Start();
    QCOMPARE(only.lockPath, InstanceLockPath());
    QVERIFY(QFileInfo(only.lockPath).isFile());
    only.close();
}

void InstanceTest::answersWhileOthersLive()
{
    Instance first = Start();
    QCOMPARE(first.answer, "false");
    Instance second = Start();
    QCOMPARE(second.answer, "true");

    first.kill();
    Instance third = Start(); // the second still runs
    QCOMPARE(third.answer, "true");

    second.close();
    Instance fourth = Start(); // the third still runs
    QCOMPARE(fourth.answer, "true");

    third.close();
    fourth.kill();
    Instance last = Start();
    QCOMPARE(last.answer, "false");
    last.close();
}

void InstanceTest::crashedInstanceLeavesNothingBehind()
{
    for (int round = 0; round < 3; ++round) {
        Instance crashing = Start();
        QCOMPARE(crashing.answer, "false");
        crashing.kill();
        QCOMPARE(crashing.process->exitStatus(), QProcess::CrashExit);
    }
    // The lock file stays, as it may; only the locks in the kernel counted.
    QVERIFY(QFileInfo::exists(InstanceLockPath()));
    Instance after = Start();
    QCOMPARE(after.answer, "false");
    after.close();
}

void InstanceTest::simultaneousStartsAgreeOnOneFirst()
{
    constexpr int Count = 12;
    for (int round = 0; round < 5; ++round) {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < Count; ++i) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(QStringLiteral(INSTANCE_HELPER), QStringList());
        }
        int alone = 0;
        for (const auto &process : processes) {
            while (!process->canReadLine() && process->waitForReadyRead(10000)) {
            }
            alone += process->readLine().trimmed() == "false";
        }
        for (const auto &process : processes) {
            process->closeWriteChannel();
            process->waitForFinished(10000);
        }
        QCOMPARE(alone, 1);
    }
}

void InstanceTest::answerIsKeptForLife()
{
    Instance first = Start();
    QCOMPARE(first.answer, "false");
    Instance second = Start();
    QCOMPARE(second.answer, "true");
    // Asked again, each keeps its start-up answer, though the situation changed.
    QCOMPARE(first.ask("again"), "false");
    second.close();
    Instance third = Start();
    QCOMPARE(third.answer, "true");
    QCOMPARE(third.ask("again"), "true");
    first.close();
    QCOMPARE(third.ask("again"), "true");
    third.close();
}

void InstanceTest::programsStartedByAnInstanceDoNotCount()
{
    Instance parent = Start();
    QCOMPARE(parent.answer, "false");
    bool ok = false;
    const pid_t sleeper = parent.ask("spawn").toInt(&ok);
    QVERIFY(ok && sleeper > 0);
    parent.kill();

    Instance next = Start(); // the sleeper lives on, holding whatever it inherited
    const QString answer = next.answer;
    next.close();
    ::kill(sleeper, SIGKILL);
    QCOMPARE(answer, "false");
}

void InstanceTest::fallbackFolderWithoutRuntimeFolder_data()
{
    QTest::addColumn<QString>("runtime"); // "<unset>", or a path below the temporary folder
    QTest::newRow("unset") << "<unset>";
    QTest::newRow("empty") << "";
    QTest::newRow("relative") << "runtime";
    QTest::newRow("missing") << "/missing";
    QTest::newRow("a file") << "/file";
    QTest::newRow("open to others") << "/shared";
}

void InstanceTest::fallbackFolderWithoutRuntimeFolder()
{
    QFETCH(QString, runtime);
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    QFile file(temporary.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir(temporary.path()).mkdir(QStringLiteral("shared")));
    QVERIFY(::chmod(QFile::encodeName(temporary.filePath("shared")).constData(), 0777) == 0);

    QProcessEnvironment environment = WithTemporaryFolder(temporary.path());
    if (runtime == QLatin1String("<unset>"))
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    else if (runtime.startsWith(u'/'))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), temporary.path() + runtime);
    else
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);

    Instance first = Start(environment);
    Instance second = Start(environment);
    const QString folder = OwnFallbackFolder(temporary.path());
    QCOMPARE(QFileInfo(first.lockPath).absolutePath(), folder);
    QCOMPARE(first.answer, "false");
    QCOMPARE(second.answer, "true");
    struct stat info;
    QVERIFY(::lstat(QFile::encodeName(folder).constData(), &info) == 0);
    QVERIFY(S_ISDIR(info.st_mode));
    QCOMPARE(info.st_mode & 0777, mode_t(0700));
    first.close();
    second.close();
}

void InstanceTest::unsafeFallbackFolderIsNotUsed_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("open to others") << "open";
    QTest::newRow("someone else's") << "foreign";
    QTest::newRow("a link to a folder") << "link";
    QTest::newRow("a file") << "file";
}

void InstanceTest::unsafeFallbackFolderIsNotUsed()
{
    QFETCH(QString, kind);
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString folder = OwnFallbackFolder(temporary.path());
    const QByteArray native = QFile::encodeName(folder);
    if (kind == QLatin1String("open")) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(native.constData(), 0777) == 0);
    } else if (kind == QLatin1String("foreign")) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(native.constData(), 0700) == 0);
        QVERIFY(::chown(native.constData(), ::geteuid() + 1, ::getegid()) == 0);
    } else if (kind == QLatin1String("link")) {
        QVERIFY(QDir(temporary.path()).mkdir(QStringLiteral("elsewhere")));
        QVERIFY(QFile::link(temporary.filePath(QStringLiteral("elsewhere")), folder));
    } else {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QProcessEnvironment environment = WithTemporaryFolder(temporary.path());
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    Instance first = Start(environment);
    Instance second = Start(environment);
    // No safe place for the lock: nobody is told another instance runs.
    QCOMPARE(first.lockPath, QString());
    QCOMPARE(first.answer, "false");
    QCOMPARE(second.answer, "false");
    QVERIFY(QDir(temporary.path()).entryList(QDir::Files | QDir::Hidden).size() <=
            (kind == QLatin1String("file") ? 1 : 0));
    first.close();
    second.close();
}

LUMIDEX_REGISTER_TEST(InstanceTest)
#include "tst_instance.moc"
