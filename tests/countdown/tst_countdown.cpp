#include "TestSupport.h"

#include "countdown/BuildCountdownText.h"
#include "state/modGeneral.h"
#include "core/Dates.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"

#include <QTest>

using countdown::ComposeCountdown;
using countdown::CountdownInputs;
using countdown::CountdownPieces;

namespace {

const QString DefaultCompletion = QStringLiteral("Completion phrase upon reaching target date.");

CountdownInputs Inputs(QDate today, QDate target, qint16 includeDays = 0)
{
    return {today,
            QStringLiteral("Enter Title Text"),
            target.toString(Qt::ISODate),
            DefaultCompletion,
            includeDays,
            QLocale::c()};
}

CountdownPieces Compose(const CountdownInputs &inputs)
{
    CountdownPieces pieces;
    const auto failure = ComposeCountdown(inputs, pieces);
    if (failure)
        qWarning("unexpected failure %d", failure->number);
    return pieces;
}

// Reads " 1" / "" back into 1 / 0, for the arithmetic checks.
int Number(const QString &text)
{
    return text.isEmpty() ? 0 : text.trimmed().toInt();
}

void Build()
{
    auto built = countdown::BuildCountdownText(modGeneral::State.IncludeDays, modGeneral::State.Countdown);
    modGeneral::State.Countdown = built.pieces;
    if (built.failure)
        platform::MsgBox(countdown::DateCalculationErrorText, platform::MsgButtons::Ok, platform::MsgIcon::Critical);
}

} // namespace

class TstCountdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { testing::ClearStore(); }
    void cleanup()
    {
        core::SetToday({});
        platform::SetMessageBoxResponder({});
        modGeneral::State.IncludeDays = 0;
        modGeneral::State.Countdown = {};
    }

    void workedExamples_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("target");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("withTotal");

        auto row = [](const char *name, QDate today, QDate target, const char *phrase,
                      const char *withTotal) {
            QTest::newRow(name) << today << target << QString::fromLatin1(phrase)
                                << QString::fromLatin1(withTotal);
        };
        const QDate dec5(2026, 12, 5);
        row("tomorrow", dec5, {2026, 12, 6}, " 1 day!", " 1 day!   (1 day!)");
        row("exactly a year", dec5, {2027, 12, 5}, " 1 year!", " 1 year!   (365 days!)");
        row("two years", dec5, {2028, 12, 5}, " 2 years!", " 2 years!   (731 days!)");
        row("year months days", dec5, {2028, 2, 8}, " 1 year  2 months  3 days!",
            " 1 year  2 months  3 days!   (430 days!)");
        row("one month", dec5, {2027, 1, 5}, " 1 month!", " 1 month!   (31 days!)");
        row("months and a day", dec5, {2027, 2, 6}, " 2 months  1 day!",
            " 2 months  1 day!   (63 days!)");
        row("thirty days", dec5, {2027, 1, 4}, " 30 days!", " 30 days!   (30 days!)");
        row("year and a day", dec5, {2027, 12, 6}, " 1 year  1 day!",
            " 1 year  1 day!   (366 days!)");
        row("day before a year", dec5, {2027, 12, 4}, " 11 months  29 days!",
            " 11 months  29 days!   (364 days!)");
        row("new year", {2026, 12, 31}, {2027, 1, 1}, " 1 day!", " 1 day!   (1 day!)");
        row("to february's end", {2027, 1, 31}, {2027, 2, 28}, " 28 days!",
            " 28 days!   (28 days!)");
        row("anchor falls back", {2027, 1, 31}, {2027, 3, 1}, " 1 month  1 day!",
            " 1 month  1 day!   (29 days!)");
        row("short month", {2026, 3, 31}, {2026, 4, 30}, " 30 days!", " 30 days!   (30 days!)");
        row("from leap day", {2028, 2, 29}, {2029, 2, 28}, " 11 months  30 days!",
            " 11 months  30 days!   (365 days!)");
        row("from leap day past february", {2028, 2, 29}, {2029, 3, 1}, " 1 year  1 day!",
            " 1 year  1 day!   (366 days!)");
        row("to leap day", {2027, 2, 28}, {2028, 2, 29}, " 1 year  1 day!",
            " 1 year  1 day!   (366 days!)");
        row("months only", {2026, 1, 10}, {2026, 6, 10}, " 5 months!", " 5 months!   (151 days!)");
        row("years and months", {2026, 1, 10}, {2028, 3, 10}, " 2 years  2 months!",
            " 2 years  2 months!   (790 days!)");
        row("a year and a month", {2026, 1, 10}, {2027, 2, 10}, " 1 year  1 month!",
            " 1 year  1 month!   (396 days!)");
    }

    void workedExamples()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, target);
        QFETCH(QString, phrase);
        QFETCH(QString, withTotal);

        const CountdownPieces plain = Compose(Inputs(today, target, 0));
        QCOMPARE(plain.Phrase(), phrase);
        QCOMPARE(plain.TitleText, QStringLiteral("Enter Title Text"));

        const CountdownPieces total = Compose(Inputs(today, target, 1));
        QCOMPARE(total.Phrase(), withTotal);
        QCOMPARE(total.PhraseWithoutTotal(), phrase);
    }

    // Every pair of days over four years, leap years and month ends included: the units
    // add up to the target, and the days never reach a whole month.
    void unitsAddUpToTheTarget()
    {
        const QDate first(2027, 1, 1);
        for (QDate today = first; today < QDate(2029, 1, 1); today = today.addDays(3)) {
            for (QDate target = today.addDays(1); target < today.addDays(800);
                 target = target.addDays(7)) {
                const CountdownPieces pieces = Compose(Inputs(today, target));
                const int years = Number(pieces.YearsText);
                const int months = Number(pieces.MonthsText);
                const int days = Number(pieces.DaysText);
                QVERIFY2(months >= 0 && months <= 11, qPrintable(pieces.Phrase()));
                QVERIFY2(days >= 0 && days <= 30, qPrintable(pieces.Phrase()));
                const QDate anchor = core::AddMonths(today, 12 * years + months);
                QVERIFY2(anchor.addDays(days) == target,
                         qPrintable(today.toString() + " -> " + target.toString() + ": " +
                                    pieces.Phrase()));
                QVERIFY(pieces.Phrase().endsWith(QLatin1Char('!')));
            }
        }
    }

    void unitsOfZeroAreLeftOut()
    {
        const CountdownPieces pieces = Compose(Inputs({2026, 12, 5}, {2028, 12, 6}));
        QCOMPARE(pieces.MonthsText, QString());
        QCOMPARE(pieces.MonthsWord, QString());
        QCOMPARE(pieces.Phrase(), QStringLiteral(" 2 years  1 day!"));
    }

    void reachedTargetShowsTheCompletionPhrase_data()
    {
        QTest::addColumn<int>("daysFromToday");
        QTest::addColumn<int>("includeDays");
        QTest::newRow("today") << 0 << 0;
        QTest::newRow("today with total") << 0 << 1;
        QTest::newRow("yesterday") << -1 << 1;
        QTest::newRow("default date") << -8008 << 0;
        QTest::newRow("oldest countable") << -32768 << 1;
    }

    void reachedTargetShowsTheCompletionPhrase()
    {
        QFETCH(int, daysFromToday);
        QFETCH(int, includeDays);
        const QDate today(2026, 12, 5);
        CountdownPieces pieces;
        pieces.TotalDaysText = QStringLiteral("stale");
        auto inputs = Inputs(today, today.addDays(daysFromToday), qint16(includeDays));
        inputs.completionPhrase = QStringLiteral("Done, at last!");
        QVERIFY(!ComposeCountdown(inputs, pieces));
        QCOMPARE(pieces.Phrase(), QStringLiteral("Done, at last!"));
        QCOMPARE(pieces.DaysWord, QStringLiteral("Done, at last!"));
        QCOMPARE(pieces.TitleText, QString());
        QCOMPARE(pieces.TotalDaysText, QString());
    }

    void sixteenBitLimits()
    {
        const QDate today(2026, 12, 5);
        CountdownPieces pieces;
        QVERIFY(!ComposeCountdown(Inputs(today, today.addDays(32767), 1), pieces));
        QVERIFY(pieces.TotalDaysText.contains(QLatin1String("(32767 days!)")));

        auto tooFar = ComposeCountdown(Inputs(today, today.addDays(32768)), pieces);
        QVERIFY(tooFar);
        QCOMPARE(tooFar->number, int(core::Overflow));

        auto tooLongAgo = ComposeCountdown(Inputs(today, today.addDays(-32769)), pieces);
        QVERIFY(tooLongAgo);
        QCOMPARE(tooLongAgo->number, int(core::Overflow));
    }

    void textThatIsNoDateFails_data()
    {
        QTest::addColumn<QString>("dateText");
        QTest::newRow("empty") << QString();
        QTest::newRow("letters") << QStringLiteral("soon");
        QTest::newRow("no such day") << QStringLiteral("2/30/2028");
    }

    void textThatIsNoDateFails()
    {
        QFETCH(QString, dateText);
        CountdownPieces pieces;
        auto inputs = Inputs({2026, 12, 5}, {});
        inputs.dateText = dateText;
        const auto failure = ComposeCountdown(inputs, pieces);
        QVERIFY(failure);
        QCOMPARE(failure->number, int(core::TypeMismatch));
    }

    // A failure sets the title and the unit words but leaves the numbers of the last
    // good run where they were.
    void failureKeepsEarlierNumbers()
    {
        CountdownPieces pieces;
        QVERIFY(!ComposeCountdown(Inputs({2026, 12, 5}, {2028, 2, 8}, 1), pieces));
        auto broken = Inputs({2026, 12, 5}, {});
        broken.dateText = QStringLiteral("not a date");
        broken.title = QStringLiteral("New title");
        QVERIFY(ComposeCountdown(broken, pieces));
        QCOMPARE(pieces.TitleText, QStringLiteral("New title"));
        QCOMPARE(pieces.YearsText, QStringLiteral(" 1"));
        QCOMPARE(pieces.MonthsText, QStringLiteral(" 2"));
        QCOMPARE(pieces.DaysText, QStringLiteral(" 3"));
        QCOMPARE(pieces.TotalDaysText, QStringLiteral("   (430 days!)"));
        QCOMPARE(pieces.YearsWord, QStringLiteral(" years "));
        QCOMPARE(pieces.MonthsWord, QStringLiteral(" months "));
        QCOMPARE(pieces.DaysWord, QStringLiteral(" days!"));
    }

    // Through the store and the message box, as the saver runs it.
    void buildReportsTheDateError()
    {
        QList<platform::MessageBoxRequest> shown;
        platform::SetMessageBoxResponder([&](const platform::MessageBoxRequest &request) {
            shown << request;
            return platform::MsgAnswer::Ok;
        });
        platform::SaveSetting(platform::SettingsSection, QStringLiteral("Date"),
                              QStringLiteral("31/31/31"));
        Build();

        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("There has been an Error in the Date "
                                               "Calculation.\r\n\r\nPlease check the Target "
                                               "Date."));
        QCOMPARE(shown[0].icon, platform::MsgIcon::Critical);
        QCOMPARE(shown[0].buttons, platform::MsgButtons::Ok);
        QCOMPARE(shown[0].title, QStringLiteral("Lumidex ScreenSaver"));
        // What a fresh saver shows after the message.
        QCOMPARE(modGeneral::State.Countdown.Phrase(), QStringLiteral(" years  months  days!"));
        QCOMPARE(modGeneral::State.Countdown.TitleText, QStringLiteral("Enter Title Text"));
    }

    void buildUsesTheStoreAndTheDayTotalFlag()
    {
        platform::SetMessageBoxResponder(
            [](const platform::MessageBoxRequest &) { return platform::MsgAnswer::Ok; });
        core::SetToday({2026, 12, 5});
        platform::SaveSetting(platform::SettingsSection, QStringLiteral("Date"),
                              QStringLiteral("2028-02-08"));
        platform::SaveSetting(platform::SettingsSection, QStringLiteral("Title"),
                              QStringLiteral("Our wedding"));

        modGeneral::State.IncludeDays = 1;
        Build();
        QCOMPARE(modGeneral::State.Countdown.TitleText, QStringLiteral("Our wedding"));
        QCOMPARE(modGeneral::State.Countdown.Phrase(),
                 QStringLiteral(" 1 year  2 months  3 days!   (430 days!)"));

        modGeneral::State.IncludeDays = 2; // only 1 turns the total on
        Build();
        QCOMPARE(modGeneral::State.Countdown.Phrase(), QStringLiteral(" 1 year  2 months  3 days!"));
    }

    void emptyStoreShowsTheDefaultCompletionPhrase()
    {
        core::SetToday({2026, 12, 5});
        modGeneral::State.IncludeDays = 1;
        Build();
        QCOMPARE(modGeneral::State.Countdown.TitleText, QString());
        QCOMPARE(modGeneral::State.Countdown.Phrase(), DefaultCompletion);
    }
};

LUMIDEX_REGISTER_TEST(TstCountdown)
#include "tst_countdown.moc"
