#include "platform/WmfPicture.h"

#include <QDeadlineTimer>
#include <QSize>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <libwmf/api.h>
#include <libwmf/gd.h>

// libwmf is old C and trusts its input more than it should. Everything it is handed is
// checked here first, its status is checked after every call, and its own allocations
// and play time are capped, so a hostile file ends in a null image, not a crash or hang.
namespace platform {

namespace {

constexpr double ScreenDpi = 96.0;
constexpr int LargestSide = 32767;
constexpr std::size_t LibraryMemoryBudget = 256u << 20;
constexpr int PlayTimeLimitMs = 10000;

constexpr quint32 PlaceableKey = 0x9AC6CDD7;
constexpr int PlaceableHeaderBytes = 22;
constexpr int StandardHeaderBytes = 18;

quint16 Word(const QByteArray &data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
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

// The placeable header's bounding box at 96 dpi; nothing when it names no area.
std::optional<QSizeF> PlaceableSize(const QByteArray &data)
{
    const auto coordinate = [&](int at) { return static_cast<qint16>(Word(data, at)); };
    const int width = std::abs(coordinate(10) - coordinate(6));
    const int height = std::abs(coordinate(12) - coordinate(8));
    const quint16 unitsPerInch = Word(data, 14);
    if (width == 0 || height == 0 || unitsPerInch == 0)
        return std::nullopt;
    return QSizeF(width * ScreenDpi / unitsPerInch, height * ScreenDpi / unitsPerInch);
}

// Where a placeable metafile's box lies in libwmf's device units (points, from the
// logical origin the file sets). libwmf itself would stretch whatever was drawn over the
// whole picture and lose the margins; this keeps them. Nothing when the file sets its
// own mapping mode: then libwmf's box, from what was drawn, is the better guess.
std::optional<wmfD_Rect> PlaceableDeviceBox(const QByteArray &data)
{
    constexpr quint16 EndOfFile = 0x0000;
    constexpr quint16 SetMapMode = 0x0103;
    constexpr quint16 SetWindowOrigin = 0x020B;
    const auto coordinate = [&](qsizetype at) { return static_cast<qint16>(Word(data, at)); };
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
            originY = coordinate(at + 6);
            originX = coordinate(at + 8);
            originSet = true;
        }
        at += qsizetype(recordBytes);
    }
    const double pointsPerUnit = 72.0 / Word(data, 14);
    const double left = std::min(coordinate(6), coordinate(10));
    const double right = std::max(coordinate(6), coordinate(10));
    const double top = std::min(coordinate(8), coordinate(12));
    const double bottom = std::max(coordinate(8), coordinate(12));
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

std::optional<QSize> WholePixels(QSizeF size, qint64 largestPixels)
{
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()))
        return std::nullopt;
    const double width = std::round(size.width());
    const double height = std::round(size.height());
    if (width < 1 || height < 1 || width > LargestSide || height > LargestSide ||
        width * height > double(largestPixels))
        return std::nullopt;
    return QSize(int(width), int(height));
}

// libwmf's allocations, counted against a budget. Each block carries its size in front.
struct Budget
{
    std::size_t left = LibraryMemoryBudget;
};

constexpr std::size_t Prefix = alignof(std::max_align_t);

std::size_t BlockSize(void *memory)
{
    std::size_t size = 0;
    std::memcpy(&size, static_cast<unsigned char *>(memory) - Prefix, sizeof size);
    return size;
}

void *Allocate(void *context, std::size_t size)
{
    auto *budget = static_cast<Budget *>(context);
    if (size > budget->left)
        return nullptr;
    auto *block = static_cast<unsigned char *>(std::malloc(size + Prefix));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    budget->left -= size;
    return block + Prefix;
}

void *Reallocate(void *context, void *memory, std::size_t size)
{
    if (!memory)
        return Allocate(context, size);
    auto *budget = static_cast<Budget *>(context);
    const std::size_t old = BlockSize(memory);
    if (size > old && size - old > budget->left)
        return nullptr;
    auto *block = static_cast<unsigned char *>(
        std::realloc(static_cast<unsigned char *>(memory) - Prefix, size + Prefix));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    budget->left = budget->left + old - size;
    return block + Prefix;
}

void Release(void *context, void *memory)
{
    if (!memory)
        return;
    static_cast<Budget *>(context)->left += BlockSize(memory);
    std::free(static_cast<unsigned char *>(memory) - Prefix);
}

int StopWhenLate(void *context, float)
{
    return static_cast<QDeadlineTimer *>(context)->hasExpired() ? 1 : 0;
}

int AppendPng(void *context, char *buffer, int length)
{
    if (length > 0)
        static_cast<QByteArray *>(context)->append(buffer, length);
    return length;
}

struct DestroyApi
{
    void operator()(wmfAPI *api) const { wmf_api_destroy(api); }
};

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
    if (!RecordSizeFits(data, placeable ? PlaceableHeaderBytes : 0))
        return {};
    std::optional<QSizeF> naturalSize;
    if (placeable && !(naturalSize = PlaceableSize(data)))
        return {};

    Budget budget; // outlives the API, which frees into it when destroyed
    wmfAPI_Options options{};
    options.context = &budget;
    options.malloc = Allocate;
    options.realloc = Reallocate;
    options.free = Release;
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL |
                                WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI *created = nullptr;
    const wmf_error_t createError = wmf_api_create(&created, flags, &options);
    const std::unique_ptr<wmfAPI, DestroyApi> api(created);
    if (createError != wmf_E_None || !api)
        return {};
    wmf_gd_t *device = WMF_GD_GetData(api.get());
    if (!(device->flags & WMF_GD_SUPPORTS_PNG))
        return {};

    // libwmf only reads the buffer it is given.
    auto *bytes = reinterpret_cast<unsigned char *>(const_cast<char *>(data.constData()));
    wmfD_Rect box{};
    if (wmf_mem_open(api.get(), bytes, long(data.size())) != wmf_E_None ||
        wmf_scan(api.get(), 0, &box) != wmf_E_None)
        return {};
    if (!naturalSize) {
        float width = 0;
        float height = 0;
        if (wmf_size(api.get(), &width, &height) != wmf_E_None || !std::isfinite(width) ||
            !std::isfinite(height) || width <= 0 || height <= 0 || width > 1e7f ||
            height > 1e7f)
            return {};
        unsigned int displayWidth = 0;
        unsigned int displayHeight = 0;
        if (wmf_display_size(api.get(), &displayWidth, &displayHeight, ScreenDpi, ScreenDpi) !=
            wmf_E_None)
            return {};
        naturalSize = QSizeF(displayWidth, displayHeight);
    }
    const std::optional<QSize> size = WholePixels(*naturalSize, largestPixels);
    if (!size)
        return {};

    // The gd device draws on white and hands over a PNG, which libwmf then frees itself.
    QByteArray png;
    device->type = wmf_gd_png;
    device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
    device->sink.context = &png;
    device->sink.function = AppendPng;
    device->bbox = placeable ? PlaceableDeviceBox(data).value_or(box) : box;
    device->width = unsigned(size->width());
    device->height = unsigned(size->height());
    QDeadlineTimer deadline(PlayTimeLimitMs);
    wmf_status_function(api.get(), &deadline, StopWhenLate);
    if (wmf_play(api.get(), 0, &box) != wmf_E_None)
        return {};
    wmf_mem_close(api.get());

    QImage image;
    if (!image.loadFromData(png, "PNG") || image.size() != *size)
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace platform
