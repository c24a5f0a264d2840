#include "dialogs/browse/SizeFactor.h"

#include "core/Rounding.h"
#include "platform/WindowCalls.h"

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
