#pragma once

#include "core/Failure.h"

#include <QSize>
#include <QString>
#include <optional>

// The arithmetic of the picture preview and the size factor, apart from the widgets.
// Sizes are in twips; picture "units" are twips divided by 12.
namespace browse {

inline constexpr qint16 SmallestFactor = -10;
inline constexpr qint16 LargestFactor = 10;
inline constexpr int TwipsPerUnit = 12;
// The preview frame of the "File Images" tab.
inline constexpr QSize PreviewFrameTwips{3732, 3792};

// The factor an up-down value stands for, given the factor before it: stepping skips
// 1 and -1, while a value equal to the factor before keeps it (1 and -1 included).
qint16 SteppedFactor(int newValue, qint16 oldFactor);

// "Increase 3 times", "Decrease 4 times", or "Use Actual Size" for -1, 0 and 1.
QString SizeCaption(qint16 factor);

// The factor one step back from one whose picture does not fit the screen (1 is skipped);
// none when the step would pass the smallest factor.
std::optional<qint16> SteppedBack(qint16 factor);

// A natural length in twips as units, rounded half to even; Overflow beyond 16 bits.
core::Converted<qint16> ToUnits(qint64 twips);

// The size in twips the saver draws a picture of the given units at; none for the
// factors -1, 0 and 1, which draw it at its natural size and are never tested.
std::optional<QSize> ScaledTwips(qint16 widthUnits, qint16 heightUnits, qint16 factor);

// Whether the picture at the factor stays within the screen; a size equal to the
// screen's fits.
bool FitsOnScreen(qint16 widthUnits, qint16 heightUnits, qint16 factor, QSize screenTwips);

// How a picture shows in the preview frame: at its natural size when it fits, otherwise
// stretched to the frame's width or height by its width-to-height ratio.
struct PreviewFit
{
    QSize twips;
    bool reduced = false;
};
PreviewFit FitPreview(QSize pictureTwips, QSize frameTwips = PreviewFrameTwips);

// "Preview - Actual Size 250 x 188", or "Preview - (Reduced) - Actual Size 500 x 375".
QString PreviewCaption(qint16 widthUnits, qint16 heightUnits, bool reduced);

// The screen's size in twips, read afresh at each call; the platform's unless a test has
// put a screen of its own in its place (an empty value gives the platform's back).
QSize ScreenSizeTwips();
void SetScreenSizeTwips(std::optional<QSize> screenTwips);

} // namespace browse
