#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QSizeF>
#include <QString>

// The saver window's elements. The window paints them itself; each keeps its rendering
// until something about it changes, so the ticks only move finished pixmaps. Each is
// rendered at the device pixel ratio it is given, the window's: a high-density screen gets
// text rasterised at its own density, not enlarged. A pixmap's deviceIndependentSize() is
// then the element's size in logical pixels.
namespace saver {

// A text line that sizes itself to its text and font. A width set afterwards stays until
// the text or the font changes.
class TextLine
{
public:
    void setText(const QString &text);
    void setFont(const QFont &font);
    void setColor(const QColor &color);
    void setBackground(const QColor &color);
    void setAlignment(Qt::Alignment alignment);
    void setWidth(double twips);
    void setDevicePixelRatio(qreal ratio);

    const QString &text() const { return m_text; }
    const QFont &font() const { return m_font; }
    const QColor &color() const { return m_color; }
    Qt::Alignment alignment() const { return m_alignment; }
    QSizeF size() const { return m_size; } // twips

    const QPixmap &pixmap() const;

private:
    void fitToText();

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::black;
    QColor m_background = Qt::white;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    QSizeF m_size;
    qreal m_ratio = 1;
    mutable QPixmap m_pixmap; // null until painted after a change
};

// A picture shown at its natural size, or stretched to the size it is given. Its pixmap
// keeps within what X11 draws, shrunk to fit with its proportions.
class PictureElement
{
public:
    void setPicture(const QImage &picture); // natural size, not stretched
    void clear();
    void setStretchedSize(const QSizeF &twips);

    bool hasPicture() const { return !m_picture.isNull(); }
    const QImage &picture() const { return m_picture; }
    bool stretched() const { return m_stretched; }
    QSizeF size() const { return m_size; } // twips
    void setSize(const QSizeF &twips);     // as the preview shrinks it; keeps stretching
    void setDevicePixelRatio(qreal ratio);

    const QPixmap &pixmap() const;

private:
    QImage m_picture;
    QSizeF m_size;
    bool m_stretched = false;
    qreal m_ratio = 1;
    mutable QPixmap m_pixmap;
};

} // namespace saver
