// Reads the settings store over and over while other processes write it, for the store's
// concurrency test:
//   store_reader SENTINEL
// Each round reads the whole file and parses it as plain INI text, then reads through the
// store's own reader (GetSetting). Either must find a whole file: every line a section or a
// key, "Sentinel=SENTINEL" in [Settings] and [Previous], no key that an earlier round saw
// gone, and no value ending in a number (a writer's count) lower than one read before,
// which would mean a write was undone. Prints "ready" after the first round and goes on
// until stdin says "stop" or closes; then reads once more and prints
//   problem TEXT               (the first few)
//   rounds=R store_reads=S problems=P
//   advances GROUP=N           how often the keys GROUP<digits> were seen to move on
//   value SECTION/KEY=VALUE    every key of the last round, through GetSetting

#include "platform/Store.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace {

const QString Missing = QStringLiteral("<missing>");
constexpr int ProblemsShown = 20;

// "Section/Key" -> value, as the file says.
using Entries = QMap<QString, QString>;

std::optional<Entries> ParseIni(const QByteArray &bytes, QString &problem)
{
    if (bytes.isEmpty()) {
        problem = QStringLiteral("empty file");
        return std::nullopt;
    }
    if (!bytes.endsWith('\n')) {
        problem = QStringLiteral("the file ends inside a line");
        return std::nullopt;
    }
    static const QRegularExpression keyLine(QStringLiteral("^([A-Za-z0-9_]+)=(.*)$"));
    Entries entries;
    QString section;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    for (int number = 0; number < lines.size(); ++number) {
        const QString line = QString::fromUtf8(lines[number]);
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const QRegularExpressionMatch match = keyLine.match(line);
        const QString name = section + QLatin1Char('/') + match.captured(1);
        if (!match.hasMatch() || section.isEmpty() || entries.contains(name)) {
            problem = QStringLiteral("line %1 does not parse: %2").arg(number + 1).arg(line);
            return std::nullopt;
        }
        QString value = match.captured(2);
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) &&
            value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        entries.insert(name, value);
    }
    return entries;
}

class Reader
{
public:
    explicit Reader(QString sentinel) : m_sentinel(std::move(sentinel)) {}

    void Round()
    {
        ++m_rounds;
        QFile file(platform::StoreFilePath());
        if (!file.open(QIODevice::ReadOnly)) {
            Problem(QStringLiteral("the file cannot be opened: ") + file.errorString());
            return;
        }
        QString problem;
        const std::optional<Entries> entries = ParseIni(file.readAll(), problem);
        if (!entries) {
            Problem(problem);
            return;
        }
        m_last = *entries;
        for (const QString &section : {platform::SettingsSection, platform::PreviousSection}) {
            if (entries->value(section + QStringLiteral("/Sentinel"), Missing) != m_sentinel)
                Problem(QStringLiteral("no sentinel in [%1] of the plain read").arg(section));
        }
        for (const QString &name : std::as_const(m_seen)) {
            if (!entries->contains(name))
                Problem(QStringLiteral("%1 is gone from the plain read").arg(name));
        }
        for (auto it = entries->cbegin(); it != entries->cend(); ++it)
            Track(it.key(), it.value(), "plain");

        // The store's own reader: the sentinels and one of the counted keys per round.
        for (const QString &section : {platform::SettingsSection, platform::PreviousSection}) {
            ++m_storeReads;
            if (platform::GetSetting(section, QStringLiteral("Sentinel"), Missing) != m_sentinel)
                Problem(QStringLiteral("no sentinel in [%1] of GetSetting").arg(section));
        }
        const QStringList keys = entries->keys();
        if (keys.isEmpty())
            return;
        const QString name = keys[m_rounds % keys.size()];
        const qsizetype slash = name.indexOf(QLatin1Char('/'));
        ++m_storeReads;
        const QString value = platform::GetSetting(name.left(slash), name.mid(slash + 1), Missing);
        if (value == Missing)
            Problem(QStringLiteral("%1 is gone from GetSetting").arg(name));
        else
            Track(name, value, "GetSetting");
    }

    // Prints the report; true when no round found anything wrong.
    bool Report()
    {
        std::printf("rounds=%lld store_reads=%lld problems=%lld\n", m_rounds, m_storeReads,
                    m_problems);
        for (auto it = m_advances.cbegin(); it != m_advances.cend(); ++it)
            std::printf("advances %s=%lld\n", qPrintable(it.key()), it.value());
        for (auto it = m_last.cbegin(); it != m_last.cend(); ++it) {
            const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
            const QString stored =
                platform::GetSetting(it.key().left(slash), it.key().mid(slash + 1), Missing);
            if (stored != it.value())
                Problem(QStringLiteral("%1: plain read %2, GetSetting %3")
                            .arg(it.key(), it.value(), stored));
            std::printf("value %s=%s\n", qPrintable(it.key()), qPrintable(stored));
        }
        std::fflush(stdout);
        return m_problems == 0;
    }

private:
    void Problem(const QString &text)
    {
        if (++m_problems <= ProblemsShown)
            std::printf("problem %s\n", qPrintable(text));
    }

    // A value ending in " <number>" carries its writer's count, which only grows.
    void Track(const QString &name, const QString &value, const char *how)
    {
        m_seen.insert(name);
        static const QRegularExpression counted(QStringLiteral(" (\\d+)$"));
        const QRegularExpressionMatch match = counted.match(value);
        if (!match.hasMatch())
            return;
        const qint64 count = match.captured(1).toLongLong();
        const auto highest = m_highest.constFind(name);
        if (highest != m_highest.cend() && count < *highest) {
            Problem(QStringLiteral("%1 went back from %2 to %3 (%4)")
                        .arg(name)
                        .arg(*highest)
                        .arg(count)
                        .arg(QLatin1String(how)));
            return;
        }
        if (highest != m_highest.cend() && count > *highest) {
            static const QRegularExpression digits(QStringLiteral("\\d+$"));
            ++m_advances[name.section(QLatin1Char('/'), 1).remove(digits)];
        }
        m_highest[name] = count;
    }

    QString m_sentinel;
    qint64 m_rounds = 0;
    qint64 m_storeReads = 0;
    qint64 m_problems = 0;
    QSet<QString> m_seen;
    QMap<QString, qint64> m_highest;
    QMap<QString, qint64> m_advances;
    Entries m_last;
};

// True once stdin has said "stop" or closed; never waits.
bool StopAsked()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0)
        return false;
    char buffer[64];
    const ssize_t size = ::read(STDIN_FILENO, buffer, sizeof buffer);
    return size <= 0 || QByteArray(buffer, int(size)).contains("stop");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: store_reader SENTINEL\n");
        return 2;
    }
    Reader reader(args[0]);
    reader.Round();
    std::printf("ready\n");
    std::fflush(stdout);
    while (!StopAsked())
        reader.Round();
    reader.Round(); // the file as the writers left it
    return reader.Report() ? 0 : 1;
}
