#pragma once

#include <QString>

// Documents the program shows in the desktop's own viewer (the read-me).
namespace platform {

// Hands the file to the desktop's default program for its type. False when the file
// does not exist or no program could be started for it.
bool OpenWithDefaultViewer(const QString &path);

// The read-me installed with the program (see ReadMeBeside), for the folder that really
// holds it: bin/lumidex is a link to libexec/xscreensaver/lumidex.
QString InstalledReadMe();

// The read-me that belongs to a program in the given folder: share/doc/lumidex/ReadMe.txt
// beside that folder (<prefix>/bin, and the build tree, which has the same shape:
// build/app/lumidex, build/share/doc/lumidex/ReadMe.txt), else beside its parent
// (<prefix>/libexec/xscreensaver). When neither exists, the first of the two.
QString ReadMeBeside(const QString &programFolder);

} // namespace platform
