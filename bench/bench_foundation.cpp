// Figures for the work every start does: reading settings, parsing the target date and
// composing the countdown. Prints time per operation and the peak memory; not a test.

#include "core/Dates.h"
#include "countdown/CountdownText.h"
#include "platform/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

void Measure(const char *what, int repetitions, const std::function<void(int)> &operation)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repetitions; ++i)
        operation(i);
    const double nanoseconds = double(timer.nsecsElapsed()) / repetitions;
    std::printf("%-44s %10.0f ns/op  (%d runs)\n", what, nanoseconds, repetitions);
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    // A store of its own: the figures must not depend on, or touch, the user's settings.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QCoreApplication application(argc, argv);

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    volatile qint64 sink = 0;

    Measure("ParseDate \"2/8/2028\" (en_US)", 200000,
            [&](int) { sink = sink + core::ParseDate(QStringLiteral("2/8/2028"), us)->day(); });
    Measure("ParseDate \"8. Februar 2028\" (de_DE)", 200000, [&](int) {
        sink = sink + core::ParseDate(QStringLiteral("8. Februar 2028"), german)->day();
    });

    countdown::CountdownPieces pieces;
    const QDate today(2026, 12, 5);
    Measure("ComposeCountdown, a day each run", 200000, [&](int i) {
        const countdown::CountdownInputs inputs{today.addDays(i % 400),
                                                QStringLiteral("Title"),
                                                QStringLiteral("2/8/2028"),
                                                QStringLiteral("Done"),
                                                1,
                                                us};
        countdown::ComposeCountdown(inputs, pieces);
        sink = sink + pieces.Phrase().size();
    });

    for (int i = 0; i < 31; ++i)
        platform::SaveSetting(platform::SettingsSection, QStringLiteral("Key%1").arg(i),
                              QStringLiteral("value %1").arg(i));
    Measure("GetSetting, 31-key file, fresh read each", 20000, [&](int i) {
        sink = sink + platform::GetSetting(platform::SettingsSection,
                                           QStringLiteral("Key%1").arg(i % 31), QString())
                          .size();
    });
    Measure("SaveSetting (locked, atomic rewrite)", 2000, [&](int i) {
        platform::SaveSetting(platform::SettingsSection, QStringLiteral("Key%1").arg(i % 31),
                              QString::number(i));
    });

    std::printf("%-44s %10ld kB\n", "peak resident memory", PeakKilobytes());
    return sink == -1;
}
