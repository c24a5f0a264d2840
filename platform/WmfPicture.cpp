#include "platform/WmfPicture.h"

#include "platform/Pictures.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <libwmf/api.h>
#include <libwmf/gd.h>

// libwmf is old C that trusts its input: hostile records can make it spend minutes on one
// record or allocate gigabytes for one glyph, and its status checks between calls cannot
// stop that. So it runs in a child process of its own, with a cap on memory and a time
// limit, and hands back a PNG through a pipe. Whatever happens there, this process only
// sees a picture or nothing.
namespace platform {

namespace {

constexpr double ScreenDpi = 96.0;
constexpr int TimeLimitMs = 5000;
// Room beyond what the process already maps: the drawing, libwmf's own data, fonts.
constexpr rlim_t MemoryAllowance = rlim_t(1) << 30;

constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr int PlaceableHeaderBytes = 22;
constexpr int StandardHeaderBytes = 18;

quint16 Word(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

qint16 Coordinate(const QByteArray &data, qsizetype at)
{
    return static_cast<qint16>(Word(data, at));
}

quint32 DoubleWord(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

bool IsStandardHeader(const QByteArray &data, qsizetype at)
{
    if (data.size() < at + StandardHeaderBytes)
        return false;
    const quint16 type = Word(data, at);
    const quint16 version = Word(data, at + 4);
    return (type == 1 || type == 2) && Word(data, at + 2) == 9 &&
           (version == 0x0100 || version == 0x0300);
}

bool IsPlaceable(const QByteArray &data)
{
    return data.size() >= 4 && DoubleWord(data, 0) == PlaceableKey;
}

// The placeable header's box at 96 dpi; nothing when it names no area.
std::optional<QSizeF> PlaceableSize(const QByteArray &data)
{
    const int width = std::abs(Coordinate(data, 10) - Coordinate(data, 6));
    const int height = std::abs(Coordinate(data, 12) - Coordinate(data, 8));
    const quint16 unitsPerInch = Word(data, 14);
    if (width == 0 || height == 0 || unitsPerInch == 0)
        return std::nullopt;
    return QSizeF(width * ScreenDpi / unitsPerInch, height * ScreenDpi / unitsPerInch);
}

// Where a placeable metafile's box lies in libwmf's device units (points, counted from
// the window origin the file sets). libwmf's own box covers only what was drawn, and
// stretching that over the picture would lose the margins. Nothing when the file sets
// its own mapping mode: then the drawn area is the better guess.
std::optional<wmfD_Rect> PlaceableDeviceBox(const QByteArray &data)
{
    constexpr quint16 EndOfFile = 0x0000;
    constexpr quint16 SetMapMode = 0x0103;
    constexpr quint16 SetWindowOrigin = 0x020B;
    double originX = 0;
    double originY = 0;
    bool originSet = false;
    qsizetype at = PlaceableHeaderBytes + StandardHeaderBytes;
    while (at + 6 <= data.size()) {
        const quint64 recordBytes = quint64(DoubleWord(data, at)) * 2;
        const quint16 function = Word(data, at + 4);
        if (recordBytes < 6 || function == EndOfFile || recordBytes > quint64(data.size() - at))
            break;
        if (function == SetMapMode)
            return std::nullopt;
        if (function == SetWindowOrigin && !originSet && recordBytes >= 10) {
            originY = Coordinate(data, at + 6);
            originX = Coordinate(data, at + 8);
            originSet = true;
        }
        at += qsizetype(recordBytes);
    }
    const double pointsPerUnit = 72.0 / Word(data, 14);
    const double left = std::min(Coordinate(data, 6), Coordinate(data, 10));
    const double right = std::max(Coordinate(data, 6), Coordinate(data, 10));
    const double top = std::min(Coordinate(data, 8), Coordinate(data, 12));
    const double bottom = std::max(Coordinate(data, 8), Coordinate(data, 12));
    wmfD_Rect box{};
    box.TL.x = float((left - originX) * pointsPerUnit);
    box.TL.y = float((top - originY) * pointsPerUnit);
    box.BR.x = float((right - originX) * pointsPerUnit);
    box.BR.y = float((bottom - originY) * pointsPerUnit);
    return box;
}

// The largest record is read into one buffer; a claim beyond the file is a lie.
bool RecordSizeFits(const QByteArray &data, qsizetype headerAt)
{
    const quint64 largestRecordBytes = quint64(DoubleWord(data, headerAt + 12)) * 2;
    return largestRecordBytes <= quint64(data.size());
}

bool Fits(QSize size, qint64 largestPixels)
{
    return !size.isEmpty() && size.width() <= LargestDrawnSide &&
           size.height() <= LargestDrawnSide &&
           qint64(size.width()) * size.height() <= largestPixels;
}

std::optional<QSize> WholePixels(QSizeF size, qint64 largestPixels)
{
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()) ||
        size.width() > LargestDrawnSide || size.height() > LargestDrawnSide)
        return std::nullopt;
    const QSize pixels(int(std::round(size.width())), int(std::round(size.height())));
    return Fits(pixels, largestPixels) ? std::optional(pixels) : std::nullopt;
}

// ---- In the child process ----

int WriteToPipe(void *context, char *buffer, int length)
{
    const int out = *static_cast<int *>(context);
    for (int written = 0; written < length;) {
        const ssize_t now = ::write(out, buffer + written, size_t(length - written));
        if (now < 0 && errno != EINTR)
            return 0;
        written += int(std::max<ssize_t>(now, 0));
    }
    return length;
}

// Draws the metafile and writes it to out as a PNG; false when libwmf fails anywhere.
bool DrawAsPng(const QByteArray &data, qint64 largestPixels, int out)
{
    const bool placeable = IsPlaceable(data);
    std::optional<QSizeF> naturalSize = placeable ? PlaceableSize(data) : std::nullopt;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI *api = nullptr;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None || !api)
        return false;
    wmf_gd_t *device = WMF_GD_GetData(api);
    if (!(device->flags & WMF_GD_SUPPORTS_PNG))
        return false;

