#pragma once

// The process's resident memory as the kernel counts it: now, at its peak, and around a
// piece of work. The benchmarks and the hardening tests share it.

#include <QByteArray>
#include <QFile>

namespace bench {

// A field of /proc/self/status in kilobytes, or -1.
inline qint64 StatusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts a new peak: the kernel sets the high-water mark back to what is resident now.
inline bool ResetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1 && refs.flush();
}

// How far the resident memory rose above where it stood before the work, in kilobytes.
template <typename Work> qint64 PeakGrowth(Work work)
{
    ResetPeak();
    const qint64 before = StatusKilobytes("VmRSS");
    work();
    return StatusKilobytes("VmHWM") - before;
}

} // namespace bench
