#include "platform/Signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int TerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write to a pipe; the event loop reads the other end.
int pipeEnds[2] = {-1, -1};
std::function<void()> endAction;
int receivedSignal = 0;

void OnSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
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
