#pragma once

#include <QSize>
#include <QString>
#include <optional>

// The arithmetic of the picture preview and the size factor's caption, apart from the
// widgets. Sizes are in twips; picture "units" are twips divided by 12
// (settings/PictureSize.h holds the factor's fit rule).
namespace browse {

// The preview frame of the "File Images" tab.
inline constexpr QSize PreviewFrameTwips{3732, 3792};

// The factor an up-down value stands for, given the factor before it: stepping skips
// 1 and -1, while a value equal to the factor before keeps it (1 and -1 included).
qint16 SteppedFactor(int newValue, qint16 oldFactor);

// "Increase 3 times", "Decrease 4 times", or "Use Actual Size" for -1, 0 and 1.
QString SizeCaption(qint16 factor);

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
