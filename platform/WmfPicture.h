#pragma once

#include <QByteArray>
#include <QImage>

// Windows metafiles, which Qt cannot read, rendered through libwmf.
namespace platform {

// Whether the bytes begin like a metafile: a placeable header or a standard one.
bool LooksLikeWmf(const QByteArray &data);

// The metafile drawn at its natural size (96 dots per inch) on white. A null image when
// it cannot be read, takes more than a few seconds to draw, or would be wider or higher
// than 32767 pixels or hold more than largestPixels pixels.
QImage RenderWmf(const QByteArray &data, qint64 largestPixels);

} // namespace platform
