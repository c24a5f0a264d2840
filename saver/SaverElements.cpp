#include "saver/SaverElements.h"

#include "core/Twips.h"
#include "platform/Pictures.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace saver {

namespace {

// The most a side of an element's pixmap holds: as much as X11 draws. A line of text from
// the store can be far longer (a title of a million characters measures millions of
// pixels); only its start is kept, so its memory stays bounded. A picture shrinks to fit.
constexpr int LargestPixmapSide = platform::LargestDrawnSide;

// The screen's pixels that `pixels` logical ones cover, in whole pixels, at most `largest`.
QSize DeviceSize(const QSize &pixels, qreal ratio, int largest = std::numeric_limits<int>::max())
{
    const auto side = [&](int length) {
        return int(std::min(std::ceil(length * ratio), double(largest)));
    };
    return QSize(side(pixels.width()), side(pixels.height()));
}

} // namespace

void TextLine::setText(const QString &text)
{
    m_text = text;
    fitToText();
}

void TextLine::setFont(const QFont &font)
{
    m_font = font;
    fitToText();
}

void TextLine::setColor(const QColor &color)
{
    m_color = color;
    m_pixmap = {};
}

void TextLine::setBackground(const QColor &color)
{
    m_background = color;
    m_pixmap = {};
}

void TextLine::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    m_pixmap = {};
}

void TextLine::setWidth(double twips)
{
    m_size.setWidth(twips);
    m_pixmap = {};
}

void TextLine::setDevicePixelRatio(qreal ratio)
{
    if (ratio == m_ratio || ratio <= 0)
        return;
    m_ratio = ratio;
    m_pixmap = {};
}

// Whole pixels, as a label on the screen measures.
void TextLine::fitToText()
{
    const QFontMetricsF metrics(m_font);
    m_size = QSizeF(std::ceil(metrics.horizontalAdvance(m_text)) * core::TwipsPerPixel,
                    std::ceil(metrics.height()) * core::TwipsPerPixel);
    m_pixmap = {};
}

const QPixmap &TextLine::pixmap() const
{
    if (m_pixmap.isNull()) {
        const QSize pixels(core::ToPixels(m_size.width()), core::ToPixels(m_size.height()));
        if (pixels.isEmpty())
            return m_pixmap;
        m_pixmap = QPixmap(DeviceSize(pixels, m_ratio, LargestPixmapSide));
        m_pixmap.setDevicePixelRatio(m_ratio);
        m_pixmap.fill(m_background);
        QPainter painter(&m_pixmap);
        painter.setFont(m_font);
        painter.setPen(m_color);
        painter.drawText(QRect(QPoint(0, 0), pixels), int(m_alignment | Qt::AlignTop), m_text);
    }
    return m_pixmap;
}

void PictureElement::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_size = QSizeF(picture.width() * core::TwipsPerPixel, picture.height() * core::TwipsPerPixel);
    m_stretched = false;
    m_pixmap = {};
}

void PictureElement::clear()
{
    setPicture(QImage());
}

void PictureElement::setStretchedSize(const QSizeF &twips)
{
    m_stretched = true;
    setSize(twips);
}

void PictureElement::setSize(const QSizeF &twips)
{
    if (twips == m_size)
        return;
    m_size = twips;
    m_pixmap = {};
}

void PictureElement::setDevicePixelRatio(qreal ratio)
{
    if (ratio == m_ratio || ratio <= 0)
        return;
    m_ratio = ratio;
    m_pixmap = {};
}

const QPixmap &PictureElement::pixmap() const
{
    if (m_pixmap.isNull() && hasPicture()) {
        const QSize pixels(core::ToPixels(m_size.width()), core::ToPixels(m_size.height()));
        if (pixels.isEmpty())
            return m_pixmap;
        QSize device = DeviceSize(pixels, m_ratio);
        const QSize largest(LargestPixmapSide, LargestPixmapSide);
        if (device.boundedTo(largest) != device)
            device = device.scaled(largest, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        m_pixmap = QPixmap::fromImage(
            device == m_picture.size()
                ? m_picture
                : m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_pixmap.setDevicePixelRatio(m_ratio);
    }
    return m_pixmap;
}

} // namespace saver
