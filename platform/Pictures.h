#pragma once

#include "core/Failure.h"

#include <QImage>
#include <QSize>
#include <QString>

// Picture files: JPEG, BMP, GIF and WMF.
namespace platform {

// The folder a stored picture folder names on this system. Folders stored in the
// Windows form name the same folder under "/": "c:\" is "/", "c:\Pictures\" is
// "/Pictures/", "d:\My Pictures" is "/My Pictures". Other texts are Linux paths already.
QString LinuxFolder(const QString &storedFolder);

// The picture file a stored folder and file name name: the folder, a "/" added when it
// does not end in one, then the name. An empty folder is the root folder.
QString PicturePath(const QString &storedFolder, const QString &name);

// Loads a picture at its natural size, or, when `largest` is given and the picture is
// larger, reduced to fit within it (a JPEG already while decoding). Fails with
// PathNotFound when its folder does not exist, FileNotFound when the file does not,
// PermissionDenied when this user may not read it, InvalidPicture when the file is not a
// picture this program reads, is too large to hold in memory, or is no regular file (a FIFO
// or a device, which is never opened).
core::Converted<QImage> LoadPicture(const QString &path, QSize largest = QSize());

// The largest picture LoadPicture accepts, in pixels (width x height).
inline constexpr qint64 LargestPicturePixels = 64LL * 1024 * 1024;

// The widest and highest anything is drawn, in the screen's pixels: as far as X11's 16-bit
// coordinates reach. A pixmap beyond it is never shown.
inline constexpr int LargestDrawnSide = 32767;

} // namespace platform
