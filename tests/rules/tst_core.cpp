#include "TestSupport.h"

#include "core/Conversions.h"
#include "core/Dates.h"

#include <QTest>

using namespace core;

namespace {

// A conversion's failure number (0: none) and value widened to double.
template <typename T> std::pair<int, double> Widened(const Converted<T> &converted)
{
    return {converted.ok() ? 0 : converted.failure.number, double(converted.valueOr(T()))};
}

std::pair<int, double> Convert(const QString &type, const QString &text)
{
    return type == u"whole16"   ? Widened(ToWhole16(text))
           : type == u"whole32" ? Widened(ToWhole32(text))
           : type == u"single"  ? Widened(ToSingle(text))
           : type == u"boolean" ? Widened(ToBoolean(text))
                                : Widened(ToNumber(text));
}

const QStringList Everywhere{"C", "en_US", "en_GB", "de_DE", "sv_SE", "ja_JP"};

} // namespace

class TstCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rows: the conversion, the text, the failure number and the value. The same in a German
    // locale: the store is shared between users of any language.
    void convertsStoredText_data()
    {
        testing::AddRows(R"(
number |  \t42\t  | 0 | 42
number | -7.25 | 0 | -7.25
number | .5 | 0 | 0.5
number | 2.5E-2 | 0 | 0.025
number | 1e-400 | 0 | 0
number | 1e400 | 6 | 0
number |  | 13 | 0
number | 12abc | 13 | 0
number | 0x1A | 13 | 0
number | 1,5 | 13 | 0
whole16 | 2.5 | 0 | 2
whole16 | 3.5 | 0 | 4
whole16 | 32767.5 | 6 | 0
whole16 | -32768.5 | 0 | -32768
whole32 | 32768 | 0 | 32768
whole32 | 2147483648 | 6 | 0
whole32 | -2147483648 | 0 | -2147483648
single | 0.1 | 0 | 0.100000001490116
single | 3.4028235e38 | 0 | 3.40282346638529e38
single | 3.4028236e38 | 6 | 0
boolean |   tRuE\t | 0 | 1
boolean |  0.0  | 0 | 0
boolean | 0.001 | 0 | 1
boolean | yes | 13 | 0
)");
        QTest::newRow("100 000 digits") << QStringList{"number", QString(100000, u'7'), "6", "0"};
        QTest::newRow("zeros before")
            << QStringList{"number", QString(100000, u'0') + "1.5", "0", "1.5"};
    }

    void convertsStoredText()
    {
        QFETCH(QStringList, row);
        const double value = row[3].toDouble();
        for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::German)}) {
            QLocale::setDefault(locale);
            const auto [failed, result] = Convert(row[0], row[1]);
            QCOMPARE(failed, row[2].toInt());
            QVERIFY2(qFuzzyCompare(result + 1, value + 1), qPrintable(row[1]));
        }
        QLocale::setDefault(QLocale::c());
    }

    // Rows: the locales ("*": everywhere), the text, the date ("-": refused).
    void parsesDates_data()
    {
        testing::AddRows(R"(
* | 2028-02-08 | 2028-02-08
* | 1/1/2005 | 2005-01-01
C en_US sv_SE | 2/8/2028 | 2028-02-08
en_GB de_DE | 2/8/2028 | 2028-08-02
C en_US | 13/2/2028 | 2028-02-13
de_DE | 8.2.2028. | 2028-02-08
en_US |  \t2  8   2028\n | 2028-02-08
en_US de_DE | feb. 8 2028 | 2028-02-08
de_DE | 8. März 2028 | 2028-03-08
en_US | 8 Sept 2028 | 2028-09-08
hu_HU | 28. febr. 8. | 2028-02-08
en_US | Tuesday, February 8, 2028 | 2028-02-08
es_ES | mar., 8 mar. 2028 | 2028-03-08
tr_TR | 8 MAYIS 2028 | 2028-05-08
tr_TR | SALI, 4 NİSAN 2028 | 2028-04-04
tr_TR | 4 NISAN 2028 | 2028-04-04
C | 2/8/29 | 2029-02-08
C | 2/8/30 | 1930-02-08
en_GB | 8/2/5 | 2005-02-08
sv_SE | 9999-12-31 | 9999-12-31
* |  | -
* | 1/1 | -
* | 2/30/2028 | -
* | Feb 31 2028 | -
* | 2/8/202 | -
* | 8Feb2028 | -
* | ٢/٨/٢٠٢٨ | -
)");
    }

    void parsesDates()
    {
        QFETCH(QStringList, row);
        for (const QString &locale : row[0] == u"*" ? Everywhere : row[0].split(u' ')) {
            const std::optional<QDate> date = ParseDate(row[1], QLocale(locale));
            QCOMPARE(locale + ": " + (date ? date->toString(Qt::ISODate) : "-"),
                     locale + ": " + row[2]);
        }
    }

    // A short date always has four year digits and reads back, in every locale Qt knows,
    // so a date never changes century on its way through the store.
    void shortDatesReadBackEverywhere()
    {
        QStringList failures;
        for (const QLocale &locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            for (const QDate date : {QDate(2028, 2, 8), QDate(100, 1, 1), QDate(9999, 12, 31)}) {
                const QString text = ShortDate(date, locale);
                if (!text.contains(QString::number(date.year()).rightJustified(4, u'0')) ||
                    ParseDate(text, locale) != date)
                    failures << locale.name() + ": " + text;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(", ")));
        QCOMPARE(ShortDate(QDate(2028, 2, 8), QLocale(QStringLiteral("en_US"))), "2/8/2028");
        QCOMPARE(ShortDate(QDate(1930, 3, 1), QLocale(QStringLiteral("de_DE"))), "01.03.1930");
        const QString longDate = LongDate(QDate(1930, 3, 1), QLocale(QStringLiteral("de_DE")));
        QCOMPARE(longDate, QStringLiteral("Samstag, 1. März 1930"));
        QCOMPARE(ParseDate(longDate, QLocale(QStringLiteral("de_DE"))), QDate(1930, 3, 1));
    }
};

LUMIDEX_REGISTER_TEST(TstCore)
#include "tst_core.moc"
