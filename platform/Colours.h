#pragma once

#include <QColor>

namespace platform {

// Stored colours are 0x00BBGGRR: red in the low byte (255 red, 65535 yellow).
inline QColor ColourFromStored(qint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

inline qint32 StoredFromColour(const QColor &colour)
{
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

} // namespace platform
