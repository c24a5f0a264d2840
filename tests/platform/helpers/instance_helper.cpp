// An instance of the program as far as the instance lock goes. It prints
//   <true|false>          the answer of PreviousInstanceRunning()
//   <lock path>           InstanceLockPath(), empty when there is none
// and then obeys lines on stdin until it closes:
//   again                 prints the answer once more
//   spawn                 starts "sleep 600" and prints its process id

#include "platform/Processes.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

void PrintAnswer()
{
    std::printf("%s\n", platform::PreviousInstanceRunning() ? "true" : "false");
}

// A plain fork and exec, as any program the saver starts: it would inherit every
// descriptor not marked close-on-exec.
void SpawnSleeper()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::execlp("sleep", "sleep", "600", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    std::printf("%d\n", int(child));
}

} // namespace

int main()
{
    PrintAnswer();
    std::printf("%s\n", platform::InstanceLockPath().toLocal8Bit().constData());
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strcmp(line, "again\n") == 0)
            PrintAnswer();
        else if (std::strcmp(line, "spawn\n") == 0)
            SpawnSleeper();
        std::fflush(stdout);
    }
    return 0;
}
