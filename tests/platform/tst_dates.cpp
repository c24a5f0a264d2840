#include "TestSupport.h"

#include "platform/Dates.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

using platform::ParseDate;

namespace {

const QList<QLocale> &AllLocales()
{
    static const QList<QLocale> all =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    return all;
}

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
    void cleanup() { platform::SetToday(QDate()); }

    void parse_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected");
        const QDate feb8(2028, 2, 8);

        for (const QString text : {"2028-02-08", "2028-2-8", "2028/02/08", "2028.2.8"})
            AddParse(Everywhere, text, feb8);

        // The locale's order, its separators, and four-digit years wherever they stand.
        AddParse({"C", "en_US"}, "2/8/2028", feb8);
        AddParse({"en_GB", "de_DE"}, "2/8/2028", QDate(2028, 8, 2));
        AddParse({"de_DE"}, "8.2.2028.", feb8);
        AddParse({"en_GB"}, "08-02-2028", feb8);
        AddParse({"en_US"}, "2 -  8 .2028", feb8);
        AddParse({"en_US"}, " \t2  8   2028\n", feb8);
        AddParse({"sv_SE"}, "28-02-08", feb8);
        AddParse({"sv_SE", "ja_JP", "en_US"}, "1/2/2005", QDate(2005, 1, 2));
        AddParse({"de_DE", "en_GB"}, "1/2/2005", QDate(2005, 2, 1));
        AddParse({"hu_HU"}, "2028. 02. 08.", feb8);

        // Day and month the other way round when the locale's way gives no date.
        AddParse({"C", "en_US"}, "13/2/2028", QDate(2028, 2, 13));
        AddParse({"en_GB", "de_DE"}, "2/13/2028", QDate(2028, 2, 13));
        AddParse({"sv_SE"}, "2028-13-02", QDate(2028, 2, 13));

        // Month names of the locale and of English, any case, with or without a dot.
        for (const QString text : {"Feb 8, 2028", "feb. 8 2028", "FEBRUARY 8 2028", "8 Feb 2028",
                                   "8-feb-2028", "Feb.8.2028"})
            AddParse(Western, text, feb8);
        for (const QString text : {"8. Februar 2028", "8. Feb. 2028", "Feb 8 2028", "8 feb 28"})
            AddParse({"de_DE"}, text, feb8);
        AddParse({"de_DE"}, "8 Dez. 2028", QDate(2028, 12, 8));
        AddParse({"de_DE"}, "8. März 2028", QDate(2028, 3, 8));
        AddParse(Western, "8 Sept 2028", QDate(2028, 9, 8));
        AddParse({"sv_SE"}, "8 februari 28", feb8);
        AddParse({"hu_HU"}, "28. febr. 8.", feb8);
        AddParse({"ja_JP"}, "Feb 8, 28", feb8);

        // A weekday in front is skipped, even before a numeric date.
        AddParse({"en_US"}, "Tuesday, February 8, 2028", feb8);
        AddParse({"en_GB", "de_DE"}, "Tue 8 Feb 2028", feb8);
        AddParse({"de_DE"}, "Dienstag, 8. Februar 2028", feb8);
        AddParse({"de_DE"}, "Di., 8. Feb. 2028", feb8);
        AddParse({"en_US"}, "Tuesday 2/8/2028", feb8);
        // "mar" is both Tuesday and March in Spanish.
        AddParse({"es_ES"}, "mar., 8 mar. 2028", QDate(2028, 3, 8));
        AddParse({"es_ES"}, "mar 8 2028", QDate(2028, 3, 8));

        // Two-digit and one-digit years.
        AddParse({"C", "en_US"}, "2/8/29", QDate(2029, 2, 8));
        AddParse({"C", "en_US"}, "2/8/30", QDate(1930, 2, 8));
        AddParse({"C", "en_US"}, "2/8/05", QDate(2005, 2, 8));
        AddParse({"en_GB", "de_DE"}, "8/2/5", QDate(2005, 2, 8));
        AddParse({"de_DE"}, "8.2.99", QDate(1999, 2, 8));
        AddParse(Western, "Feb 8, 00", QDate(2000, 2, 8));

