// Reads and writes the settings store from a process of its own, for the store tests:
//   store_helper write PREFIX COUNT [KEYS]  makes COUNT writes to PREFIX0 .. PREFIX<KEYS-1>
//                                          in [Settings], key after key (KEYS: COUNT), and
//                                          prints "writes=N seconds=S longest_ms=M"
//   store_helper set SECTION KEY VALUE
//   store_helper get SECTION KEY DEFAULT   prints the value (UTF-8, no line end)
//
// Write number i stores "PREFIX<i mod KEYS> write i": the number only grows, so whoever
// reads the file can tell an undone write from a late one.

#include "platform/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

QString ValueFor(const QString &key, int write)
{
    return QStringLiteral("%1 write %2").arg(key).arg(write);
}

int Write(const QString &prefix, int count, int keys)
{
    QElapsedTimer all;
    all.start();
    qint64 longestNs = 0;
    for (int i = 0; i < count; ++i) {
        const QString key = prefix + QString::number(i % keys);
        QElapsedTimer one;
        one.start();
        platform::SaveSetting(platform::SettingsSection, key, ValueFor(key, i));
        longestNs = std::max(longestNs, one.nsecsElapsed());
    }
    std::printf("writes=%d seconds=%.2f longest_ms=%.1f\n", count, double(all.nsecsElapsed()) / 1e9,
                double(longestNs) / 1e6);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if ((args.size() == 3 || args.size() == 4) && args[0] == QLatin1String("write")) {
        bool countOk = false;
        bool keysOk = true;
        const int count = args[2].toInt(&countOk);
        const int keys = args.size() == 4 ? args[3].toInt(&keysOk) : count;
        if (!countOk || !keysOk || count < 0 || keys <= 0)
            return 2;
        return Write(args[1], count, keys);
    }
    if (args.size() == 4 && args[0] == QLatin1String("set")) {
        platform::SaveSetting(args[1], args[2], args[3]);
        return 0;
    }
    if (args.size() == 4 && args[0] == QLatin1String("get")) {
        const QByteArray text = platform::GetSetting(args[1], args[2], args[3]).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    std::fprintf(stderr, "usage: store_helper write PREFIX COUNT [KEYS] | set SECTION KEY VALUE | "
                         "get SECTION KEY DEFAULT\n");
    return 2;
}
