#include "platform/RegularFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

int OpenRegularFile(const QString &path, struct stat &info)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const bool known = ::fstat(fd, &info) == 0;
    if (known && S_ISREG(info.st_mode))
        return fd;
    const int error = known ? EINVAL : errno;
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace platform
