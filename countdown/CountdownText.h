#pragma once

#include "core/Failure.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace countdown {

// The pieces of the saver's two lines. The countdown line is the seven pieces after the
// title joined in order: " 1 year  2 months  3 days!   (430 days!)".
struct CountdownPieces
{
    QString TitleText;
    QString YearsText;
    QString YearsWord;
    QString MonthsText;
    QString MonthsWord;
    QString DaysText;
    QString DaysWord; // once the target date is reached: the completion phrase
    QString TotalDaysText;

    QString PhraseWithoutTotal() const;
    QString Phrase() const { return PhraseWithoutTotal() + TotalDaysText; }
};

struct CountdownInputs
{
    QDate today;
    QString title;
    QString dateText; // the stored target date, as typed
    QString completionPhrase;
    qint16 includeDays = 0; // only 1 adds the day total
    QLocale locale;         // reads dateText
};

// Composes the pieces for `today`. On a target text that is not a date, or a day count
// beyond 16 bits, it returns the failure and leaves the pieces half-done as the saver
// shows them then: the title and the three unit words set, the numbers as they were.
std::optional<core::Failure> ComposeCountdown(const CountdownInputs &inputs,
                                              CountdownPieces &pieces);

} // namespace countdown
