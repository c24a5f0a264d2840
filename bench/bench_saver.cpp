// bench_saver: runs the saver full screen in this process, as `lumidex /s` does, and
// reports what cannot be seen from outside: the scroll timer's ticks per second (of the
// slowest window, with one window per monitor) and the time from exec to the first frame. Figures,
// not a test; bench/saver_cost.sh drives it.
//
//   bench_saver SECONDS [WARMUP [LINGER]]
//
// After WARMUP seconds (default 2) it prints "window-start" and counts ticks for SECONDS,
// then prints one line of key=value figures, stays LINGER more seconds (default 1, so
// that whoever samples /proc at the end of the window still finds it) and ends. A
// figure not yet reached (a first frame later than the window's end) reads -1.
//
// Times are measured from the exec of this program. LUMIDEX_BENCH_EXEC_US, when set, is
// that moment in microseconds of CLOCK_REALTIME, taken by the caller just before exec
// (bash: ${EPOCHREALTIME/[.,]/}); otherwise it is the start time the kernel records in
// /proc/self/stat, which has only clock-tick (10 ms) resolution.

#include "app/Main.h"
#include "bench/ProcessMemory.h"
#include "saver/SaverWindows.h"
#include "saver/frmMain.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

qint64 ClockUs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Field 22 of /proc/self/stat: clock ticks from boot to this process's start. The name
// in field 2 may hold blanks and parentheses, so the count starts after its last ')'.
std::optional<qint64> ProcessStartBootUs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    const qsizetype nameEnd = text.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = text.mid(nameEnd + 2).split(' ');
    constexpr int StartTimeAfterName = 22 - 3; // fields after the name begin at field 3
    if (fields.size() <= StartTimeAfterName)
        return std::nullopt;
    bool ok = false;
    const qint64 ticks = fields[StartTimeAfterName].toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ticks * 1000000 / sysconf(_SC_CLK_TCK);
}

struct ExecReference
{
    qint64 realtimeUs = 0;
    const char *source = "none";
};

// The exec moment on CLOCK_REALTIME, from the caller's stamp or from the kernel's.
ExecReference FindExec(qint64 mainRealtimeUs, qint64 mainBootUs)
{
    bool ok = false;
    const qint64 stamped = qEnvironmentVariable("LUMIDEX_BENCH_EXEC_US").toLongLong(&ok);
    if (ok && stamped > 0 && stamped <= mainRealtimeUs)
        return {stamped, "caller"};
    if (const std::optional<qint64> start = ProcessStartBootUs())
        return {mainRealtimeUs - (mainBootUs - *start), "proc-stat"};
    return {mainRealtimeUs, "main"};
}

// Waits until the X server has handled every request sent so far, the frame's image
// among them.
void RoundTripToXServer()
{
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t *connection = x11 ? x11->connection() : nullptr)
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// Times the saver window's first frame: when its first paint event has been handled
// (drawn into the backing store), and when that frame has also been flushed to the X
// server and the server has handled it.
class FirstFrameWatch : public QObject
{
public:
    qint64 paintedUs = 0;
    qint64 shownUs = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || paintedUs != 0)
            return false;
        // Delivered here so that its end can be timed; returning true keeps Qt from
        // delivering it a second time.
        watched->event(event);
        paintedUs = ClockUs(CLOCK_REALTIME);
        // The flush follows the paint within the same update; a queued call runs after it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                RoundTripToXServer();
                shownUs = ClockUs(CLOCK_REALTIME);
            },
            Qt::QueuedConnection);
        return true;
    }
};

double MsBetween(qint64 fromUs, qint64 toUs)
{
    return toUs > 0 ? double(toUs - fromUs) / 1000.0 : -1.0;
}

} // namespace

int main(int argc, char **argv)
{
    const qint64 mainRealtimeUs = ClockUs(CLOCK_REALTIME);
    const qint64 mainBootUs = ClockUs(CLOCK_BOOTTIME);
    const ExecReference exec = FindExec(mainRealtimeUs, mainBootUs);

    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const double warmup = argc > 2 ? std::atof(argv[2]) : 2.0;
    const double linger = argc > 3 ? std::atof(argv[3]) : 1.0;
    if (seconds <= 0 || warmup < 0 || linger < 0) {
        std::fprintf(stderr, "usage: bench_saver SECONDS [WARMUP [LINGER]]\n");
        return 2;
    }

    // As app/main.cpp: the command line is not Qt's.
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumidex ScreenSaver"));
    const std::optional<int> status = startup::Main({QStringLiteral("/s")});
    const qint64 startedUs = ClockUs(CLOCK_REALTIME); // settings read, window made and shown
    saver::frmMain *form = startup::MainForm();
    if (status || !form) {
        std::fprintf(stderr, "bench_saver: the saver did not start (status %d)\n",
                     status.value_or(-1));
        startup::ResetState();
        return 1;
    }

    FirstFrameWatch firstFrame;
    form->installEventFilter(&firstFrame);

    bool measuring = false;
    bool reported = false;
    std::vector<qint64> windowTicks; // one count for each monitor's window
    for (QScreen *screen : QGuiApplication::screens()) {
        saver::frmMain *covering = startup::SaverWindows()->windowOn(screen);
        if (!covering)
            continue;
        const std::size_t index = windowTicks.size();
        windowTicks.push_back(0);
        QObject::connect(&covering->tmrScroll, &QTimer::timeout, [&, index] {
            if (measuring)
                ++windowTicks[index];
        });
    }
    QElapsedTimer window;

    const auto report = [&](const char *ending) {
        measuring = false;
        reported = true;
        const double elapsed = window.isValid() ? double(window.nsecsElapsed()) / 1e9 : 0.0;
        const qint64 ticks = *std::min_element(windowTicks.begin(), windowTicks.end());
        std::printf(
            "result windows=%zu ticks=%lld seconds=%.3f ticks_per_s=%.2f interval_ms=%d "
            "exec_to_main_ms=%.1f startup_done_ms=%.1f first_paint_ms=%.1f first_frame_ms=%.1f "
            "vmhwm_kb=%ld exec_reference=%s ending=%s\n",
            windowTicks.size(), static_cast<long long>(ticks), elapsed,
            elapsed > 0 ? ticks / elapsed : 0.0, form->tmrScroll.interval(),
            MsBetween(exec.realtimeUs, mainRealtimeUs), MsBetween(exec.realtimeUs, startedUs),
            MsBetween(exec.realtimeUs, firstFrame.paintedUs),
            MsBetween(exec.realtimeUs, firstFrame.shownUs), long(bench::StatusKilobytes("VmHWM")),
            exec.source, ending);
        std::fflush(stdout);
    };

    QTimer::singleShot(int(warmup * 1000), Qt::PreciseTimer, [&] {
        measuring = true;
        window.start();
        std::printf("window-start\n");
        std::fflush(stdout);
        QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, [&] {
            report("normal");
            QTimer::singleShot(int(linger * 1000), [] { QCoreApplication::exit(0); });
        });
    });

    const int exitStatus = QApplication::exec();
    // The saver may end by itself (input reached it): the figures so far still count.
    const bool completed = reported;
    if (!completed)
        report(window.isValid() ? "saver-ended" : "saver-ended-before-window");
    startup::ResetState(); // the windows go before the application object
    return completed && exitStatus == 0 ? 0 : 1;
}
