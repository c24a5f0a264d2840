#pragma once

#include "countdown/CountdownText.h"

#include <QString>

// The values one run shares between start-up, the saver window and the dialogs. They
// start as a module's values start, all zero and empty: start-up reads what it needs
// from the store. Putting them back is an assignment: modGeneral::State = {}.
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

struct GeneralState
{
    // Read by start-up.
    qint16 ImageIndex = 0;  // the built-in picture, 1 to 9
    qint16 DefaultTab = 0;  // the image browser's first tab
    qint16 IncludeDays = 0; // only 1 adds the day total to the countdown line
    // Twips: the primary screen, or the host's window. 32 bits wide so that screens
    // beyond 2184 pixels fit. Each saver window keeps the size of its own screen.
    qint32 ScreenWidth = 0;
    qint32 ScreenHeight = 0;
    qint32 RunMode = RunModeNone;
    qint32 PreviewWindow = 0; // the host window's number after "/p"
    Rect DisplayRect;

    // Working copies of the motion and picture choice, shared by the settings dialog and
    // the image browser, with the stored codes (settings/MotionCodes.h).
    qint16 Position = 0;
    qint16 Direction = 0;
    qint16 ImageUsed = 0; // 1 when a picture goes with the text
    QString ImagePath;
    QString ImageName; // empty when a built-in picture is used
    qint16 ImageSize = 0;
    QString ImageTag; // tag of the built-in picture

    // The pieces of the last countdown this run composed.
    countdown::CountdownPieces Countdown;
};

extern GeneralState State;

} // namespace modGeneral
