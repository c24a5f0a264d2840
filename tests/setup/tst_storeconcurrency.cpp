#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int WritesEach = 5000;
constexpr int HelperKeys = 100;
constexpr int WritersDeadlineMs = 100000;
const QString Sentinel = QStringLiteral("still here");
const QString Dialog = QStringLiteral("dialog"); // a writer: the settings dialog

// Each write syncs the file to disk twice (lock and data); on a disk shared with builds,
// 10 000 writes took a minute or more, nearly all of it waiting for the disk. A folder in
// memory keeps what is tested (the locks, the rename) and drops the wait.
QString FastFolderBase()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

// The output lines starting with prefix, without it.
QStringList Lines(const QByteArray &output, const QString &prefix)
{
    QStringList found;
    for (const QString &line : QString::fromUtf8(output).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            found << line.mid(prefix.size());
    }
    return found;
}

// "KEY=VALUE" lines as a map, on the first '='.
QMap<QString, QString> Pairs(const QStringList &lines)
{
    QMap<QString, QString> pairs;
    for (const QString &line : lines)
        pairs.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    return pairs;
}

// The helper's write i goes to PREFIX<i mod HelperKeys>: the last one each key had.
void ExpectHelperKeys(const QString &prefix, QMap<QString, QString> &expected)
{
    for (int key = 0; key < HelperKeys; ++key) {
        const QString name = prefix + QString::number(key);
        const int lastWrite = (WritesEach - 1 - key) / HelperKeys * HelperKeys + key;
        expected.insert("Settings/" + name, QStringLiteral("%1 write %2").arg(name).arg(lastWrite));
    }
}

} // namespace

// Two processes write the store at once while a third reads it.
class TstStoreConcurrency : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config{FastFolderBase() + QStringLiteral("/lumidex-store-XXXXXX")};
    QProcessEnvironment m_environment;

    QDir StoreFolder() const { return QDir(m_config.filePath(QStringLiteral("Vantrel"))); }

    void Start(QProcess &process, const char *program, const QStringList &arguments)
    {
        process.setProcessEnvironment(m_environment);
        process.start(QString::fromLocal8Bit(program), arguments);
        QVERIFY2(process.waitForStarted(10000), program);
    }

    QByteArray Run(const char *program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(QString::fromLocal8Bit(program), arguments);
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            return "<failed: " + process.readAllStandardError() + ">";
        return process.readAllStandardOutput();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }

    void init() { QVERIFY(StoreFolder().removeRecursively()); }

    // The dialog writes its eight keys per OK; a helper cycles through keys of its own.
    void writersLoseNothing_data()
    {
        QTest::addColumn<QStringList>("writers"); // Dialog, or a helper's key prefix
        QTest::newRow("settings dialog and another program") << QStringList{Dialog, "Helper"};
        QTest::newRow("two programs") << QStringList{"First", "Second"};
    }

    void writersLoseNothing()
    {
        QFETCH(QStringList, writers);
        for (const QString &section : {QStringLiteral("Settings"), QStringLiteral("Previous")})
            QCOMPARE(Run(STORE_HELPER, {"set", section, "Sentinel", Sentinel}), QByteArray());

        QProcess reader;
        Start(reader, STORE_READER, {Sentinel});
        QVERIFY(reader.waitForReadyRead(30000));
        QCOMPARE(reader.readLine(), QByteArray("ready\n"));

        QElapsedTimer clock;
        clock.start();
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QString &writer : writers) {
            processes.push_back(std::make_unique<QProcess>());
            if (writer == Dialog)
                Start(*processes.back(), SETUP_WRITER, {QString::number(WritesEach)});
            else
                Start(*processes.back(), STORE_HELPER,
                      {"write", writer, QString::number(WritesEach), QString::number(HelperKeys)});
        }
        for (const auto &process : processes) {
            const qint64 left = std::max<qint64>(WritersDeadlineMs - clock.elapsed(), 1);
            QVERIFY2(process->waitForFinished(int(left)), "the writers took too long");
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        }
        const qint64 writingMs = clock.elapsed();
        reader.write("stop\n");
        reader.closeWriteChannel();
        QVERIFY(reader.waitForFinished(30000));
        const QByteArray report = reader.readAllStandardOutput();

        QMap<QString, QString> expected{{"Settings/Sentinel", Sentinel},
                                        {"Previous/Sentinel", Sentinel}};
        QStringList figures;
        for (qsizetype i = 0; i < writers.size(); ++i) {
            QProcess &process = *processes[size_t(i)];
            const QByteArray output = process.readAllStandardOutput();
            QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
            if (writers[i] == Dialog) {
                const QString summary = Lines(output, "clicks=").value(0);
                QVERIFY2(summary.startsWith("625 writes=5000 "), output.constData());
                figures << "dialog clicks=" + summary;
                const QMap<QString, QString> wrote = Pairs(Lines(output, "wrote "));
                QCOMPARE(wrote.size(), 8);
                QCOMPARE(wrote.value("Title"), QStringLiteral("Soak title 624"));
                for (auto it = wrote.cbegin(); it != wrote.cend(); ++it)
                    expected.insert("Settings/" + it.key(), it.value());
            } else {
                const QString summary = Lines(output, "writes=").value(0);
                QVERIFY2(summary.startsWith("5000 "), output.constData());
                figures << writers[i] + " writes=" + summary;
                ExpectHelperKeys(writers[i], expected);
            }
        }
        figures << "reader rounds=" + Lines(report, "rounds=").value(0);
        qInfo("writers done after %.1f s; %s", writingMs / 1000.0, qPrintable(figures.join("; ")));

        // No read found a half-written file, a lost sentinel or key, or an undone write,
        // and the reads overlapped both writers' work.
        QVERIFY2(reader.exitCode() == 0, report.constData());
        QVERIFY2(Lines(report, "problem ").isEmpty(), report.constData());
        const QMap<QString, QString> advances = Pairs(Lines(report, "advances "));
        for (const QString &writer : writers)
            QVERIFY2(advances.value(writer == Dialog ? "Title" : writer).toInt() >= 2,
                     report.constData());

        // Every key holds its writer's last value, and nothing else is in the file.
        const QMap<QString, QString> stored = Pairs(Lines(report, "value "));
        QCOMPARE(stored.keys(), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(stored.value(it.key()), it.value());
        QCOMPARE(QSettings(StoreFolder().filePath("Lumidex.conf"), QSettings::IniFormat).status(),
                 QSettings::NoError);
        QCOMPARE(StoreFolder().entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                         QDir::NoDotAndDotDot),
                 QStringList{"Lumidex.conf"}); // no lock or temporary file left
    }
};

LUMIDEX_REGISTER_TEST(TstStoreConcurrency)
#include "tst_storeconcurrency.moc"
