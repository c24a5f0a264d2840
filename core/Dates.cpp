#include "core/Dates.h"

#include <array>
#include <atomic>

namespace core {

namespace {

// The Julian day tests fixed; an invalid QDate's Julian day means "use the clock".
std::atomic<qint64> fixedToday{QDate().toJulianDay()};

enum class Field { Day, Month, Year };

// Where day, month and year stand in a locale's numeric date, and how it writes them.
struct Layout
{
    std::array<Field, 3> order{Field::Day, Field::Month, Field::Year};
    bool padDay = false;
    bool padMonth = false;
    QChar separator = u'/';

    int PositionOf(Field field) const
    {
        for (int i = 0; i < 3; ++i) {
            if (order[i] == field)
                return i;
        }
        return -1;
    }
    bool DayBeforeMonth() const { return PositionOf(Field::Day) < PositionOf(Field::Month); }
    bool DayBeforeYear() const { return PositionOf(Field::Day) < PositionOf(Field::Year); }
};

bool IsSeparator(QChar c)
{
    return c == u'/' || c == u'-' || c == u'.' || c == u',' || c.isSpace();
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Marks belong to words: several scripts write month names with combining vowel signs.
bool IsWordChar(QChar c)
{
    return c.isLetter() || c.isMark();
}

// Reads a QLocale date format: the first day number ("d"/"dd"; "ddd" and longer are weekday
// names), the first month and the first year field, skipping quoted literal text. The
// separator is the first of the characters the parser itself accepts, so that what
// ShortDate writes always reads back. Nothing when a field is missing.
std::optional<Layout> ReadFormat(const QString &format)
{
    struct Found
    {
        int at = -1;
        qsizetype length = 0;
    };
    Found day, month, year;
    QChar separator;
    bool quoted = false;
    int fieldCount = 0;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (quoted) {
            ++i;
            continue;
        }
        if (c == u'd' || c == u'M' || c == u'y') {
            qsizetype end = i;
            while (end < format.size() && format[end] == c)
                ++end;
            const qsizetype length = end - i;
            Found *target =
                c == u'd' ? (length <= 2 ? &day : nullptr) : (c == u'M' ? &month : &year);
            if (target && target->at < 0)
                *target = {fieldCount++, length};
            i = end;
            continue;
        }
        if (separator.isNull() && c != u',' && IsSeparator(c))
            separator = c.isSpace() ? QChar(u' ') : c;
        ++i;
    }

    if (day.at < 0 || month.at < 0 || year.at < 0)
        return std::nullopt;
    Layout layout;
    layout.order[day.at] = Field::Day;
    layout.order[month.at] = Field::Month;
    layout.order[year.at] = Field::Year;
    layout.padDay = day.length == 2;
    layout.padMonth = month.length == 2;
    if (!separator.isNull())
        layout.separator = separator;
    return layout;
}

// The C locale's own short format is "d MMM yyyy"; numerically it follows POSIX %m/%d/%y.
bool IsCLocale(const QLocale &locale)
{
    return locale.language() == QLocale::C;
}

Layout ShortLayout(const QLocale &locale)
{
    if (IsCLocale(locale))
        return Layout{{Field::Month, Field::Day, Field::Year}, false, false, u'/'};
    return ReadFormat(locale.dateFormat(QLocale::ShortFormat)).value_or(Layout{});
}

// With a month name only day and year are numbers; the locale's long date tells which of
// the two comes first ("8. Februar 2028", "2028. február 8.").
bool LongDayBeforeYear(const QLocale &locale)
{
    const std::optional<Layout> layout = ReadFormat(locale.dateFormat(QLocale::LongFormat));
    return (layout ? *layout : ShortLayout(locale)).DayBeforeYear();
}

// A name or a typed word as it compares, case aside: lower-cased by the locale's own rules
// ("NİSAN" and "MAYIS" are "nisan" and "mayıs" in Turkish), and case-folded by Unicode's,
// which also reads a word typed without the locale's letters ("NISAN").
struct Caseless
{
    QString lowered;
    QString folded;

