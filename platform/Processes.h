#pragma once

#include <QString>

namespace platform {

// True when another instance of the program is running for this user.
// The first call also registers this process as a running instance for as long as it
// lives: a kernel lock on a file in $XDG_RUNTIME_DIR, released when the process ends,
// however it ends.
bool PreviousInstanceRunning();

// Before Qt starts: when XDG_RUNTIME_DIR names no private folder (a host such as MATE's
// screen saver passes none), points it at the one the instance lock falls back to, so
// that Qt writes no warning into the host's log.
void UsePrivateRuntimeFolder();

// The lock file the instances share (tests point XDG_RUNTIME_DIR elsewhere).
QString InstanceLockPath();

} // namespace platform
