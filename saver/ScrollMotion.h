#pragma once

#include "state/SaverLayout.h"

#include <QPointF>
#include <QSizeF>
#include <functional>

// One tick of the content block's travel, apart from any window so that tests can drive
// it tick by tick.
namespace saver {

using modGeneral::SaverLayoutState;

// Twips.
struct ElementSizes
{
    double titleHeight = 0;
    double timeHeight = 0;
    QSizeF photo; // the preview shrinks it on each tick
};

struct ElementPlaces
{
    QPointF title;
    QPointF time;
    QPointF photo;
};

struct MotionContext
{
    bool saverMode = true; // false: the preview, bounded by PreviewSpan
    qint32 screenWidth = 0;
    qint32 screenHeight = 0;
    std::function<float()> random; // 0 <= r < 1, for random re-entry heights
};

inline constexpr qint32 StepTwips = 50;
inline constexpr qint32 PictureGapTwips = 50;
inline constexpr qint32 PreviewVerticalEdge = -200;

// The scroll timer's interval in milliseconds at a stored speed: 100 / (Speed + 1),
// rounded.
qint32 TimerInterval(qint16 Speed);

// Puts the block just outside the edge it enters from, centred across its way (the
// first pass is centred whatever the position code says). Returns true when the
// direction is vertical and both lines should centre their text.
bool PlaceAtStart(SaverLayoutState &layout, qint32 screenWidth, qint32 screenHeight);

// Where the block's left edge stands when it is centred across the screen.
qint32 CentredLeft(const SaverLayoutState &layout, qint32 screenWidth);

// Places the elements where the previous tick left the layout, then moves the block one
// step, brings it back in at the opposite edge once it has left, keeps a horizontally
// travelling block on the screen, and sets where the picture stands next.
// Returns the places of this tick.
ElementPlaces ScrollTick(SaverLayoutState &layout, ElementSizes &sizes,
                         const MotionContext &context);

} // namespace saver
