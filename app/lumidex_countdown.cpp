// lumidex-countdown: the saver's two lines for terminals and status bars.

#include "app/StandardOutput.h"
#include "core/Dates.h"
#include "countdown/BuildCountdownText.h"
#include "platform/Store.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <cstdio>
#include <optional>

namespace {

constexpr int DateCalculationFailed = 1;
constexpr int BadArguments = 2;

const char Program[] = "lumidex-countdown";
const char Usage[] = "usage: lumidex-countdown [--today YYYY-MM-DD]\n";

std::optional<QDate> IsoDate(const QString &text)
{
    static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (!iso.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, Qt::ISODate);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

struct Options
{
    std::optional<QDate> today;
    bool help = false;
    bool valid = true;
};

Options ParseOptions(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 0; i < arguments.size() && options.valid; ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--today") && i + 1 < arguments.size()) {
            options.today = IsoDate(arguments.at(++i));
            options.valid = options.today.has_value();
        } else if (argument.startsWith(QLatin1String("--today="))) {
            options.today = IsoDate(argument.mid(8));
            options.valid = options.today.has_value();
        } else {
            options.valid = false;
        }
    }
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const Options options = ParseOptions(QCoreApplication::arguments().mid(1));
    if (!options.valid) {
        std::fputs(Usage, stderr);
        return BadArguments;
    }
    if (options.help)
        return startup::WriteStandardOutput(Program, QString::fromLatin1(Usage));
    if (options.today)
        core::SetToday(*options.today);

    // What the saver tells in a message box, told on standard error.
    const countdown::BuiltCountdown built = [] {
        const platform::StoreReading reading;
        return countdown::BuildCountdownText(settings::ReadWhole16(settings::key::IncludeDays));
    }();
    if (built.failure) {
        const QString message = QString(countdown::DateCalculationErrorText)
                                    .replace(QLatin1String("\r\n"), QLatin1String("\n"));
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return DateCalculationFailed;
    }
    return startup::WriteStandardOutput(Program, built.pieces.TitleText + QLatin1Char('\n') +
                                                     built.pieces.Phrase() + QLatin1Char('\n'));
}
