#include "platform/Pictures.h"

#include "platform/RegularFile.h"
#include "platform/WmfPicture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Bytes per pixel of the widest form a picture is held in (32-bit colour).
constexpr qint64 BytesPerPixel = 4;
// Larger files are refused unread. A largest picture (64 M pixels) stored uncompressed in
// 24-bit colour takes 192 MiB.
constexpr qint64 LargestFileBytes = 256LL * 1024 * 1024;

enum class Kind { Unknown, Jpeg, Bmp, Gif, Wmf };

// By content: the name's extension says nothing reliable about what a file holds.
Kind KindOf(const QByteArray &data)
{
    if (data.startsWith("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    if (data.startsWith("BM"))
        return Kind::Bmp;
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return Kind::Gif;
    if (LooksLikeWmf(data))
        return Kind::Wmf;
    return Kind::Unknown;
}

// A cut-off JPEG decodes without an error (the decoder pads it with grey), so look for
// the end-of-image marker after the last scan. An embedded thumbnail ends earlier and
// does not count; the marker bytes cannot occur inside the compressed data.
bool JpegIsComplete(const QByteArray &data)
{
    const qsizetype lastScan = data.lastIndexOf("\xFF\xDA");
    return lastScan >= 0 && data.indexOf("\xFF\xD9", lastScan) > lastScan;
}

// Qt also decodes a cut-off BMP or GIF without an error, padding what is missing; so
// check that the pixels are all there. An uncompressed BMP's pixel data has a known size:
// its headers (`data`) and the file's size tell.
bool BmpIsComplete(const QByteArray &data, qint64 fileBytes)
{
    constexpr qsizetype CoreHeaderEnd = 26;
    constexpr qsizetype InfoHeaderEnd = 54;
    if (data.size() < CoreHeaderEnd)
        return false;
    const quint32 pixelsAt = qFromLittleEndian<quint32>(data.constData() + 10);
    const quint32 headerBytes = qFromLittleEndian<quint32>(data.constData() + 14);
    qint64 width = 0;
    qint64 height = 0;
    int bitsPerPixel = 0;
    if (headerBytes == 12) { // OS/2 core header
        width = qFromLittleEndian<quint16>(data.constData() + 18);
        height = qFromLittleEndian<quint16>(data.constData() + 20);
        bitsPerPixel = qFromLittleEndian<quint16>(data.constData() + 24);
    } else {
        if (data.size() < InfoHeaderEnd)
            return false;
        const quint32 compression = qFromLittleEndian<quint32>(data.constData() + 30);
        if (compression != 0 && compression != 3 && compression != 6)
            return true; // run-length coded: its size is not known in advance
        width = qAbs(qint64(qFromLittleEndian<qint32>(data.constData() + 18)));
        height = qAbs(qint64(qFromLittleEndian<qint32>(data.constData() + 22)));
        bitsPerPixel = qFromLittleEndian<quint16>(data.constData() + 28);
    }
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const qint64 available = fileBytes - qint64(pixelsAt);
    return available >= 0 && (height == 0 || rowBytes <= available / height);
}

// A GIF's first picture ends with an empty data block; everything before it must be there.
bool GifFirstFrameIsComplete(const QByteArray &data)
{
    const auto byte = [&](qsizetype at) { return at < data.size() ? quint8(data[at]) : -1; };
    // Skips a chain of data blocks; the position after its terminator, or -1.
    const auto skipBlocks = [&](qsizetype at) -> qsizetype {
        for (int length = byte(at); length != 0; length = byte(at)) {
            if (length < 0)
                return -1;
            at += length + 1;
        }
        return at + 1;
    };
    const auto colourTableBytes = [](int flags) {
        return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0;
    };
    if (byte(12) < 0)
        return false;
    qsizetype at = 13 + colourTableBytes(byte(10));
    while (at >= 0 && at < data.size()) {
        switch (byte(at)) {
        case 0x21: // extension: label, then data blocks
            at = skipBlocks(at + 2);
            break;
        case 0x2C: { // picture: descriptor, colour table, code size, data blocks
            const int flags = byte(at + 9);
            if (flags < 0)
                return false;
            const qsizetype end = skipBlocks(at + 10 + colourTableBytes(flags) + 1);
            return end > 0 && end <= data.size();
        }
        default:
            return false;
        }
    }
    return false;
}

// Qt refuses to decode more than 128 MB by default, less than the largest picture takes.
void LimitQtAllocations()
{
    static const bool once = [] {
        QImageReader::setAllocationLimit(int(LargestPicturePixels * BytesPerPixel >> 20));
        return true;
    }();
    Q_UNUSED(once);
}

// Within `largest` (when given, and larger than nothing) the picture keeps its size;
// beyond it, it is decoded reduced to fit. JPEG reduces while decoding, so a photograph of
// any size costs no more than the screen; other formats are decoded whole first.
QImage ReadWithQt(QIODevice &device, const char *format, QSize largest)
{
    QImageReader reader(&device, format);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size(); // from the header alone: refuse before decoding
    if (size.isEmpty())
        return {};
    QSize wanted = size;
    if (!largest.isEmpty() && size.boundedTo(largest) != size)
        wanted = size.scaled(largest, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const bool reducesWhileDecoding =
        wanted != size && reader.supportsOption(QImageIOHandler::ScaledSize);
    if (!reducesWhileDecoding && qint64(size.width()) * size.height() > LargestPicturePixels)
        return {};
    if (wanted != size)
        reader.setScaledSize(wanted);
    QImage image;
    if (!reader.read(&image) || image.size() != wanted)
        return {};
    return image;
}

// The largest headers any check looks at before decoding.
constexpr qint64 HeaderBytes = 64;

QImage Decode(QFile &file, QSize largest)
{
    // A BMP is mostly pixels: read from the file as it is decoded, not copied whole first.
    const QByteArray head = file.peek(HeaderBytes);
    if (KindOf(head) == Kind::Bmp)
        return BmpIsComplete(head, file.size()) ? ReadWithQt(file, "bmp", largest) : QImage();

    QByteArray data = file.readAll();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    switch (KindOf(data)) {
    case Kind::Jpeg:
        return JpegIsComplete(data) ? ReadWithQt(buffer, "jpeg", largest) : QImage();
    case Kind::Gif:
        return GifFirstFrameIsComplete(data) ? ReadWithQt(buffer, "gif", largest) : QImage();
    case Kind::Wmf:
        return RenderWmf(data, LargestPicturePixels);
    case Kind::Bmp:
    case Kind::Unknown:
        break;
    }
    return {};
}

bool IsDriveForm(const QString &text)
{
    if (text.size() < 2 || text[1] != u':')
        return false;
    const char16_t letter = text[0].unicode();
    const bool isLetter = (letter >= u'a' && letter <= u'z') || (letter >= u'A' && letter <= u'Z');
    return isLetter && (text.size() == 2 || text[2] == u'\\' || text[2] == u'/');
}

// Whether the file's mode forbids this user to read it. The effective user counts, as it
// does when the file is opened.
bool ReadingDenied(const QString &path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK, AT_EACCESS) != 0 &&
           errno == EACCES;
}

// Opens the file only if it is a regular one within the largest size.
bool OpenPictureFile(const QString &path, QFile &file)
{
    struct stat status = {};
    const int fd = OpenRegularFile(path, status);
    if (fd >= 0 && status.st_size <= LargestFileBytes)
        return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    if (fd >= 0)
        ::close(fd);
    return false;
}

} // namespace

QString LinuxFolder(const QString &storedFolder)
{
    if (storedFolder.isEmpty())
        return QStringLiteral("/");
    if (!IsDriveForm(storedFolder))
        return storedFolder;
    QString folder = storedFolder.mid(2).replace(u'\\', u'/');
    if (!folder.startsWith(u'/'))
        folder.prepend(u'/');
    return folder;
}

QString PicturePath(const QString &storedFolder, const QString &name)
{
    QString path = LinuxFolder(storedFolder);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + name;
}

core::Converted<QImage> LoadPicture(const QString &path, QSize largest)
{
    using Result = core::Converted<QImage>;
    if (path.isEmpty())
        return Result::fail(core::FileNotFound);
    const QFileInfo info(path);
    if (!QFileInfo(info.absolutePath()).isDir())
        return Result::fail(core::PathNotFound);
    if (!info.exists() || info.isDir())
        return Result::fail(core::FileNotFound);
    // A FIFO would wait for a writer and a device never ends: neither is opened.
    if (!info.isFile())
        return Result::fail(core::InvalidPicture);

    LimitQtAllocations();
    QFile file;
    if (!OpenPictureFile(path, file))
        return Result::fail(ReadingDenied(path) ? core::PermissionDenied : core::InvalidPicture);
    const QImage image = Decode(file, largest);
    if (image.isNull())
        return Result::fail(core::InvalidPicture);
    return Result::success(image);
}

} // namespace platform
