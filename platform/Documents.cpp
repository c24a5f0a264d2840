#include "platform/Documents.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace platform {

bool OpenWithDefaultViewer(const QString &path)
{
    // The desktop's opener reports success as soon as it has started, even for a file
    // that is not there: check first, so a missing file is told to the user.
    if (!QFileInfo(path).isFile())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString InstalledReadMe()
{
    return ReadMeBeside(QCoreApplication::applicationDirPath());
}

QString ReadMeBeside(const QString &programFolder)
{
    // bin/ (and the build tree's app/) sit one level below the prefix; an XScreenSaver
    // program sits two, in libexec/xscreensaver/.
    const QString nearby =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/doc/lumidex/ReadMe.txt"));
    if (QFileInfo(nearby).isFile())
        return nearby;
    const QString hackFolder =
        QDir::cleanPath(programFolder + QStringLiteral("/../../share/doc/lumidex/ReadMe.txt"));
    if (QFileInfo(hackFolder).isFile())
        return hackFolder;
    // Neither is there: name the usual place, so the user is told where it was looked for.
    return nearby;
}

} // namespace platform
