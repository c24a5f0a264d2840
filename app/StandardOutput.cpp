#include "app/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace startup {

int WriteStandardOutput(const char *program, const QString &text)
{
    // The text waits in stdio's buffer: only the flush tells whether it was written.
    if (std::fputs(text.toLocal8Bit().constData(), stdout) >= 0 && std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program,
                 std::strerror(errno));
    return 1;
}

} // namespace startup
