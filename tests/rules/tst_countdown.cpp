#include "TestSupport.h"

#include "countdown/CountdownText.h"

#include <QTest>

using namespace countdown;

namespace {

CountdownInputs Inputs(QDate today, const QString &target, qint16 includeDays = 0)
{
    return {today,       QStringLiteral("Title"), target, QStringLiteral("Done!"), includeDays,
            QLocale::c()};
}

std::optional<core::Failure> Compose(QDate today, QDate target, CountdownPieces &pieces,
                                     qint16 includeDays = 0)
{
    return ComposeCountdown(Inputs(today, target.toString(Qt::ISODate), includeDays), pieces);
}

} // namespace

class TstCountdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rows: today, the target, the phrase (each number after a blank) and the day total.
    void workedExamples_data()
    {
        testing::AddRows(R"(
2026-12-05 | 2026-12-06 |  1 day! |    (1 day!)
2026-12-05 | 2027-12-05 |  1 year! |    (365 days!)
2026-12-05 | 2028-12-05 |  2 years! |    (731 days!)
2026-12-05 | 2028-02-08 |  1 year  2 months  3 days! |    (430 days!)
2026-12-05 | 2027-01-05 |  1 month! |    (31 days!)
2026-12-05 | 2027-02-06 |  2 months  1 day! |    (63 days!)
2026-12-05 | 2027-12-04 |  11 months  29 days! |    (364 days!)
2026-12-05 | 2028-12-06 |  2 years  1 day! |    (732 days!)
2027-01-31 | 2027-03-01 |  1 month  1 day! |    (29 days!)
2026-03-31 | 2026-04-30 |  30 days! |    (30 days!)
2028-02-29 | 2029-02-28 |  11 months  30 days! |    (365 days!)
2027-02-28 | 2028-02-29 |  1 year  1 day! |    (366 days!)
2026-01-10 | 2028-03-10 |  2 years  2 months! |    (790 days!)
)");
    }

    void workedExamples()
    {
        QFETCH(QStringList, row);
        const QDate today = QDate::fromString(row[0], Qt::ISODate);
        const QDate target = QDate::fromString(row[1], Qt::ISODate);
        const QString phrase = row[2], total = row[3];
        CountdownPieces plain, withTotal;
        QVERIFY(!Compose(today, target, plain) && !Compose(today, target, withTotal, 1));
        QCOMPARE(plain.Phrase(), phrase);
        QCOMPARE(withTotal.Phrase(), phrase + total);
        QCOMPARE(plain.TitleText, QStringLiteral("Title"));
    }

    // From the target day on: the completion phrase alone, down to the oldest countable day.
    void reachedTargetShowsTheCompletionPhrase()
    {
        for (const int days : {0, -1, -32768}) {
            CountdownPieces pieces{"stale", " 1", " year ", {}, {}, {}, {}, "stale"};
            QVERIFY(!Compose({2026, 12, 5}, QDate(2026, 12, 5).addDays(days), pieces, 1));
            QCOMPARE(pieces.TitleText + pieces.Phrase(), QStringLiteral("Done!"));
        }
    }

    // A date that is none, or a day count beyond 16 bits, fails; the title and unit words
    // are set and the numbers of the last good count stay.
    void failuresKeepEarlierNumbers()
    {
        const QDate today(2026, 12, 5);
        CountdownPieces pieces;
        QVERIFY(!Compose(today, today.addDays(32767), pieces, 1));
        QVERIFY(pieces.TotalDaysText.contains(QLatin1String("(32767 days!)")));
        QCOMPARE(Compose(today, today.addDays(32768), pieces)->number, int(core::Overflow));
        QCOMPARE(Compose(today, today.addDays(-32769), pieces)->number, int(core::Overflow));
        QVERIFY(!Compose(today, {2028, 2, 8}, pieces, 1));
        for (const char *text : {"", "soon", "2/30/2028"}) {
            auto inputs = Inputs(today, QString::fromLatin1(text));
            inputs.title = QStringLiteral("New title");
            QCOMPARE(ComposeCountdown(inputs, pieces)->number, int(core::TypeMismatch));
            QCOMPARE(pieces.TitleText, QStringLiteral("New title"));
            QCOMPARE(pieces.Phrase(), QStringLiteral(" 1 years  2 months  3 days!   (430 days!)"));
        }
    }
};

LUMIDEX_REGISTER_TEST(TstCountdown)
#include "tst_countdown.moc"
