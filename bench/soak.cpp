// soak: runs the saver's motion and painting for a long time and prints the memory it
// holds (VmRSS) as it goes, to show that nothing grows per tick. Figures, not a test.
//
//   soak [MOTION_TICKS [PAINTED_SECONDS [SPEED]]]
//
// First MOTION_TICKS (default 10 000 000) bare motion steps (ScrollTick, no window),
// then as many painted ticks as the saver makes in PAINTED_SECONDS (default 3600) at
// SPEED (default 5): each tick is tmrScroll_Timer followed by the event loop's repaint of
// a 1920 x 1080 frmMain on Qt's offscreen platform, as fast as they go. The settings are
// the defaults plus the "Hammock" picture, in a settings folder of the run's own.

#include "bench/ProcessMemory.h"
#include "core/Twips.h"
#include "saver/ScrollMotion.h"
#include "saver/frmMain.h"
#include "state/modGeneral.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

constexpr int ScreenWidthPixels = 1920;
constexpr int ScreenHeightPixels = 1080;
constexpr int Reports = 10; // memory lines per part, besides its start and end

void PrintMemory(const char *part, const char *moment, long long ticks, const QElapsedTimer &clock)
{
    std::printf("%-7s %-6s ticks=%-9lld seconds=%-8.3f VmRSS_kB=%ld\n", part, moment, ticks,
                double(clock.nsecsElapsed()) / 1e9, long(bench::StatusKilobytes("VmRSS")));
    std::fflush(stdout);
}

class PaintCounter : public QObject
{
public:
    long long paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The pure motion step, on a copy of the loaded window's layout and element sizes.
void SoakMotion(const saver::frmMain &form, long long ticks)
{
    modGeneral::SaverLayoutState layout = form.SaverLayout;
    saver::ElementSizes sizes{form.lblText.size().height(), form.lblTime.size().height(),
                              form.imgPhoto.size()};
    std::minstd_rand random(1);
    const saver::MotionContext context{
        true, form.ScreenWidth, form.ScreenHeight,
        [&random] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); }};

    double checksum = 0; // keeps the steps from being optimised away
    QElapsedTimer clock;
    clock.start();
    PrintMemory("motion", "start", 0, clock);
    const long long every = std::max(ticks / Reports, 1LL);
    for (long long tick = 1; tick <= ticks; ++tick) {
        const saver::ElementPlaces places = saver::ScrollTick(layout, sizes, context);
        checksum += places.title.x() + places.time.y();
        if (tick % every == 0 && tick != ticks)
            PrintMemory("motion", "", tick, clock);
    }
    PrintMemory("motion", "end", ticks, clock);
    std::printf("motion: %.1f ns per tick (checksum %.0f)\n",
                double(clock.nsecsElapsed()) / double(std::max(ticks, 1LL)), checksum);
}

void SoakPainting(saver::frmMain &form, double seconds)
{
    form.tmrScroll.stop(); // ticks are driven here, back to back
    const int interval = form.tmrScroll.interval();
    const long long ticks = (long long)(seconds * 1000.0 / interval);
    std::printf("painted: %lld ticks = %.0f s at the %d ms interval, %d x %d window, picture %s\n",
                ticks, seconds, interval, form.width(), form.height(),
                form.imgPhoto.hasPicture() ? "shown" : "missing");
    PaintCounter counter;
    form.installEventFilter(&counter);

    QElapsedTimer clock;
    clock.start();
    PrintMemory("painted", "start", 0, clock);
    const long long every = std::max(ticks / Reports, 1LL);
    for (long long tick = 1; tick <= ticks; ++tick) {
        form.tmrScroll_Timer();
        QCoreApplication::processEvents(); // the repaint the tick asked for
        if (tick % every == 0 && tick != ticks)
            PrintMemory("painted", "", tick, clock);
    }
    PrintMemory("painted", "end", ticks, clock);
    std::printf("painted: %.1f us per tick, %lld paint events\n",
                double(clock.nsecsElapsed()) / 1e3 / double(std::max(ticks, 1LL)), counter.paints);
    form.removeEventFilter(&counter);
}

} // namespace

int main(int argc, char **argv)
{
    const long long motionTicks = argc > 1 ? std::atoll(argv[1]) : 10000000;
    const double paintedSeconds = argc > 2 ? std::atof(argv[2]) : 3600.0;
    const int speed = argc > 3 ? std::atoi(argv[3]) : 5;
    if (motionTicks < 0 || paintedSeconds < 0 || speed < 0 || speed > 10) {
        std::fprintf(stderr, "usage: soak [MOTION_TICKS [PAINTED_SECONDS [SPEED]]]\n");
        return 2;
    }
    QElapsedTimer wall;
    wall.start();
    PrintMemory("program", "start", 0, wall);

    // Settings of the run's own, set before Qt reads where they live.
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    {
        QSettings settings(config.filePath(QStringLiteral("Vantrel/Lumidex.conf")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/Speed"), QString::number(speed));
        settings.setValue(QStringLiteral("Settings/ImageUsed"), QStringLiteral("1"));
    }

    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    modGeneral::State.RunMode = modGeneral::RunModeFullScreen;
    modGeneral::State.ScreenWidth = ScreenWidthPixels * core::TwipsPerPixel;
    modGeneral::State.ScreenHeight = ScreenHeightPixels * core::TwipsPerPixel;
    modGeneral::State.ImageIndex = 4; // "Hammock", 150 x 99
    {
        saver::frmMain form;
        form.endsOnInput = false;
        form.hidesCursor = false;
        form.resize(ScreenWidthPixels, ScreenHeightPixels);
        form.Form_Load();
        form.show();
        QCoreApplication::processEvents();
        PrintMemory("program", "loaded", 0, wall);

        SoakMotion(form, motionTicks);
        SoakPainting(form, paintedSeconds);
    }
    PrintMemory("program", "end", 0, wall);
    std::printf("wall time %.1f s, peak VmHWM_kB=%ld\n", double(wall.nsecsElapsed()) / 1e9,
                long(bench::StatusKilobytes("VmHWM")));
    return 0;
}
