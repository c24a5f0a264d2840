#include "dialogs/browse/SizeFactor.h"

#include "core/Rounding.h"
#include "platform/WindowCalls.h"

#include <limits>

namespace browse {

namespace {

std::optional<QSize> &ScreenOverride()
{
    static std::optional<QSize> screen;
    return screen;
}

} // namespace

qint16 SteppedFactor(int newValue, qint16 oldFactor)
{
    int factor = newValue;
    if (factor == 0)
        return 0;
    if (factor > oldFactor && (oldFactor == 1 || oldFactor == 0))
        factor = 2;
    else if (factor < oldFactor && (oldFactor == -1 || oldFactor == 0))
        factor = -2;
    if (factor != oldFactor && (factor == 1 || factor == -1))
        factor = 0;
    return qint16(factor);
}

QString SizeCaption(qint16 factor)
{
    if (factor >= 2)
        return QStringLiteral("Increase %1 times").arg(factor);
    if (factor <= -2)
        return QStringLiteral("Decrease %1 times").arg(-factor);
    return QStringLiteral("Use Actual Size");
}

std::optional<qint16> SteppedBack(qint16 factor)
{
    if (factor <= SmallestFactor)
        return std::nullopt;
    const qint16 back = qint16(factor - 1);
    return back == 1 ? qint16(0) : back;
}

core::Converted<qint16> ToUnits(qint64 twips)
{
    const double units = core::RoundHalfEven(double(twips) / TwipsPerUnit);
    if (units > std::numeric_limits<qint16>::max() || units < std::numeric_limits<qint16>::min())
        return core::Converted<qint16>::fail(core::Overflow);
    return core::Converted<qint16>::success(qint16(units));
}

std::optional<QSize> ScaledTwips(qint16 widthUnits, qint16 heightUnits, qint16 factor)
{
    // 16-bit units times 12 times 10 stay far inside an int.
    const int width = widthUnits * TwipsPerUnit;
    const int height = heightUnits * TwipsPerUnit;
    if (factor > 1)
        return QSize(width * factor, height * factor);
    if (factor >= -1)
        return std::nullopt;
    const double divisor = -factor;
    return QSize(core::Rounded(width / divisor), core::Rounded(height / divisor));
}

bool FitsOnScreen(qint16 widthUnits, qint16 heightUnits, qint16 factor, QSize screenTwips)
{
    const std::optional<QSize> size = ScaledTwips(widthUnits, heightUnits, factor);
    return !size ||
           (size->width() <= screenTwips.width() && size->height() <= screenTwips.height());
}

PreviewFit FitPreview(QSize pictureTwips, QSize frameTwips)
{
    if (pictureTwips.width() <= frameTwips.width() && pictureTwips.height() <= frameTwips.height())
        return {pictureTwips, false};
    const double ratio = double(pictureTwips.width()) / pictureTwips.height();
    if (ratio <= 1)
        return {QSize(core::Rounded(frameTwips.width() * ratio), frameTwips.height()), true};
    return {QSize(frameTwips.width(), core::Rounded(frameTwips.height() / ratio)), true};
}

QString PreviewCaption(qint16 widthUnits, qint16 heightUnits, bool reduced)
{
    return QStringLiteral("Preview - %1Actual Size %2 x %3")
        .arg(reduced ? QStringLiteral("(Reduced) - ") : QString())
        .arg(widthUnits)
        .arg(heightUnits);
}

QSize ScreenSizeTwips()
{
    if (ScreenOverride())
        return *ScreenOverride();
    return QSize(platform::ScreenWidthTwips(), platform::ScreenHeightTwips());
}

void SetScreenSizeTwips(std::optional<QSize> screenTwips)
{
    ScreenOverride() = screenTwips;
}

} // namespace browse