    // libwmf only reads the buffer it is given.
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(data.constData()));
    wmfD_Rect drawn{};
    if (wmf_mem_open(api, bytes, long(data.size())) != wmf_E_None ||
        wmf_scan(api, 0, &drawn) != wmf_E_None)
        return false;
    if (!naturalSize) {
        float width = 0;
        float height = 0;
        unsigned int displayWidth = 0;
        unsigned int displayHeight = 0;
        // wmf_display_size converts to whole numbers unchecked: keep its input sane.
        if (wmf_size(api, &width, &height) != wmf_E_None || !(width > 0 && width < 1e6f) ||
            !(height > 0 && height < 1e6f) ||
            wmf_display_size(api, &displayWidth, &displayHeight, ScreenDpi, ScreenDpi) !=
                wmf_E_None)
            return false;
        naturalSize = QSizeF(displayWidth, displayHeight);
    }
    const std::optional<QSize> size = WholePixels(*naturalSize, largestPixels);
    if (!size)
        return false;

    device->type = wmf_gd_png;
    device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
    device->sink.context = &out;
    device->sink.function = WriteToPipe;
    device->bbox = placeable ? PlaceableDeviceBox(data).value_or(drawn) : drawn;
    device->width = unsigned(size->width());
    device->height = unsigned(size->height());
    return wmf_play(api, 0, &drawn) == wmf_E_None;
}

// Runs in the forked child: only libwmf, malloc and write() from here on, and _exit, so
// that nothing of the parent's (Qt's state, stdio buffers, atexit handlers) runs twice.
// It dies with the parent however that ends (a host's SIGTERM, a crash): the kernel kills
// it when the thread that forked it ends, which waits for it here and so ends only with
// the process. A parent that ended before prctl took effect shows in getppid().
[[noreturn]] void RunChild(const QByteArray &data, qint64 largestPixels, int out, rlim_t memory,
                           pid_t parent)
{
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        _exit(1);
    const rlimit limit{memory, memory};
    setrlimit(RLIMIT_AS, &limit);
    _exit(DrawAsPng(data, largestPixels, out) ? 0 : 1);
}

// ---- In this process ----

rlim_t MappedBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const qulonglong pages = statm.readLine().split(' ').value(0).toULongLong();
    return rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
}

// Reads until the child closes the pipe; false on the time limit or too much data.
bool ReadAll(int in, QByteArray &into, qint64 largestBytes, const QDeadlineTimer &deadline)
{
    char chunk[65536];
    for (;;) {
        pollfd ready{in, POLLIN, 0};
        const int polled = ::poll(&ready, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        const ssize_t got = ::read(in, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        into.append(chunk, got);
        if (into.size() > largestBytes)
            return false;
    }
}

QByteArray DrawInChild(const QByteArray &data, qint64 largestPixels)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    const rlim_t memory = MappedBytes() + MemoryAllowance;
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        RunChild(data, largestPixels, fds[1], memory, parent);
    }
    ::close(fds[1]);
    QByteArray png;
    const bool complete = child > 0 && ReadAll(fds[0], png, largestPixels * 4 + (1 << 20),
                                               QDeadlineTimer(TimeLimitMs));
    ::close(fds[0]);
    if (child < 0)
        return {};
    if (!complete)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool drawn = complete && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return drawn ? png : QByteArray();
}

} // namespace

bool LooksLikeWmf(const QByteArray &data)
{
    return IsPlaceable(data) ? IsStandardHeader(data, PlaceableHeaderBytes)
                             : IsStandardHeader(data, 0);
}

QImage RenderWmf(const QByteArray &data, qint64 largestPixels)
{
    if (!LooksLikeWmf(data))
        return {};
    const bool placeable = IsPlaceable(data);
    if (!RecordSizeFits(data, placeable ? PlaceableHeaderBytes : 0) ||
        (placeable && !WholePixels(PlaceableSize(data).value_or(QSizeF()), largestPixels)))
        return {};

    QByteArray png = DrawInChild(data, largestPixels);
    if (png.isEmpty())
        return {};
    QBuffer buffer(&png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image;
    if (!Fits(reader.size(), largestPixels) || !reader.read(&image))
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace platform
