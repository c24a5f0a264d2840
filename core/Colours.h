#pragma once

#include <QtGlobal>

// Stored colours are 0x00BBGGRR: red in the low byte (255 red, 65535 yellow). The toolkit's
// colours are 0xRRGGBB (QColor(QRgb) takes them, QColor::rgb() gives them).
namespace core {

constexpr quint32 RgbFromStored(qint32 bgr)
{
    const auto bits = quint32(bgr);
    return ((bits & 0xFF) << 16) | (bits & 0xFF00) | ((bits >> 16) & 0xFF);
}

constexpr qint32 StoredFromRgb(quint32 rgb)
{
    return qint32(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

} // namespace core
