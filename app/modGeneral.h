#pragma once

#include "countdown/BuildCountdownText.h"
#include "saver/SaverLayout.h"

#include <QString>

// The values start-up gathers for the whole run, read by the saver and the dialogs.
// The countdown's own values (IncludeDays and the pieces) live with the countdown.
namespace modGeneral {

enum RunModes : qint32 { RunModeNone = 0, RunModeFullScreen = 1, RunModePreview = 4 };

// Pixels: of the desktop in full-screen mode, of the host's client area in preview mode.
struct Rect
{
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
};

extern qint16 ImageIndex; // the built-in picture, 1 to 9
extern qint16 DefaultTab; // the image browser's first tab
// Twips. 32 bits wide so that screens beyond 2184 pixels fit.
extern qint32 ScreenWidth;
extern qint32 ScreenHeight;
extern qint32 RunMode;
extern qint32 PreviewWindow; // the host window's number after "/p"
extern Rect DisplayRect;

// Working copies of the motion and picture choice, shared by the settings dialog and the
// image browser. Codes as stored: Position 0 centre, 1 random; Direction 0 forward,
// 1 backward, 2 downward, 3 upward.
extern qint16 Position;
extern qint16 Direction;
extern qint16 ImageUsed; // 1 when a picture goes with the text
extern QString ImagePath;
extern QString ImageName; // empty when a built-in picture is used
extern qint16 ImageSize;
extern QString ImageTag; // tag of the built-in picture

} // namespace modGeneral
