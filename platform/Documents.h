#pragma once

#include <QString>

// Documents the program shows in the desktop's own viewer (the read-me).
namespace platform {

// Hands the file to the desktop's default program for its type. False when the file
// does not exist or no program could be started for it.
bool OpenWithDefaultViewer(const QString &path);

// The read-me installed with the program: share/doc/lumidex/ReadMe.txt beside the
// folder that holds the program.
QString InstalledReadMe();

// The read-me that belongs to a program in the given folder. The build tree has the same
// shape as an installation (build/app/lumidex, build/share/doc/lumidex/ReadMe.txt).
QString ReadMeBeside(const QString &programFolder);

} // namespace platform
