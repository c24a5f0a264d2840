#include "platform/Drives.h"

#include "platform/Pictures.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <dirent.h>

namespace platform {

namespace {

// The kernel writes blanks, tabs, line feeds and backslashes in a mount point as octal
// escapes ("\040").
QString UnescapeMountPoint(const QByteArray &field)
{
    const auto isOctal = [&](qsizetype at) { return field[at] >= '0' && field[at] <= '7'; };
    QByteArray path;
    path.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) &&
            isOctal(i + 3)) {
            path +=
                char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            path += field[i];
        }
    }
    return QString::fromUtf8(path);
}

bool IsUnder(const QString &path, const QString &folder)
{
    return path == folder || folder == u'/' || path.startsWith(folder + u'/');
}

bool IsVolumeMountPoint(const QString &path)
{
    static const QStringList volumeFolders = {QStringLiteral("/media"),
                                              QStringLiteral("/run/media"), QStringLiteral("/mnt")};
    for (const QString &folder : volumeFolders) {
        if (IsUnder(path, folder))
            return true;
    }
    return false;
}

bool IsDriveLetterForm(const QString &text)
{
    if (text.isEmpty())
        return false;
    const char16_t first = text[0].unicode();
    if (!((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z')))
        return false;
    return text.size() == 1 || text[1] == u':';
}

} // namespace

QStringList DriveRootsIn(const QByteArray &mountTable)
{
    QStringList volumes;
    for (const QByteArray &line : mountTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QString mountPoint = QDir::cleanPath(UnescapeMountPoint(fields[1]));
        if (IsVolumeMountPoint(mountPoint) && !volumes.contains(mountPoint))
            volumes.append(mountPoint);
    }
    volumes.sort();
    volumes.prepend(QStringLiteral("/"));
    return volumes;
}

QStringList DriveRoots()
{
    // /proc files report a size of 0: read to the end instead of by size.
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return {QStringLiteral("/")};
    return DriveRootsIn(mounts.readAll());
}

QString RootOf(const QString &folder, const QStringList &roots)
{
    QString best = QStringLiteral("/");
    for (const QString &root : roots) {
        if (root.size() > best.size() && IsUnder(folder, root))
            best = root;
    }
    return best;
}

QString DriveFolder(const QString &storedDrive)
{
    const QString text = storedDrive.trimmed();
    if (text.isEmpty() || IsDriveLetterForm(text))
        return QStringLiteral("/");
    QString folder = QDir::cleanPath(LinuxFolder(text));
    if (!folder.startsWith(u'/'))
        folder.prepend(u'/');
    return folder;
}

bool ListingDenied(const QString &folder)
{
    DIR *entries = ::opendir(QFile::encodeName(folder).constData());
    if (!entries)
        return errno == EACCES;
    ::closedir(entries);
    return false;
}

} // namespace platform
