#include "platform/NativeSurface.h"

#include "platform/Pictures.h"
#include "platform/XcbSupport.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace platform {

namespace {

using xcb::Fetch;

// The only pixels drawn here: a 24-bit TrueColor visual stored as 32-bit words whose bytes
// are laid out as QImage::Format_RGB32 keeps them in memory, so images go as they are.
constexpr quint8 Depth = 24;

bool IsRgb32Visual(const xcb_setup_t *setup, xcb_visualid_t visual)
{
    const quint8 hostOrder =
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != hostOrder)
        return false;
    bool wordPixels = false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
         xcb_format_next(&formats)) {
        if (formats.data->depth == Depth)
            wordPixels = formats.data->bits_per_pixel == 32;
    }
    if (!wordPixels)
        return false;
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths)) {
            if (depths.data->depth != Depth)
                continue;
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t *type = visuals.data;
                if (type->visual_id == visual)
                    return type->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           type->red_mask == 0xff0000 && type->green_mask == 0x00ff00 &&
                           type->blue_mask == 0x0000ff;
            }
        }
    }
    return false;
}

quint32 PixelOf(QRgb colour)
{
    return colour & 0xffffff;
}

WId CurrentXWindow(const QWidget *widget)
{
    const QWindow *handle = widget->windowHandle();
    return handle && handle->handle() ? handle->winId() : 0;
}

// The window's device pixel ratio when it is a whole number, else 0.
int WholeRatio(const QWidget *widget)
{
    const qreal ratio = widget->windowHandle()->devicePixelRatio();
    return ratio >= 1 && qFuzzyCompare(ratio, std::round(ratio)) ? int(std::round(ratio)) : 0;
}

} // namespace

bool NativeSurface::Available()
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection)
        return false;
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const auto screen = xcb_setup_roots_iterator(setup);
    return screen.rem && screen.data->root_depth == Depth &&
           IsRgb32Visual(setup, screen.data->root_visual);
}

std::unique_ptr<NativeSurface> NativeSurface::For(const QWidget *widget)
{
    xcb_connection_t *connection = xcb::Connection();
    const WId window = widget ? CurrentXWindow(widget) : 0;
    const int ratio = window ? WholeRatio(widget) : 0;
    if (!connection || !window || ratio == 0)
        return nullptr;
    const auto attributesCookie = xcb_get_window_attributes(connection, xcb_window_t(window));
    const auto geometryCookie = xcb_get_geometry(connection, xcb_window_t(window));
    const auto attributes = Fetch<xcb_get_window_attributes_reply_t>(
        connection, attributesCookie, xcb_get_window_attributes_reply);
    const auto geometry =
        Fetch<xcb_get_geometry_reply_t>(connection, geometryCookie, xcb_get_geometry_reply);
    if (!attributes || !geometry || geometry->depth != Depth ||
        !IsRgb32Visual(xcb_get_setup(connection), attributes->visual))
        return nullptr;
    return std::unique_ptr<NativeSurface>(
        new NativeSurface(quint32(window), geometry->depth, ratio));
}

NativeSurface::NativeSurface(quint32 window, quint8 depth, int ratio)
    : m_window(window), m_depth(depth), m_ratio(ratio), m_gc(0)
{
    xcb_connection_t *connection = xcb::Connection();
    m_gc = xcb_generate_id(connection);
    // No GraphicsExpose/NoExpose events: the copies come from pixmaps, never obscured.
    const quint32 values[] = {PixelOf(m_background), 0};
    xcb_create_gc(connection, m_gc, m_window, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES,
                  values);
}

NativeSurface::~NativeSurface()
{
    // With the connection gone (the application ended) the server has freed them already.
    xcb_connection_t *connection = xcb::Connection();
    if (!connection)
        return;
    for (Image &image : m_images)
        Release(image);
    xcb_free_gc(connection, m_gc);
}

bool NativeSurface::drawsInto(const QWidget *widget) const
{
    return CurrentXWindow(widget) == m_window && WholeRatio(widget) == m_ratio;
}

QRect NativeSurface::Device(const QRect &logical) const
{
    return QRect(logical.topLeft() * m_ratio, logical.size() * m_ratio);
}

