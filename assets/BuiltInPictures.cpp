#include "assets/BuiltInPictures.h"

#include <QImageReader>
#include <array>

namespace assets {

namespace {

struct BuiltIn
{
    const char *tag;
    const char *resource;
};

// In the order the settings number them: ImageIndex 1 is the logo.
constexpr std::array<BuiltIn, BuiltInPictureCount> Pictures{{
    {"Logo", ":/pictures/logo.gif"},
    {"Birthday Cake", ":/pictures/birthday_cake.gif"},
    {"Candles", ":/pictures/candles.gif"},
    {"Hammock", ":/pictures/hammock.jpg"},
    {"Mountains", ":/pictures/mountains.jpg"},
    {"Cruise Ship", ":/pictures/cruise_ship.jpg"},
    {"Sunset", ":/pictures/sunset.jpg"},
    {"Wreath", ":/pictures/wreath.gif"},
    {"Wedding Cake", ":/pictures/wedding_cake.gif"},
}};

const BuiltIn *Find(int index)
{
    if (index < 1 || index > BuiltInPictureCount)
        return nullptr;
    return &Pictures[static_cast<std::size_t>(index - 1)];
}

} // namespace

QString BuiltInPictureTag(int index)
{
    const BuiltIn *picture = Find(index);
    return picture ? QString::fromLatin1(picture->tag) : QString();
}

QImage BuiltInPicture(int index)
{
    const BuiltIn *picture = Find(index);
    return picture ? QImage(QString::fromLatin1(picture->resource)) : QImage();
}

// Read by Qt's own BMP reader. Left to itself, QImageReader first loads every image
// plugin, and the libraries behind them, to ask whether one of them reads BMP: a tenth
// of the saver's start-up.
QImage DefaultPreviewPicture()
{
    QImageReader reader(QStringLiteral(":/pictures/default.bmp"), "bmp");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QImage CheckMark()
{
    return QImage(QStringLiteral(":/pictures/check.png"));
}

} // namespace assets
