#include "countdown/CountdownText.h"

#include "core/Dates.h"

#include <limits>

namespace countdown {

namespace {

// Numbers stand with a leading blank (a minus sign instead, were one negative), so every
// number is set off from the word before it: " 1 year  2 months".
QString NumberText(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

bool FitsIn16Bits(qint64 value)
{
    return value >= std::numeric_limits<qint16>::min() &&
           value <= std::numeric_limits<qint16>::max();
}

struct Remaining
{
    int years;
    int months;
    int anchorOffset; // months from today to the last whole month before the target
};

// Whole years and months from today to the target: the month count is short by one when
// the target's day number comes before today's.
Remaining WholeYearsAndMonths(QDate today, QDate target)
{
    const int monthSpan =
        (target.year() * 12 + target.month()) - (today.year() * 12 + today.month());
    const bool dayNotYetReached = today.day() > target.day();
    const int monthsShort = dayNotYetReached ? 1 : 0;

    Remaining result{target.year() - today.year(), 0, monthSpan - monthsShort};
    if (today.month() < target.month()) {
        result.months = target.month() - today.month() - monthsShort;
    } else if (today.month() > target.month()) {
        result.months = 12 - (today.month() - target.month()) - monthsShort;
        result.years -= 1;
    } else if (dayNotYetReached) {
        result.months = 11;
        result.years -= 1;
    }
    return result;
}

void ClearForCompletion(CountdownPieces &pieces, const QString &completionPhrase)
{
    pieces.YearsText.clear();
    pieces.YearsWord.clear();
    pieces.MonthsText.clear();
    pieces.MonthsWord.clear();
    pieces.DaysText.clear();
    pieces.TotalDaysText.clear();
    pieces.TitleText.clear();
    pieces.DaysWord = completionPhrase;
}

void SetYearsWord(CountdownPieces &pieces, int years, int months, int days)
{
    const bool lastUnit = months == 0 && days == 0;
    if (years == 1)
        pieces.YearsWord = lastUnit ? QStringLiteral(" year!") : QStringLiteral(" year ");
    else if (years > 1 && lastUnit)
        pieces.YearsWord = QStringLiteral(" years!");
    if (years == 0) {
        pieces.YearsText.clear();
        pieces.YearsWord.clear();
    }
}

void SetMonthsWord(CountdownPieces &pieces, int months, int days)
{
    if (months == 1)
        pieces.MonthsWord = days == 0 ? QStringLiteral(" month!") : QStringLiteral(" month ");
    else if (months > 1 && days == 0)
        pieces.MonthsWord = QStringLiteral(" months!");
    if (months == 0) {
        pieces.MonthsText.clear();
        pieces.MonthsWord.clear();
    }
}

// The total is worded by the total itself, before the day word is fitted to the
// remaining days: "   (1 day!)" only when one day is left in all.
void SetTotal(CountdownPieces &pieces, qint64 totalDays, qint16 includeDays)
{
    if (includeDays != 1) {
        pieces.TotalDaysText.clear();
        return;
    }
    if (totalDays == 1)
        pieces.DaysWord = QStringLiteral(" day!");
    pieces.TotalDaysText =
        QStringLiteral("   (") + QString::number(totalDays) + pieces.DaysWord + QLatin1Char(')');
}

void SetDaysWord(CountdownPieces &pieces, int days)
{
    if (days == 1)
        pieces.DaysWord = QStringLiteral(" day!");
    if (days == 0) {
        pieces.DaysText.clear();
        pieces.DaysWord.clear();
    }
}

} // namespace

QString CountdownPieces::PhraseWithoutTotal() const
{
    return YearsText + YearsWord + MonthsText + MonthsWord + DaysText + DaysWord;
}

std::optional<core::Failure> ComposeCountdown(const CountdownInputs &inputs,
                                              CountdownPieces &pieces)
{
    pieces.YearsWord = QStringLiteral(" years ");
    pieces.MonthsWord = QStringLiteral(" months ");
    pieces.DaysWord = QStringLiteral(" days!");
    pieces.TitleText = inputs.title;

    const std::optional<QDate> target = core::ParseDate(inputs.dateText, inputs.locale);
    if (!target)
        return core::MakeFailure(core::TypeMismatch);
    const qint64 totalDays = core::DaysBetween(inputs.today, *target);
    if (!FitsIn16Bits(totalDays))
        return core::MakeFailure(core::Overflow);

    if (totalDays <= 0) {
        ClearForCompletion(pieces, inputs.completionPhrase);
        return std::nullopt;
    }

    const Remaining whole = WholeYearsAndMonths(inputs.today, *target);
    const QDate anchor = core::AddMonths(inputs.today, whole.anchorOffset);
    const int days = static_cast<int>(core::DaysBetween(anchor, *target));

    pieces.YearsText = NumberText(whole.years);
    pieces.MonthsText = NumberText(whole.months);
    pieces.DaysText = NumberText(days);
    SetYearsWord(pieces, whole.years, whole.months, days);
    SetMonthsWord(pieces, whole.months, days);
    SetTotal(pieces, totalDays, inputs.includeDays);
    SetDaysWord(pieces, days);
    return std::nullopt;
}

} // namespace countdown