        // The ends of the year range.
        AddParse(Everywhere, "0100-01-01", QDate(100, 1, 1));
        AddParse(Everywhere, "9999-12-31", QDate(9999, 12, 31));
    }

    void parse()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        QCOMPARE(ParseDate(text, QLocale(locale)).value_or(QDate()), expected);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("text");
        const auto add = [](const QStringList &texts) {
            for (const QString &text : texts)
                QTest::addRow("%s", qPrintable(text)) << text;
        };
        // Not a whole date.
        add({"", "   ", ".", "abc", "Tuesday", "2028", "1/1", "Feb 2028"});
        // Days and months that do not exist; years out of range or of three or five digits.
        add({"2/30/2028", "0/1/2005", "1/0/2005", "Feb 31 2028"});
        add({"2/8/202", "2/8/20288", "2/8/0099", "Feb 2028 2029"});
        // Too many parts, a time of day, a trailing weekday, a year in the middle.
        add({"1/2/3/2028", "1 2 3 4 5", "Feb 8 2 2028", "Feb Mar 8 2028", "2/8/2028 10:00"});
        add({"2028-02-08T10:00", "2/8/2028 Tuesday", "2028/2028/2", "2/2028/8"});
        // Separators out of place.
        add({"2//8/2028", "/2/8/2028", "2/8/2028/", "2/8/2028,", "2/8/2028..", "8Feb2028"});
        add({"2/8/-2028", "+2/8/2028"});
        // Other scripts' digits, control characters, undecodable bytes.
        add({QString::fromUtf8("٢/٨/٢٠٢٨"), QString::fromUtf8("2028年2月8日"),
             QString("2/8/2028").replace(u'/', QChar(0)), QString::fromUtf8("\x01 2/8/2028"),
             QString::fromUtf8("2/8/2028\xff\xfe")});
    }

    void refuses()
    {
        QFETCH(QString, text);
        for (const QString &locale : Everywhere)
            QVERIFY2(!ParseDate(text, QLocale(locale)), qPrintable(locale));
    }

    void refusesHostileTextQuickly()
    {
        const QStringList texts{QString(1'000'000, u'1'),
                                QString(1'000'000, u'a'),
                                QString(1'000'000, u' ') + "x",
                                QString("1/").repeated(500'000),
                                QString("Feb ").repeated(250'000),
                                QString::fromUtf8("\xc3\x28\xff\xa0").repeated(250'000)};
        QElapsedTimer timer;
        timer.start();
        for (const QString &text : texts)
            QVERIFY(!ParseDate(text, QLocale("de_DE")));
        // Anything quadratic in the length takes hours here.
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    // Whatever random text the parser accepts is a date it can write and read back.
    void acceptsOnlyRealDates()
    {
        const QString alphabet =
            QString::fromUtf8("0123456789012345/-., \t.FebTuesday:ä\u00a0\ufffd");
        QRandomGenerator random(20280208);
        const QLocale locale("en_US");
        int accepted = 0;
        for (int i = 0; i < 20000; ++i) {
            QString text;
            for (int n = int(random.bounded(1, 14)); n > 0; --n)
                text += alphabet[random.bounded(int(alphabet.size()))];
            const std::optional<QDate> date = ParseDate(text, locale);
            if (!date)
                continue;
            ++accepted;
            QVERIFY2(date->isValid() && date->year() >= 100 && date->year() <= 9999,
                     qPrintable(text));
            QCOMPARE(ParseDate(platform::ShortDate(*date, locale), locale).value_or(QDate()),
                     *date);
        }
        QVERIFY(accepted > 0);
    }

    void defaultTextInEveryLocale()
    {
        QStringList failures;
        for (const QLocale &locale : AllLocales()) {
            if (ParseDate("1/1/2005", locale) != QDate(2005, 1, 1))
                failures << locale.name();
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(' ')));
    }

    void shortDate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("expected");
        const QDate feb8(2028, 2, 8);
        QTest::newRow("en_US") << "en_US" << feb8 << "2/8/2028";
        QTest::newRow("C") << "C" << feb8 << "2/8/2028";
        QTest::newRow("en_GB") << "en_GB" << feb8 << "08/02/2028";
        QTest::newRow("de_DE") << "de_DE" << feb8 << "08.02.2028";
        QTest::newRow("sv_SE") << "sv_SE" << feb8 << "2028-02-08";
        QTest::newRow("ja_JP") << "ja_JP" << feb8 << "2028/02/08";
        QTest::newRow("hu_HU") << "hu_HU" << feb8 << "2028.02.08";
        QTest::newRow("ar_EG") << "ar_EG" << feb8 << "8/2/2028";
        QTest::newRow("old year") << "en_US" << QDate(105, 11, 30) << "11/30/0105";
        QTest::newRow("invalid") << "en_US" << QDate() << "";
    }

    void shortDate()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        QFETCH(QString, expected);
        QCOMPARE(platform::ShortDate(date, QLocale(locale)), expected);
    }

    void shortDateRoundTripInEveryLocale()
    {
        const QList<QDate> dates{{2028, 2, 8},   {2005, 1, 1},  {2028, 12, 31}, {1930, 7, 4},
                                 {2029, 11, 13}, {2105, 5, 25}, {9999, 12, 31}, {100, 1, 1}};
        QStringList failures;
        for (const QLocale &locale : AllLocales()) {
            for (const QDate date : dates) {
                const QString text = platform::ShortDate(date, locale);
                const bool fourDigitYear =
                    text.contains(QString::number(date.year()).rightJustified(4, u'0'));
                if (!fourDigitYear || ParseDate(text, locale) != date)
                    failures << locale.name() + ": " + text;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(", ")));
    }

    void longDateRoundTrip_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en_US") << "en_US" << QDate(2028, 2, 8) << "Tuesday, February 8, 2028";
        QTest::newRow("en_GB") << "en_GB" << QDate(2029, 9, 13) << "Thursday, 13 September 2029";
        QTest::newRow("de_DE") << "de_DE" << QDate(2028, 3, 1) << "Mittwoch, 1. März 2028";
        QTest::newRow("de_DE 1930")
            << "de_DE" << QDate(1930, 12, 31) << "Mittwoch, 31. Dezember 1930";
        QTest::newRow("en_US 9999")
            << "en_US" << QDate(9999, 12, 31) << "Friday, December 31, 9999";
    }

    void longDateRoundTrip()
    {
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        QFETCH(QString, expected);
        const QString text = platform::LongDate(date, QLocale(locale));
        QCOMPARE(text, expected);
        QCOMPARE(ParseDate(text, QLocale(locale)).value_or(QDate()), date);
    }

    void addMonths_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("months");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("to February") << QDate(2027, 1, 31) << 1 << QDate(2027, 2, 28);
        QTest::newRow("to leap February") << QDate(2028, 1, 31) << 1 << QDate(2028, 2, 29);
        QTest::newRow("leap day, a year on") << QDate(2028, 2, 29) << 12 << QDate(2029, 2, 28);
        QTest::newRow("leap day, four years on") << QDate(2028, 2, 29) << 48 << QDate(2032, 2, 29);
        QTest::newRow("to a 30-day month") << QDate(2027, 5, 31) << 1 << QDate(2027, 6, 30);
        QTest::newRow("over the year end") << QDate(2027, 12, 15) << 1 << QDate(2028, 1, 15);
        QTest::newRow("backwards") << QDate(2027, 3, 31) << -1 << QDate(2027, 2, 28);
        QTest::newRow("backwards a year") << QDate(2027, 1, 15) << -13 << QDate(2025, 12, 15);
    }

    void addMonths()
    {
        QFETCH(QDate, date);
        QFETCH(int, months);
        QFETCH(QDate, expected);
        QCOMPARE(platform::AddMonths(date, months), expected);
    }

    void daysBetween_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<qint64>("days");
        QTest::newRow("next day") << QDate(2028, 2, 8) << QDate(2028, 2, 9) << qint64(1);
        QTest::newRow("day before") << QDate(2028, 2, 9) << QDate(2028, 2, 8) << qint64(-1);
        QTest::newRow("same day") << QDate(2028, 2, 8) << QDate(2028, 2, 8) << qint64(0);
        QTest::newRow("over leap day") << QDate(2028, 2, 28) << QDate(2028, 3, 1) << qint64(2);
        QTest::newRow("no leap day") << QDate(2027, 2, 28) << QDate(2027, 3, 1) << qint64(1);
        QTest::newRow("leap year") << QDate(2028, 1, 1) << QDate(2029, 1, 1) << qint64(366);
        QTest::newRow("years back") << QDate(2028, 1, 1) << QDate(2024, 1, 1) << qint64(-1461);
    }

    void daysBetween()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(qint64, days);
        QCOMPARE(platform::DaysBetween(from, to), days);
    }

    void todayCanBeFixed()
    {
        platform::SetToday(QDate(2028, 2, 8));
        QCOMPARE(platform::Today(), QDate(2028, 2, 8));
        const QDate before = QDate::currentDate();
        platform::SetToday(QDate());
        const QDate today = platform::Today();
        QVERIFY(today == before || today == QDate::currentDate());
    }
};

LUMIDEX_REGISTER_TEST(TstDates)

#include "tst_dates.moc"
