#pragma once

#include <QtGlobal>

namespace modGeneral {

// Where the content block stands and how it travels, in twips. The fields are 32 bits
// wide so that screens beyond 2184 pixels (32767 twips) work.
struct SaverLayoutState
{
    qint32 BlockLeft = 0;   // left edge of the block
    qint32 BlockTop = 0;    // top edge of the title line
    qint32 LineGap = 0;     // offset of the countdown line below the title line
    qint32 BlockWidth = 0;  // the wider of the two lines
    qint32 BlockHeight = 0; // both lines' heights added
    qint32 Direction = 0;   // a settings::DirectionCode; any other value stands still
    qint32 Position = 0;    // settings::Center, anything else a random height on re-entry
    qint32 PictureCenterX = 0;
    qint32 PictureTop = 0;
    qint32 PictureHalfHeight = 0; // preview only: half the default picture's size
    qint32 PictureHalfWidth = 0;
    qint32 PreviewSpan = 0; // how far the block travels in the preview
};

} // namespace modGeneral
