#include "TestSupport.h"

#include "core/Dates.h"

#include <QTest>


using namespace core;

namespace {

// Reads the same text under several locales, expecting the same date from each.
void AddParse(const QStringList &locales, const QString &text, QDate expected)
{
    for (const QString &locale : locales)
        QTest::addRow("%s: %s", qPrintable(locale), qPrintable(QString(text).replace('\n', "\\n")))
            << locale << text << expected;
}

const QStringList Western{"C", "en_US", "en_GB", "de_DE"};
const QStringList Everywhere{"C", "en_US", "en_GB", "de_DE", "sv_SE", "ja_JP"};

} // namespace

class TstDates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { SetToday(QDate()); }

    void parse_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        const QDate feb8(2028, 2, 8);

        // A year in front is followed by month and day in every locale; otherwise the locale
        // decides (sv_SE writes the year first, so reads month first), and day and month
        // change places when the locale's way gives no date. Separators, blanks around them,
        // one dot at the end.
        for (const QString text : {"2028-02-08", "2028.2.8"})
            AddParse(Everywhere, text, feb8);
        AddParse({"C", "en_US", "sv_SE"}, "2/8/2028", feb8);
        AddParse({"en_GB", "de_DE"}, "2/8/2028", QDate(2028, 8, 2));
        AddParse({"sv_SE"}, "28-02-08", feb8);
        AddParse({"C", "en_US"}, "13/2/2028", QDate(2028, 2, 13));
        AddParse({"en_GB", "de_DE"}, "2/13/2028", QDate(2028, 2, 13));
        AddParse({"de_DE"}, "8.2.2028.", feb8);
        AddParse({"en_US"}, "2 -  8 .2028", feb8);
        AddParse({"en_US"}, " \t2  8   2028\n", feb8);

        // Month names of the locale and of English, any case, with or without a dot; with a
        // locale's name its long date decides whether day or year comes first.
        for (const QString text :
             {"Feb 8, 2028", "feb. 8 2028", "FEBRUARY 8 2028", "8-feb-2028", "Feb.8.2028"})
            AddParse(Western, text, feb8);
        for (const QString text : {"8. Februar 2028", "Feb 8 2028", "8 feb 28"})
            AddParse({"de_DE"}, text, feb8);
        AddParse({"de_DE"}, "8 Dez. 2028", QDate(2028, 12, 8));
        AddParse({"de_DE"}, "8. März 2028", QDate(2028, 3, 8));
        AddParse(Western, "8 Sept 2028", QDate(2028, 9, 8));
        AddParse({"sv_SE"}, "8 februari 28", feb8);
        AddParse({"hu_HU"}, "28. febr. 8.", feb8);
        AddParse({"ja_JP"}, "Feb 8, 28", feb8);

        // A weekday in front is skipped, even before a numeric date; "mar" is both Tuesday
        // and March in Spanish.
        AddParse({"en_US"}, "Tuesday, February 8, 2028", feb8);
        AddParse({"de_DE"}, "Tue 8 Feb 2028", feb8);
        AddParse({"de_DE"}, "Di., 8. Feb. 2028", feb8);
        AddParse({"en_US"}, "Tuesday 2/8/2028", feb8);
        AddParse({"es_ES"}, "mar., 8 mar. 2028", QDate(2028, 3, 8));
        AddParse({"es_ES"}, "mar 8 2028", QDate(2028, 3, 8));

        // Two-digit and one-digit years: 00-29 are 20xx, 30-99 19xx. The year range's ends.
        AddParse({"C", "en_US"}, "2/8/29", QDate(2029, 2, 8));
        AddParse({"C", "en_US"}, "2/8/30", QDate(1930, 2, 8));
        AddParse({"en_GB", "de_DE"}, "8/2/5", QDate(2005, 2, 8));
        AddParse(Western, "Feb 8, 00", QDate(2000, 2, 8));
        AddParse({"en_GB", "sv_SE"}, "0100-01-01", QDate(100, 1, 1));
        AddParse({"en_GB", "sv_SE"}, "9999-12-31", QDate(9999, 12, 31));

        // Refused (an invalid date expected) in every locale.
        for (const QString &text : QStringList{
                 // Not a whole date.
                 "", ".", "Tuesday", "1/1", "Feb 2028",
                 // Days and months that do not exist; years out of range or of three or five
                 // digits, two four-digit numbers.
                 "2/30/2028", "0/1/2005", "Feb 31 2028", "2/8/202", "2/8/20288", "2/8/0099",
                 "Feb 2028 2029", "2028/2028/2",
                 // Too many parts, two month names, a year in the middle.
                 "1/2/3/2028", "1 2 3 4 5", "Feb Mar 8 2028", "2/2028/8",
                 // Separators out of place or missing, other scripts' digits.
                 "2//8/2028", "/2/8/2028", "2/8/2028/", "2/8/2028..", "8Feb2028",
                 QString::fromUtf8("٢/٨/٢٠٢٨")})
            AddParse(Everywhere, text, QDate());
    }

    void parse()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const std::optional<QDate> parsed = ParseDate(text, QLocale(locale));
        QCOMPARE(parsed.has_value(), expected.isValid());
        QCOMPARE(parsed.value_or(QDate()), expected);
    }

    // "1/1/2005" is the same day everywhere, and every short date reads back as written.
    void everyLocale()
    {
        const QList<QDate> dates{{2028, 2, 8}, {2029, 11, 13}, {100, 1, 1}, {9999, 12, 31}};
        QStringList failures;
        for (const QLocale &locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            if (ParseDate("1/1/2005", locale) != QDate(2005, 1, 1))
                failures << locale.name() + ": 1/1/2005";
            for (const QDate date : dates) {
                const QString text = ShortDate(date, locale);
                const bool fourDigitYear =
                    text.contains(QString::number(date.year()).rightJustified(4, u'0'));
                if (!fourDigitYear || ParseDate(text, locale) != date)
                    failures << locale.name() + ": " + text;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(", ")));
    }

    void formats_data()
    {
        // The long date, when given, also reads back.
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("shortText");
        QTest::addColumn<QString>("longText");
        const QDate feb8(2028, 2, 8);
        QTest::newRow("C") << "C" << feb8 << "2/8/2028"
                           << "";
        QTest::newRow("en_US") << "en_US" << feb8 << "2/8/2028"
                               << "Tuesday, February 8, 2028";
        QTest::newRow("en_GB") << "en_GB" << feb8 << "08/02/2028"
                               << "Tuesday, 8 February 2028";
        QTest::newRow("de_DE") << "de_DE" << QDate(1930, 3, 1) << "01.03.1930"
                               << "Samstag, 1. März 1930";
        QTest::newRow("sv_SE") << "sv_SE" << feb8 << "2028-02-08"
                               << "";
        QTest::newRow("hu_HU") << "hu_HU" << feb8 << "2028.02.08"
                               << "";
        QTest::newRow("ar_EG") << "ar_EG" << feb8 << "8/2/2028"
                               << "";
        QTest::newRow("old year") << "en_US" << QDate(105, 11, 30) << "11/30/0105"
                                  << "";
        QTest::newRow("invalid") << "en_US" << QDate() << ""
                                 << "";
    }

    void formats()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        QFETCH(QString, shortText);
        QFETCH(QString, longText);
        QCOMPARE(ShortDate(date, QLocale(locale)), shortText);
        if (!longText.isEmpty()) {
            QCOMPARE(LongDate(date, QLocale(locale)), longText);
            QCOMPARE(ParseDate(longText, QLocale(locale)).value_or(QDate()), date);
        }
    }

    void monthsAndDays_data()
    {
        // AddMonths(date, months) gives `later`, DaysBetween(date, later) `days`.
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("months");
        QTest::addColumn<QDate>("later");
        QTest::addColumn<qint64>("days");
        QTest::newRow("to February") << QDate(2027, 1, 31) << 1 << QDate(2027, 2, 28) << 28ll;
        QTest::newRow("to leap February") << QDate(2028, 1, 31) << 1 << QDate(2028, 2, 29) << 29ll;
        QTest::newRow("leap day, a year on")
            << QDate(2028, 2, 29) << 12 << QDate(2029, 2, 28) << 365ll;
        QTest::newRow("back over the year end")
            << QDate(2027, 1, 15) << -13 << QDate(2025, 12, 15) << -396ll;
    }

    void monthsAndDays()
    {
        QFETCH(QDate, date);
        QFETCH(int, months);
        QFETCH(QDate, later);
        QFETCH(qint64, days);
        QCOMPARE(AddMonths(date, months), later);
        QCOMPARE(DaysBetween(date, later), days);
    }

    void todayCanBeFixed()
    {
        SetToday(QDate(2028, 2, 8));
        QCOMPARE(Today(), QDate(2028, 2, 8));
        const QDate before = QDate::currentDate();
        SetToday(QDate());
        QVERIFY(Today() == before || Today() == QDate::currentDate());
    }
};

LUMIDEX_REGISTER_TEST(TstDates)

#include "tst_dates.moc"
