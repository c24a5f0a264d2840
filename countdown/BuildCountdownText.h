#pragma once

#include "countdown/CountdownText.h"

// The countdown as the saver and the settings dialog use it: composed from the stored
// title, target date and completion phrase into module-level pieces that keep their
// values between runs.
namespace modGeneral {

// Set by start-up from the stored IncludeDays; only 1 adds the day total.
extern qint16 IncludeDays;
// The pieces left by the last BuildCountdownText of this process.
extern countdown::CountdownPieces Countdown;

inline const QString DateCalculationErrorText =
    QStringLiteral("There has been an Error in the Date Calculation.\r\n\r\n"
                   "Please check the Target Date.");

// Composes Countdown for today from the store; on a date it cannot count to it tells
// the user in a message box and leaves the pieces as ComposeCountdown does.
void BuildCountdownText();

} // namespace modGeneral
