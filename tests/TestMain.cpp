#include "TestSupport.h"

#include "platform/Store.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef LUMIDEX_TEST_WIDGETS
#include <QApplication>
using Application = QApplication;
#else
using Application = QCoreApplication;
#endif

namespace testing {

QList<TestFactory> &RegisteredTests()
{
    static QList<TestFactory> tests;
    return tests;
}

std::function<int(const QStringList &)> &Helper()
{
    static std::function<int(const QStringList &)> helper;
    return helper;
}

void StartHelper(QProcess &process, const QStringList &arguments)
{
    process.start(QCoreApplication::applicationFilePath(), QStringList{"--helper"} + arguments);
}

QByteArray RunHelper(const QStringList &arguments)
{
    QProcess helper;
    StartHelper(helper, arguments);
    const bool ended = helper.waitForFinished(60000) && helper.exitCode() == 0;
    return ended ? helper.readAllStandardOutput()
                 : "<failed " + helper.readAllStandardError() + ">";
}

QProcessEnvironment Environment(const QStringList &assignments)
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString &assignment : assignments)
        variables.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
    return variables;
}

qint64 ChildProcess(qint64 pid)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    return children.open(QIODevice::ReadOnly) ? children.readAll().split(' ').value(0).toLongLong()
                                              : 0;
}

bool ProcessEnded(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    // The state follows the command's closing parenthesis.
    return !status.open(QIODevice::ReadOnly) ||
           QString::fromLatin1(status.readAll()).section(u')', -1).startsWith(QStringLiteral(" Z"));
}

QList<QStringList> Table(const char *text)
{
    QList<QStringList> rows;
    for (const QString &line : QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts)) {
        rows << line.split(QStringLiteral(" | "));
        rows.last().replaceInStrings(QStringLiteral("\\n"), "\n").replaceInStrings("\\t", "\t");
        rows.last().replaceInStrings(QStringLiteral("\\r"), "\r");
    }
    return rows;
}

void AddRows(const QString &text)
{
    QTest::addColumn<QStringList>("row");
    QMap<QString, int> named; // a name given before gets a number
    for (const QStringList &row :
         Table(QString(text).replace("\n    ", " ").toUtf8().constData())) {
        const QString name = row[0] + ": " + row.value(1);
        const int earlier = named[name]++;
        QTest::newRow(qPrintable(earlier ? name + " #" + QString::number(earlier + 1) : name))
            << row;
    }
}

QStringList List(const QStringList &row, int cell)
{
    const QString text = row.value(cell, QStringLiteral("-"));
    return text == u"-" ? QStringList() : text.split(QStringLiteral("; "));
}

QString StoreFolder()
{
    return QFileInfo(platform::StoreFilePath()).path();
}

QStringList StoreFolderEntries()
{
    return QDir(StoreFolder())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QByteArray StoreBytes(const QString &path)
{
    QFile file(path.isEmpty() ? platform::StoreFilePath() : path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteStoreBytes(const QByteArray &bytes)
{
    QDir().mkpath(StoreFolder());
    QFile file(platform::StoreFilePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the store");
}

void ClearStore()
{
    QDir(StoreFolder()).removeRecursively();
}

void Store(const QString &key, const QString &text)
{
    platform::SaveSetting(platform::SettingsSection, key, text);
}

void StoreAll(const QStringList &pairs)
{
    for (const QString &pair : pairs)
        Store(pair.section(u'=', 0, 0), pair.section(u'=', 1));
}

QString Stored(const QString &key, const QString &section)
{
    return platform::GetSetting(section, key, QStringLiteral("<missing>"));
}

} // namespace testing

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--helper") == 0) {
        Application app(argc, argv);
        return testing::Helper()(QCoreApplication::arguments().mid(2));
    }
    // Settings and the instance lock go to folders of this program's own, set before Qt
    // reads them, and inherited by its helper and every program a test starts. In memory
    // where there is a /dev/shm: the store syncs each write, which a disk shared with
    // builds would make the tests wait for.
    const QTemporaryDir home((QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm")
                                  : QDir::tempPath()) +
                             QStringLiteral("/lumidex-test-XXXXXX"));
    for (const char *folder : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = home.path() + u'/' + folder;
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(folder, path.toLocal8Bit());
    }
    Application app(argc, argv);
    // "TstStore::writersLoseNothing" runs that function of that class alone.
    const QStringList arguments = QCoreApplication::arguments();
    const QString chosen = arguments.filter("::").value(0).section(u':', 0, 0);
    int failures = 0;
    for (const testing::TestFactory &makeTest : testing::RegisteredTests()) {
        const std::unique_ptr<QObject> test = makeTest();
        if (const QString name = test->metaObject()->className();
            chosen.isEmpty() || name == chosen)
            failures +=
                QTest::qExec(test.get(), QStringList(arguments).replaceInStrings(name + "::", ""));
    }
    return failures == 0 ? 0 : 1;
}
