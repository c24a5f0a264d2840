#pragma once

#include "countdown/CountdownText.h"

// The countdown as the saver, the settings dialog and lumidex-countdown compose it: from
// the stored title, target date and completion phrase, for today.
namespace countdown {

// What the user is told when the stored target date cannot be counted to.
inline const QString DateCalculationErrorText =
    QStringLiteral("There has been an Error in the Date Calculation.\r\n\r\n"
                   "Please check the Target Date.");

struct BuiltCountdown
{
    CountdownPieces pieces;
    std::optional<core::Failure> failure; // the target date could not be counted to
};

// The stored title, target date and completion phrase, for today. Only an IncludeDays of
// 1 adds the day total.
CountdownInputs StoredCountdownInputs(qint16 IncludeDays);

// Only an IncludeDays of 1 adds the day total. On a failure the pieces are left as
// ComposeCountdown leaves them, over the `earlier` pieces of the caller's last count.
BuiltCountdown BuildCountdownText(qint16 IncludeDays, CountdownPieces earlier = {});

} // namespace countdown
