#pragma once

#include <QString>

namespace platform {

// True when another instance of the program is running for this user.
// The first call also registers this process as a running instance for as long as it
// lives: a kernel lock on a file in $XDG_RUNTIME_DIR, released when the process ends,
// however it ends.
bool PreviousInstanceRunning();

// The lock file the instances share (tests point XDG_RUNTIME_DIR elsewhere).
QString InstanceLockPath();

} // namespace platform
