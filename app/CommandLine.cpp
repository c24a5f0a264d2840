#include "app/CommandLine.h"

#include "app/HackOptions.h"
#include "core/Conversions.h"
#include "core/Rounding.h"

#include <limits>

namespace startup {

namespace {

QString WithoutOuterBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

QString ArgumentsFrom(const QStringList &argumentsAfterProgram)
{
    return WithoutOuterBlanks(argumentsAfterProgram.join(QLatin1Char(' '))).toLower();
}

QString SwitchOf(const QString &arguments)
{
    return arguments.left(2);
}

Mode ModeOf(const QString &switchText)
{
    if (switchText.isEmpty() || switchText == QLatin1String("/s"))
        return Mode::Saver;
    if (switchText == QLatin1String("/p"))
        return Mode::Preview;
    if (switchText == QLatin1String("/c"))
        return Mode::Settings;
    return Mode::None;
}

qint32 PreviewHostNumber(const QString &arguments)
{
    // A number has no blanks inside and blanks around it change nothing, so only the
    // tails of the last word need testing, longest first. Its last characters are enough
    // for any window number; the bound keeps absurd command lines from taking long.
    constexpr qsizetype LongestNumber = 1024;
    const QString words = WithoutOuterBlanks(arguments);
    const QString lastWord =
        words.mid(words.lastIndexOf(QLatin1Char(' ')) + 1).right(LongestNumber);
    // X11 tools print window ids in hexadecimal: read those as "-window-id" does.
    QString hexadecimal = lastWord;
    if (hexadecimal.startsWith(QLatin1String("/p")))
        hexadecimal = hexadecimal.mid(hexadecimal.startsWith(QLatin1String("/p:")) ? 3 : 2);
    if (hexadecimal.startsWith(QLatin1String("0x")))
        return static_cast<qint32>(WindowIdFrom(hexadecimal).value_or(0));
    for (qsizetype start = 0; start < lastWord.size(); ++start) {
        const core::Converted<double> number = core::ToNumber(lastWord.mid(start));
        if (!number.ok() && number.failure.number != core::Overflow)
            continue;
        // A number too large for a window handle names no window.
        const double rounded = core::RoundHalfEven(number.valueOr(0));
        if (!number.ok() || rounded < std::numeric_limits<qint32>::min() ||
            rounded > std::numeric_limits<qint32>::max())
            return 0;
        return static_cast<qint32>(rounded);
    }
    return 0;
}

bool EndsAsSecondInstance(const QString &switchText, bool displayPropertiesOpen,
                          bool previousInstanceRunning)
{
    return switchText == QLatin1String("/s") && !displayPropertiesOpen && previousInstanceRunning;
}

} // namespace startup
