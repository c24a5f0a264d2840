#include "settings/PictureSize.h"

#include "core/Rounding.h"

#include <limits>

namespace settings {

core::Converted<qint16> ToUnits(qint64 twips)
{
    const double units = core::RoundHalfEven(double(twips) / TwipsPerUnit);
    if (units > std::numeric_limits<qint16>::max() || units < std::numeric_limits<qint16>::min())
        return core::Converted<qint16>::fail(core::Overflow);
    return core::Converted<qint16>::success(qint16(units));
}

std::optional<qint16> SteppedBack(qint16 factor)
{
    if (factor <= SmallestSizeFactor)
        return std::nullopt;
    const qint16 back = qint16(factor - 1);
    return back == 1 ? qint16(0) : back;
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

qint16 FittingFactor(QSize pictureTwips, qint16 factor, QSize screenTwips)
{
    const core::Converted<qint16> width = ToUnits(pictureTwips.width());
    const core::Converted<qint16> height = ToUnits(pictureTwips.height());
    if (!width.ok() || !height.ok())
        return 0;
    while (!FitsOnScreen(*width.value, *height.value, factor, screenTwips)) {
        const std::optional<qint16> back = SteppedBack(factor);
        if (!back)
            break;
        factor = *back;
    }
    return factor;
}

} // namespace settings
