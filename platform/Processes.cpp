#include "platform/Processes.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// Every instance holds a shared flock on the lock file for as long as it lives; the kernel
// drops it when the process ends, however it ends, so a crash leaves nothing stale. An
// instance asks "is anyone else here?" by trying an exclusive lock, which only fails while
// another instance holds its shared one. Converting that exclusive lock to a shared one is
// not atomic for flock, so the question is asked under a second, short-lived exclusive lock
// (the gate): no instance can ask while another is between the two steps.
namespace platform {

namespace {

// A folder only this user can use: ours, a real folder (no link), nobody else may write.
bool IsPrivateFolder(const QByteArray &path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool RuntimeFolderIsPrivate()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && runtime.startsWith('/') && IsPrivateFolder(runtime);
}

// $XDG_RUNTIME_DIR, or a folder of our own in the temporary folder; empty when neither is
// safe (someone else owns the fallback name, or it is open to others).
QString LockFolder()
{
    if (RuntimeFolderIsPrivate())
        return QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));

    const QByteArray own =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/lumidex-%1").arg(::geteuid()));
    ::mkdir(own.constData(), 0700); // fails harmlessly when it exists; checked next
    if (!IsPrivateFolder(own))
        return {};
    return QFile::decodeName(own);
}

// Opens (creating) a lock file of ours; -1 when it is not a plain file we own.
int OpenLockFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int LockRetrying(int fd, int operation)
{
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Registers this process and tells whether another instance was registered. The lock's
// descriptor stays open for the life of the process; O_CLOEXEC keeps it from programs
// this one starts.
bool RegisterInstance()
{
    const QString path = InstanceLockPath();
    if (path.isEmpty())
        return false;
    const int gate = OpenLockFile(path + QStringLiteral(".gate"));
    if (gate < 0)
        return false;
    const int instance = OpenLockFile(path);
    if (instance < 0 || LockRetrying(gate, LOCK_EX) != 0) {
        if (instance >= 0)
            ::close(instance);
        ::close(gate);
        return false;
    }

    const bool alone = LockRetrying(instance, LOCK_EX | LOCK_NB) == 0;
    if (LockRetrying(instance, LOCK_SH) != 0)
        ::close(instance); // not registered; the answer still stands
    ::close(gate);         // releases the gate
    return !alone;
}

} // namespace

QString InstanceLockPath()
{
    const QString folder = LockFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/lumidex.instance.lock");
}

bool PreviousInstanceRunning()
{
    // Asked once: later calls keep the answer of the start-up, even after the other
    // instance has gone.
    static const bool previous = RegisterInstance();
    return previous;
}

void UsePrivateRuntimeFolder()
{
    if (RuntimeFolderIsPrivate())
        return;
    const QString folder = LockFolder();
    if (!folder.isEmpty())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
}

} // namespace platform