void NativeSurface::setBackground(const QColor &colour)
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection || (m_backgroundSet && colour.rgb() == m_background))
        return;
    m_backgroundSet = true;
    m_background = colour.rgb();
    const quint32 pixel = PixelOf(m_background);
    xcb_change_window_attributes(connection, m_window, XCB_CW_BACK_PIXEL, &pixel);
    xcb_change_gc(connection, m_gc, XCB_GC_FOREGROUND, &pixel);
}

void NativeSurface::fill(const QRegion &region)
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection || region.isEmpty())
        return;
    // In batches from the stack: a tick fills a few rectangles and allocates nothing.
    constexpr quint32 BatchSize = 32;
    xcb_rectangle_t batch[BatchSize];
    quint32 count = 0;
    for (const QRect &logical : region) {
        const QRect rect = Device(logical);
        batch[count++] = {qint16(rect.x()), qint16(rect.y()), quint16(rect.width()),
                          quint16(rect.height())};
        if (count == BatchSize) {
            xcb_poly_fill_rectangle(connection, m_window, m_gc, count, batch);
            count = 0;
        }
    }
    if (count > 0)
        xcb_poly_fill_rectangle(connection, m_window, m_gc, count, batch);
}

void NativeSurface::draw(int slot, const QPixmap &pixmap, const QPoint &at, const QRegion &clip)
{
    xcb_connection_t *connection = xcb::Connection();
    if (!connection || pixmap.isNull() || slot < 0)
        return;
    if (size_t(slot) >= m_images.size())
        m_images.resize(size_t(slot) + 1);
    Image &image = m_images[size_t(slot)];
    if (image.pixmap == 0 || image.key != pixmap.cacheKey() || image.background != m_background)
        Upload(image, pixmap);
    const QRect place(at * m_ratio, image.size);
    for (const QRect &rect : clip) {
        const QRect part = Device(rect) & place;
        if (part.isEmpty())
            continue;
        xcb_copy_area(connection, image.pixmap, m_window, m_gc, qint16(part.x() - place.x()),
                      qint16(part.y() - place.y()), qint16(part.x()), qint16(part.y()),
                      quint16(part.width()), quint16(part.height()));
    }
}

void NativeSurface::flush()
{
    if (xcb_connection_t *connection = xcb::Connection())
        xcb_flush(connection);
}

// Composed over the background as a painter on the window would draw it, then sent in
// bands that each fit one request.
void NativeSurface::Upload(Image &image, const QPixmap &pixmap)
{
    xcb_connection_t *connection = xcb::Connection();
    Release(image);
    // At the surface's ratio: pixel for pixel from a pixmap rendered for it, enlarged from
    // one that was not.
    QImage pixels((pixmap.deviceIndependentSize() * m_ratio)
                      .toSize()
                      .boundedTo(QSize(LargestDrawnSide, LargestDrawnSide)),
                  QImage::Format_RGB32);
    pixels.setDevicePixelRatio(m_ratio);
    pixels.fill(m_background);
    {
        QPainter painter(&pixels);
        painter.drawPixmap(0, 0, pixmap);
    }
    image.pixmap = xcb_generate_id(connection);
    image.key = pixmap.cacheKey();
    image.background = m_background;
    image.size = pixels.size();
    xcb_create_pixmap(connection, m_depth, image.pixmap, m_window, quint16(pixels.width()),
                      quint16(pixels.height()));

    constexpr quint32 RequestHeader = 24; // bytes of a PutImage request before its data
    const quint32 maxBytes = xcb_get_maximum_request_length(connection) * 4;
    const int rowBytes = int(pixels.bytesPerLine());
    const int bandRows = std::max(1, int((maxBytes - RequestHeader) / quint32(rowBytes)));
    for (int top = 0; top < pixels.height(); top += bandRows) {
        const int rows = std::min(bandRows, pixels.height() - top);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, image.pixmap, m_gc,
                      quint16(pixels.width()), quint16(rows), 0, qint16(top), 0, m_depth,
                      quint32(rows * rowBytes), pixels.constScanLine(top));
    }
}

void NativeSurface::Release(Image &image)
{
    xcb_connection_t *connection = xcb::Connection();
    if (image.pixmap != 0 && connection)
        xcb_free_pixmap(connection, image.pixmap);
    image.pixmap = 0;
}

} // namespace platform
