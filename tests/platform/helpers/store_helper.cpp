// Reads and writes the settings store from a process of its own, for the store tests:
//   store_helper write PREFIX COUNT        writes PREFIX0 .. PREFIX<COUNT-1> in [Settings]
//   store_helper set SECTION KEY VALUE
//   store_helper get SECTION KEY DEFAULT   prints the value (UTF-8, no line end)

#include "platform/Store.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

// What the writer stores under each key, so the test can check every one.
QString ValueFor(const QString &prefix, int index)
{
    return QStringLiteral("value of %1%2").arg(prefix).arg(index);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("write")) {
        bool ok = false;
        const int count = args[2].toInt(&ok);
        if (!ok)
            return 2;
        for (int i = 0; i < count; ++i)
            platform::SaveSetting(platform::SettingsSection, args[1] + QString::number(i),
                                  ValueFor(args[1], i));
        return 0;
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
    std::fprintf(stderr, "usage: store_helper write PREFIX COUNT | set SECTION KEY VALUE | "
                         "get SECTION KEY DEFAULT\n");
    return 2;
}
