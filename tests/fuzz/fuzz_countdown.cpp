// The countdown composed from any stored title, target date and completion phrase, on a
// fixed day and on any day. Beyond not crashing: the years, months and days it shows
// lead from today exactly to the target, and the completion phrase shows from the
// target day on.
#include "FuzzSupport.h"

#include "core/Dates.h"
#include "countdown/CountdownText.h"

#include <cstring>

using countdown::CountdownInputs;
using countdown::CountdownPieces;

namespace {

// A leap day, so that month arithmetic meets a day some months lack.
const QDate FixedToday(2024, 2, 29);

void CheckCountingDown(const CountdownInputs &inputs, const CountdownPieces &pieces, QDate target)
{
    // An empty piece is 0.
    const int years = pieces.YearsText.trimmed().toInt();
    const int months = pieces.MonthsText.trimmed().toInt();
    const int days = pieces.DaysText.trimmed().toInt();
    const QString context = inputs.today.toString(Qt::ISODate) + QStringLiteral(" to ") +
                            inputs.dateText + QStringLiteral(": ") + pieces.Phrase();
    if (years < 0 || months < 0 || months > 11 || days < 0 || days > 30)
        fuzz::Fail("a unit out of its range", context);
    if (core::AddMonths(inputs.today, years * 12 + months).addDays(days) != target)
        fuzz::Fail("the units do not lead to the target", context);
    if (pieces.TitleText != inputs.title)
        fuzz::Fail("the title changed", context);
    const QString total = QString::number(inputs.today.daysTo(target));
    if ((inputs.includeDays == 1) != pieces.TotalDaysText.contains(total))
        fuzz::Fail("the day total shown against the setting", context);
}

void Compose(const CountdownInputs &inputs)
{
    CountdownPieces pieces;
    const std::optional<core::Failure> failure = countdown::ComposeCountdown(inputs, pieces);
    const std::optional<QDate> target = core::ParseDate(inputs.dateText, inputs.locale);
    if (failure) {
        if (target && qAbs(inputs.today.daysTo(*target)) <= 32767)
            fuzz::Fail("refused a date it can count to", inputs.dateText);
        return;
    }
    if (!target)
        fuzz::Fail("counted to a text that is no date", inputs.dateText);
    if (inputs.today.daysTo(*target) > 0) {
        CheckCountingDown(inputs, pieces, *target);
    } else if (pieces.DaysWord != inputs.completionPhrase || !pieces.TitleText.isEmpty() ||
               pieces.PhraseWithoutTotal() != inputs.completionPhrase) {
        fuzz::Fail("not the completion phrase on or after the target", inputs.dateText);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A locale, the IncludeDays value, a day offset for "any day", then the three texts
    // separated by NUL bytes.
    constexpr size_t HeaderBytes = 1 + 2 + 4;
    if (size < HeaderBytes)
        return 0;
    CountdownInputs inputs;
    inputs.locale = fuzz::LocaleFrom(data[0]);
    std::memcpy(&inputs.includeDays, data + 1, 2);
    qint32 offset;
    std::memcpy(&offset, data + 3, 4);
    const QStringList texts = fuzz::SplitOnNul(data + HeaderBytes, size - HeaderBytes);
    inputs.title = texts.value(0);
    inputs.dateText = texts.value(1);
    inputs.completionPhrase = texts.value(2);

    inputs.today = FixedToday;
    Compose(inputs);
    inputs.today = FixedToday.addDays(offset);
    if (inputs.today.isValid())
        Compose(inputs);
    return 0;
}
