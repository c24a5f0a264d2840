#include "saver/ScrollMotion.h"

#include "core/Rounding.h"
#include "settings/MotionCodes.h"

namespace saver {

using core::Rounded;
using settings::Backward;
using settings::Downward;
using settings::Forward;
using settings::Upward;

namespace {

ElementPlaces Place(const SaverLayoutState &layout, const ElementSizes &sizes)
{
    return {QPointF(layout.BlockLeft, layout.BlockTop),
            QPointF(layout.BlockLeft, layout.BlockTop + layout.LineGap),
            QPointF(layout.PictureCenterX - sizes.photo.width() / 2, layout.PictureTop)};
}

// A horizontally travelling block comes back centred, or at a random height.
qint32 ReentryTop(const SaverLayoutState &layout, const MotionContext &context)
{
    if (layout.Position == settings::Center)
        return Rounded(context.screenHeight / 2.0 - layout.BlockHeight / 2.0);
    return Rounded(double(context.random()) * context.screenHeight);
}

void AdvanceOnScreen(SaverLayoutState &layout, const MotionContext &context)
{
    switch (layout.Direction) {
    case Forward:
        layout.BlockLeft -= StepTwips;
        if (layout.BlockLeft < -layout.BlockWidth) {
            layout.BlockLeft = context.screenWidth;
            layout.BlockTop = ReentryTop(layout, context);
        }
        break;
    case Backward:
        layout.BlockLeft += StepTwips;
        if (layout.BlockLeft > context.screenWidth) {
            layout.BlockLeft = -layout.BlockWidth;
            layout.BlockTop = ReentryTop(layout, context);
        }
        break;
    case Downward:
        layout.BlockTop += StepTwips;
        if (layout.BlockTop > layout.BlockHeight + context.screenHeight)
            layout.BlockTop = -layout.BlockHeight;
        break;
    case Upward:
        layout.BlockTop -= StepTwips;
        if (layout.BlockTop < -layout.BlockHeight)
            layout.BlockTop = context.screenHeight;
        break;
    default:
        break; // an unknown direction leaves the block standing
    }
}

void AdvanceInPreview(SaverLayoutState &layout)
{
    switch (layout.Direction) {
    case Forward:
        layout.BlockLeft -= StepTwips;
        if (layout.BlockLeft < -layout.BlockWidth / 2.0)
            layout.BlockLeft = layout.PreviewSpan;
        break;
    case Backward:
        layout.BlockLeft += StepTwips;
        if (layout.BlockLeft > layout.PreviewSpan)
            layout.BlockLeft = Rounded(-layout.BlockWidth / 2.0);
        break;
    case Downward:
        layout.BlockTop += StepTwips;
        if (layout.BlockTop > layout.PreviewSpan)
            layout.BlockTop = PreviewVerticalEdge;
        break;
    case Upward:
        layout.BlockTop -= StepTwips;
        if (layout.BlockTop < PreviewVerticalEdge)
            layout.BlockTop = layout.PreviewSpan;
        break;
    default:
        break;
    }
}

// A block placed too low is lifted until its bottom touches the screen's bottom edge.
void KeepAboveTheBottom(SaverLayoutState &layout, const ElementSizes &sizes,
                        const MotionContext &context)
{
    const bool horizontal = layout.Direction == Forward || layout.Direction == Backward;
    if (!horizontal)
        return;
    const double lowestTop = float(context.screenHeight - (sizes.titleHeight + sizes.timeHeight));
    if (lowestTop < layout.BlockTop)
        layout.BlockTop = Rounded(lowestTop);
}

// On the screen the picture stays horizontally centred and stands above a block in the
// lower half, below one in the upper half. In the preview it rides above the block at
// half its size.
void AnchorPicture(SaverLayoutState &layout, ElementSizes &sizes, const MotionContext &context)
{
    if (context.saverMode) {
        if (layout.BlockTop > context.screenHeight / 2.0)
            layout.PictureTop = Rounded(layout.BlockTop - sizes.photo.height());
        else
            layout.PictureTop = layout.BlockTop + layout.BlockHeight + PictureGapTwips;
        return;
    }
    sizes.photo = QSizeF(layout.PictureHalfWidth, layout.PictureHalfHeight);
    layout.PictureCenterX = Rounded(layout.PictureHalfHeight + sizes.photo.width());
    layout.PictureTop = Rounded(layout.BlockTop - sizes.photo.height());
}

} // namespace

qint32 TimerInterval(qint16 Speed)
{
    return Rounded(100.0 / (Speed + 1));
}

qint32 CentredLeft(const SaverLayoutState &layout, qint32 screenWidth)
{
    return Rounded((screenWidth - layout.BlockWidth) / 2.0);
}

bool PlaceAtStart(SaverLayoutState &layout, qint32 screenWidth, qint32 screenHeight)
{
    const qint32 centredTop = Rounded(screenHeight / 2.0 - layout.BlockHeight / 2.0);
    const qint32 centredLeft = CentredLeft(layout, screenWidth);
    switch (layout.Direction) {
    case Forward:
        layout.BlockLeft = screenWidth;
        layout.BlockTop = centredTop;
        return false;
    case Backward:
        layout.BlockLeft = -layout.BlockWidth;
        layout.BlockTop = centredTop;
        return false;
    case Downward:
        layout.BlockLeft = centredLeft;
        layout.BlockTop = -layout.BlockHeight;
        return true;
    case Upward:
        layout.BlockLeft = centredLeft;
        layout.BlockTop = screenHeight;
        return true;
    default:
        return false;
    }
}

ElementPlaces ScrollTick(SaverLayoutState &layout, ElementSizes &sizes,
                         const MotionContext &context)
{
    const ElementPlaces places = Place(layout, sizes);
    if (context.saverMode) {
        AdvanceOnScreen(layout, context);
        KeepAboveTheBottom(layout, sizes, context);
    } else {
        AdvanceInPreview(layout);
    }
    AnchorPicture(layout, sizes, context);
    return places;
}

} // namespace saver
