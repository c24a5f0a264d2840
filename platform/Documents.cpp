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
    return QDir::cleanPath(programFolder + QStringLiteral("/../share/doc/lumidex/ReadMe.txt"));
}

} // namespace platform
