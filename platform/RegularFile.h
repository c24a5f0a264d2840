#pragma once

#include <QString>
#include <sys/stat.h>

namespace platform {

// Opens the file for reading only if it is a regular one (or a link to one): without
// blocking, as a FIFO would wait for a writer, and checked on the opened descriptor, as the
// name may have been swapped for a FIFO or a device since it was looked at. Returns the
// descriptor with `info` filled in, or -1 with errno set: EINVAL for a file that is there
// but no regular one.
int OpenRegularFile(const QString &path, struct stat &info);

} // namespace platform
