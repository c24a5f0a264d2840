#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QtGlobal>
#include <memory>
#include <vector>

class QWidget;

namespace platform {

// Draws into a widget's X11 window itself, for a widget that paints on screen
// (Qt::WA_PaintOnScreen, a null paintEngine()). Qt's alternative, a backing store, is an
// image of the whole window in our memory (33 MB at 3840 x 2160) that the first paint
// fills and sends whole. Here the X server fills the window with the background, and each
// image is sent to the server once and copied into place there.
class NativeSurface
{
public:
    // Whether surfaces can be had at all: an X server whose screen takes 32-bit 0x00RRGGBB
    // pixels in this machine's byte order. Asked before the window exists.
    static bool Available();

    // A surface for the X window behind `widget` as it is now, or nothing when there is
    // none, it has pixels of another kind, or Qt scales it by a fraction (a device pixel
    // ratio of 1.5: logical edges would fall between the screen's pixels). A whole ratio
    // scales what is drawn: regions and places are logical, pixmaps hold screen pixels.
    static std::unique_ptr<NativeSurface> For(const QWidget *widget);
    ~NativeSurface();
    NativeSurface(const NativeSurface &) = delete;
    NativeSurface &operator=(const NativeSurface &) = delete;

    // False once Qt has given the widget another X window (or none), or another ratio.
    bool drawsInto(const QWidget *widget) const;

    // The colour the X server fills newly exposed parts with, and fill() uses.
    void setBackground(const QColor &colour);
    void fill(const QRegion &region);
    // Draws `pixmap` at `at`, over the background and only within `clip`. Held in `slot`,
    // it is sent to the server again only when it or the background changes.
    void draw(int slot, const QPixmap &pixmap, const QPoint &at, const QRegion &clip);
    // Sends what was drawn now rather than when Qt next waits for events.
    void flush();

private:
    struct Image
    {
        quint32 pixmap = 0; // the server's copy, 0 while there is none
        qint64 key = 0;     // QPixmap::cacheKey of what it holds
        QRgb background = 0;
        QSize size;
    };

    NativeSurface(quint32 window, quint8 depth, int ratio);
    QRect Device(const QRect &logical) const;
    void Upload(Image &image, const QPixmap &pixmap);
    void Release(Image &image);

    quint32 m_window;
    quint8 m_depth;
    int m_ratio; // screen pixels to a logical one
    quint32 m_gc;
    QRgb m_background = 0;
    bool m_backgroundSet = false; // the window has none until it is given one
    std::vector<Image> m_images;
};

} // namespace platform
