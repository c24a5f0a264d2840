#pragma once

#include "core/Failure.h"

#include <QSize>
#include <optional>

// The stored picture size factor ("ImageSize") and whether a picture at it fits the
// screen: one rule for the image browser, which steps a factor back with a message, and
// for the saver, which steps back silently. Sizes are in twips; picture "units" are twips
// divided by 12.
namespace settings {

inline constexpr qint16 SmallestSizeFactor = -10;
inline constexpr qint16 LargestSizeFactor = 10;
inline constexpr int TwipsPerUnit = 12;

// A natural length in twips as units, rounded half to even; Overflow beyond 16 bits.
core::Converted<qint16> ToUnits(qint64 twips);

// The factor one step back from one whose picture does not fit the screen (1 is skipped);
// none when the step would pass the smallest factor.
std::optional<qint16> SteppedBack(qint16 factor);

// The size in twips the saver draws a picture of the given units at; none for the
// factors -1, 0 and 1, which draw it at its natural size and are never tested.
std::optional<QSize> ScaledTwips(qint16 widthUnits, qint16 heightUnits, qint16 factor);

// Whether the picture at the factor stays within the screen; a size equal to the
// screen's fits.
bool FitsOnScreen(qint16 widthUnits, qint16 heightUnits, qint16 factor, QSize screenTwips);

// The factor stepped back until a picture of that natural size fits the screen, as the
// image browser steps it; a picture whose units overflow is drawn at its natural size.
qint16 FittingFactor(QSize pictureTwips, qint16 factor, QSize screenTwips);

} // namespace settings