    Caseless(const QLocale &locale, QString text)
    {
        text = text.trimmed();
        while (text.endsWith(u'.'))
            text.chop(1);
        lowered = locale.toLower(text);
        folded = text.toCaseFolded();
    }
    bool Matches(const Caseless &other) const
    {
        return lowered == other.lowered || folded == other.folded;
    }
};

// The English names people use in every locale: US and British forms ("Sep", "Sept").
const QList<QLocale> &EnglishLocales()
{
    static const QList<QLocale> english{QLocale(QLocale::English, QLocale::UnitedStates),
                                        QLocale(QLocale::English, QLocale::UnitedKingdom)};
    return english;
}

// 1-12 when the typed word names a month in `locale`, else 0.
int MonthIn(const QLocale &locale, const QString &typed)
{
    const Caseless word(locale, typed);
    for (int month = 1; month <= 12; ++month) {
        for (const auto type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            if (word.Matches({locale, locale.monthName(month, type)}) ||
                word.Matches({locale, locale.standaloneMonthName(month, type)}))
                return month;
        }
    }
    return 0;
}

bool IsWeekdayIn(const QLocale &locale, const QString &typed)
{
    const Caseless word(locale, typed);
    for (int day = 1; day <= 7; ++day) {
        for (const auto type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            if (word.Matches({locale, locale.dayName(day, type)}) ||
                word.Matches({locale, locale.standaloneDayName(day, type)}))
                return true;
        }
    }
    return false;
}

struct MonthName
{
    int month = 0;
    bool localeName = false; // false: recognised as English only
};

MonthName MonthNamed(const QLocale &locale, const QString &word)
{
    if (const int month = MonthIn(locale, word))
        return {month, true};
    for (const QLocale &english : EnglishLocales()) {
        if (const int month = MonthIn(english, word))
            return {month, false};
    }
    return {};
}

bool IsWeekday(const QLocale &locale, const QString &word)
{
    if (IsWeekdayIn(locale, word))
        return true;
    for (const QLocale &english : EnglishLocales()) {
        if (IsWeekdayIn(english, word))
            return true;
    }
    return false;
}

struct Token
{
    bool isWord = false;
    int value = 0;  // numbers
    int digits = 0; // numbers
    QString word;   // words, as typed
};

// A weekday, a month name and three numbers is already one part too many; stopping at
// five parts keeps any text, however long, cheap to refuse.
constexpr int MaxTokens = 4;
// Longer than any month or weekday name of any locale.
constexpr qsizetype MaxWordLength = 40;

struct Tokens
{
    std::array<Token, MaxTokens> items;
    int count = 0;
};

// Splits trimmed text into numbers and words. Between two parts there must be at least one
// separator and at most one that is not a blank ("8. Februar", "Feb 8, 2028"); a word may
// carry its own abbreviation dot ("Dez.", "feb.,"). The text may end in one dot
// ("8.2.2028."); anything outside digits, letters and separators refuses the whole text.
std::optional<Tokens> Tokenize(QStringView text)
{
    Tokens tokens;
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size) {
        bool abbreviationDot = false;
        if (tokens.count > 0 && tokens.items[tokens.count - 1].isWord && text[i] == u'.') {
            abbreviationDot = true;
            ++i;
        }
        const qsizetype gapStart = i;
        int marks = 0;
        while (i < size && IsSeparator(text[i])) {
            if (!text[i].isSpace())
                ++marks;
            ++i;
        }
        const qsizetype gap = i - gapStart;
        if (i == size) {
            const bool trailingDot = gap == 1 && text[gapStart] == u'.';
            if (gap == 0 || (trailingDot && !abbreviationDot))
                break;
            return std::nullopt;
        }
        if (tokens.count == 0 ? gap > 0 : (marks > 1 || (gap == 0 && !abbreviationDot)))
            return std::nullopt;
        if (tokens.count == MaxTokens)
            return std::nullopt;

        Token &token = tokens.items[tokens.count++];
        const qsizetype start = i;
        if (IsAsciiDigit(text[i])) {
            while (i < size && IsAsciiDigit(text[i])) {
                if (i - start == 4)
                    return std::nullopt; // no part of a date has five digits
                token.value = token.value * 10 + (text[i].unicode() - u'0');
                ++i;
            }
            token.digits = int(i - start);
        } else if (IsWordChar(text[i])) {
            while (i < size && IsWordChar(text[i])) {
                if (i - start == MaxWordLength)
                    return std::nullopt;
                ++i;
            }
            token.isWord = true;
            token.word = text.sliced(start, i - start).toString();
        } else {
            return std::nullopt;
        }
    }
    if (tokens.count == 0)
        return std::nullopt;
    return tokens;
}

// Two-digit (and one-digit) years: 00-29 are this century, 30-99 the last one.
std::optional<int> YearOf(const Token &token)
{
    if (token.digits <= 2)
        return token.value + (token.value < 30 ? 2000 : 1900);
    if (token.digits == 4 && token.value >= 100)
        return token.value;
    return std::nullopt;
}

std::optional<QDate> MakeDate(const Token &year, const Token &month, const Token &day)
{
    const std::optional<int> y = YearOf(year);
    if (!y || month.digits > 2 || day.digits > 2)
        return std::nullopt;
    const QDate date(*y, month.value, day.value);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

std::optional<QDate> NumericDate(const std::array<Token, 3> &parts, const Layout &layout)
{
    int fourDigit = -1;
    for (int i = 0; i < 3; ++i) {
        if (parts[i].digits == 4) {
            if (fourDigit >= 0)
                return std::nullopt;
            fourDigit = i;
        }
    }
    const int localeYear = layout.PositionOf(Field::Year);
    const int yearAt = fourDigit >= 0 ? fourDigit : localeYear;
    // A year in front is followed by month and day in every convention (ISO, East Asian,
    // Hungarian); elsewhere the locale decides which of the other two is the day. A year
    // in the middle is no convention but the locale's own.
    bool dayFirst = layout.DayBeforeMonth();
    if (yearAt == 0 && localeYear != 0)
        dayFirst = false;
    else if (yearAt == 1 && localeYear != 1)
        return std::nullopt;

    std::array<int, 2> others{};
    for (int i = 0, n = 0; i < 3; ++i) {
        if (i != yearAt)
            others[n++] = i;
    }
    const Token &day = parts[dayFirst ? others[0] : others[1]];
    const Token &month = parts[dayFirst ? others[1] : others[0]];
    if (const auto date = MakeDate(parts[yearAt], month, day))
        return date;
    // "13/2/2028" in a month-first locale: the writer used the other convention.
    return MakeDate(parts[yearAt], day, month);
}

std::optional<QDate> NamedDate(const MonthName &name, const Token &first, const Token &second,
                               const QLocale &locale)
{
    // A four-digit number is the year (a second one then fails as the day). Otherwise the
    // language of the month name decides: English writes the day first ("Feb 8, 28").
    bool firstIsDay = second.digits == 4;
    if (first.digits != 4 && second.digits != 4)
        firstIsDay = name.localeName ? LongDayBeforeYear(locale) : true;
    const Token &day = firstIsDay ? first : second;
    const Token &year = firstIsDay ? second : first;
    Token month;
    month.value = name.month;
    month.digits = 2;
    return MakeDate(year, month, day);
}

} // namespace

QDate Today()
{
    const QDate fixed = QDate::fromJulianDay(fixedToday.load());
    return fixed.isValid() ? fixed : QDate::currentDate();
}

void SetToday(QDate date)
{
    fixedToday.store(date.isValid() ? date.toJulianDay() : QDate().toJulianDay());
}

std::optional<QDate> ParseDate(const QString &text, const QLocale &locale)
{
    const std::optional<Tokens> tokens = Tokenize(QStringView(text).trimmed());
    if (!tokens)
        return std::nullopt;

    std::array<Token, MaxTokens> parts;
    int count = 0;
    int words = 0;
    for (int i = 0; i < tokens->count; ++i)
        words += tokens->items[i].isWord ? 1 : 0;
    for (int i = 0; i < tokens->count; ++i) {
        const Token &token = tokens->items[i];
        // A leading weekday ("Tuesday, February 8, 2028") is dropped, unless the word is
        // also the only month name there is ("mar" is Tuesday and March in Spanish).
        if (i == 0 && token.isWord && IsWeekday(locale, token.word) &&
            !(words == 1 && MonthNamed(locale, token.word).month != 0)) {
            --words;
            continue;
        }
        parts[count++] = token;
    }

    if (words == 0 && count == 3)
        return NumericDate({parts[0], parts[1], parts[2]}, ShortLayout(locale));
    if (words != 1 || count != 3)
        return std::nullopt;

    std::array<Token, 2> numbers;
    MonthName name;
    for (int i = 0, n = 0; i < 3; ++i) {
        if (parts[i].isWord)
            name = MonthNamed(locale, parts[i].word);
        else
            numbers[n++] = parts[i];
    }
    if (name.month == 0)
        return std::nullopt;
    return NamedDate(name, numbers[0], numbers[1], locale);
}

QString LongDate(QDate date, const QLocale &locale)
{
    return locale.toString(date, QLocale::LongFormat);
}

QString ShortDate(QDate date, const QLocale &locale)
{
    if (!date.isValid())
        return {};
    const Layout layout = ShortLayout(locale);
    QStringList parts;
    for (const Field field : layout.order) {
        switch (field) {
        case Field::Day:
            parts << QString::number(date.day()).rightJustified(layout.padDay ? 2 : 1, u'0');
            break;
        case Field::Month:
            parts << QString::number(date.month()).rightJustified(layout.padMonth ? 2 : 1, u'0');
            break;
        case Field::Year: {
            const QString year = QString::number(qAbs(date.year())).rightJustified(4, u'0');
            parts << (date.year() < 0 ? QStringLiteral("-") + year : year);
            break;
        }
        }
    }
    return parts.join(layout.separator);
}

qint64 DaysBetween(QDate from, QDate to)
{
    return from.daysTo(to);
}

QDate AddMonths(QDate date, int months)
{
    return date.addMonths(months);
}

} // namespace core
