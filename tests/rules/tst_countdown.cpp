#include "TestSupport.h"

#include "countdown/CountdownText.h"

#include <QTest>

using namespace countdown;

namespace {

// The failure number of composing, 0 for none.
int Compose(const QString &today, const QString &target, qint16 includeDays, const QString &title,
            CountdownPieces &pieces)
{
    const std::optional<core::Failure> failure = ComposeCountdown(
        {QDate::fromString(today, Qt::ISODate), title, target, "Done!", includeDays, QLocale::c()},
        pieces);
    return failure ? failure->number : 0;
}

} // namespace

class TstCountdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rows: today, the target, the phrase (each number after a blank) and the day total, or
    // the failure number. From the target day on, the completion phrase alone, down to the
    // oldest countable day. A target that is no date, or a day count beyond 16 bits, fails:
    // the title and the unit words are set and the numbers of the count before stay.
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
2026-12-05 | 2116-08-22 |  89 years  8 months  17 days! |    (32767 days!)
2027-01-31 | 2027-03-01 |  1 month  1 day! |    (29 days!)
2026-03-31 | 2026-04-30 |  30 days! |    (30 days!)
2028-02-29 | 2029-02-28 |  11 months  30 days! |    (365 days!)
2027-02-28 | 2028-02-29 |  1 year  1 day! |    (366 days!)
2026-01-10 | 2028-03-10 |  2 years  2 months! |    (790 days!)
2026-12-05 | 2026-12-05 | Done!
2026-12-05 | 2026-12-04 | Done!
2026-12-05 | 1937-03-19 | Done!
2026-12-05 | 2116-08-23 | 6
2026-12-05 | 1937-03-18 | 6
2026-12-05 |  | 13
2026-12-05 | soon | 13
2026-12-05 | 2/30/2028 | 13
)");
    }

    void workedExamples()
    {
        QFETCH(QStringList, row);
        const int failure = row[2].toInt();
        const QString kept = QStringLiteral(" 1 years  2 months  3 days!   (430 days!)");
        for (const qint16 includeDays : {0, 1}) {
            CountdownPieces pieces; // an earlier count's, all replaced unless this one fails
            QCOMPARE(Compose("2026-12-05", "2028-02-08", 1, "Earlier", pieces), 0);
            QCOMPARE(Compose(row[0], row[1], includeDays, "Title", pieces), failure);
            QCOMPARE(pieces.TitleText + '|' + pieces.Phrase(),
                     (row[2] == u"Done!" ? "|" : "Title|") +
                         (failure ? kept : row[2] + (includeDays ? row.value(3) : "")));
        }
    }
};

LUMIDEX_REGISTER_TEST(TstCountdown)
#include "tst_countdown.moc"
