#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

// The calendar services: today's date, the lenient date parser that reads every date
// text the program meets, and the formats the program writes.
namespace core {

// Today's local calendar date, or the date tests fixed with SetToday.
QDate Today();
// Fixes Today() for tests; an invalid date gives the clock back.
void SetToday(QDate date);

// Reads a date as a person types it under the given locale's conventions:
// ISO "2028-02-08" everywhere; numeric dates in the locale's day/month/year order with
// "/", "-", "." or blanks between the parts; month names and abbreviations of the
// locale and of English in any case, by the locale's own case rules ("8 MAYIS 2028" in
// Turkish); two-digit years 00-29 as 20xx and 30-99 as 19xx.
// "1/1/2005" is 1 January 2005 in every locale.
std::optional<QDate> ParseDate(const QString &text, const QLocale &locale = QLocale());
inline bool IsDate(const QString &text, const QLocale &locale = QLocale())
{
    return ParseDate(text, locale).has_value();
}

// The locale's long date ("Tuesday, February 8, 2028").
QString LongDate(QDate date, const QLocale &locale = QLocale());
// The locale's numeric short date, always with a four-digit year ("2/8/2028", "08.02.2028"),
// so a date never changes century on its way through the store.
QString ShortDate(QDate date, const QLocale &locale = QLocale());

// Calendar days from `from` to `to`, negative when `to` lies before `from`.
qint64 DaysBetween(QDate from, QDate to);
// The same day number so many months later, or the last day of a shorter month.
QDate AddMonths(QDate date, int months);

} // namespace core
