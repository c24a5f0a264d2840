#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Drives on a system without drive letters: the roots a person picks pictures from are
// "/" and the volumes mounted where removable and extra disks go.
namespace platform {

// The drive roots a mount table (the format of /proc/self/mounts) offers: "/" first, then
// the mount points at or under /media, /run/media and /mnt, sorted, each once.
QStringList DriveRootsIn(const QByteArray &mountTable);

// The drive roots of this system as they are mounted now.
QStringList DriveRoots();

// The root among `roots` that an absolute folder lies on: the longest one that is the
// folder or one of its ancestors; "/" when none is.
QString RootOf(const QString &folder, const QStringList &roots);

// The Linux folder a stored drive text names. Drives stored in the Windows form ("c",
// "c:", "c:\", "d:") name "/", as stored folders of that form name folders under "/";
// any other text is a Linux path already, cleaned.
QString DriveFolder(const QString &storedDrive);

// Whether the folder's mode forbids this user to list it: it then lists as empty, which
// says nothing of why.
bool ListingDenied(const QString &folder);

} // namespace platform
