// The lenient date parser over any text, in several locales. Whatever it accepts must
// also write out, and the short date it writes must read back as the same day: that is
// how a date travels through the settings file.
#include "FuzzSupport.h"

#include "core/Dates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QLocale locale = fuzz::LocaleFrom(data[0]);
    const QString text = fuzz::Text(data + 1, size - 1);

    const std::optional<QDate> date = core::ParseDate(text, locale);
    if (core::IsDate(text, locale) != date.has_value())
        fuzz::Fail("IsDate disagrees with ParseDate", text);
    if (!date)
        return 0;

    if (core::LongDate(*date, locale).isEmpty())
        fuzz::Fail("no long date", text);
    const QString shortDate = core::ShortDate(*date, locale);
    const std::optional<QDate> again = core::ParseDate(shortDate, locale);
    if (again != date)
        fuzz::Fail("short date does not read back",
                   QStringList{locale.name(), text, date->toString(Qt::ISODate), shortDate,
                               again ? again->toString(Qt::ISODate) : QStringLiteral("nothing")}
                       .join(QStringLiteral(" -> ")));
    return 0;
}
