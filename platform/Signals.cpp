#include "platform/Signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int TerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// How long the event loop has to end the run in order once a signal came. A run busy with
// a large picture may not look at its events for seconds: then the signal ends it at once.
constexpr long GraceNanoseconds = 50'000'000;

// The handler writes to a pipe whose other end the event loop reads, and arms a timer that
// sends SIGTERM again after the grace period.
int pipeEnds[2] = {-1, -1};
timer_t graceTimer;
bool graceTimerMade = false;
std::function<void()> endAction;
int receivedSignal = 0;
volatile sig_atomic_t pendingSignal = 0;

// Async-signal-safe: the signal's default action, as DieByReceivedSignal takes it in order.
// Skipping the orderly end loses nothing: the X server takes the windows and their cursor
// with the connection, and the kernel the instance lock and the metafile child.
[[noreturn]] void DieNow(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, signal);
    sigprocmask(SIG_UNBLOCK, &signals, nullptr);
    ::raise(signal);
    _exit(128 + signal);
}

// A second arrival (the timer's, or another signal) means the orderly end is overdue.
void OnSignal(int signal)
{
    if (pendingSignal)
        DieNow(pendingSignal);
    pendingSignal = signal;
    const int savedErrno = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    if (graceTimerMade) {
        const itimerspec grace = {{0, 0}, {0, GraceNanoseconds}};
        timer_settime(graceTimer, 0, &grace, nullptr);
    }
    errno = savedErrno;
}

void DrainAndEnd()
{
    char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        if (!receivedSignal)
            receivedSignal = bytes[0];
    }
    if (endAction)
        endAction();
    else
        QCoreApplication::exit(0);
}

} // namespace

void EndOnTerminationSignals(std::function<void()> end)
{
    endAction = std::move(end);
    if (pipeEnds[0] >= 0 || !QCoreApplication::instance())
        return;
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }
    // Parented to the application, so it goes before the event dispatcher does.
    auto *notifier =
        new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { DrainAndEnd(); });
    sigevent timerEvent = {};
    timerEvent.sigev_notify = SIGEV_SIGNAL;
    timerEvent.sigev_signo = SIGTERM;
    graceTimerMade = timer_create(CLOCK_MONOTONIC, &timerEvent, &graceTimer) == 0;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : TerminationSignals)
        sigaction(signal, &action, nullptr);
}

void WaitForTerminationSignal()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : TerminationSignals)
        sigaddset(&signals, signal);
    // Blocked first, so that one arriving before sigwait waits for it instead of killing.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    int received = 0;
    while (sigwait(&signals, &received) != 0) {
    }
    receivedSignal = received;
}

void DieByReceivedSignal()
{
    if (!receivedSignal)
        return;
    std::signal(receivedSignal, SIG_DFL);
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, receivedSignal);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    std::raise(receivedSignal);
}

} // namespace platform
