#include "app/HackOptions.h"

#include "Version.h"

namespace startup {

namespace {

// "--root" and "-root" alike; "" when the word is no option.
QString OptionName(const QString &word)
{
    if (word.startsWith(QLatin1String("--")))
        return word.mid(2);
    if (word.startsWith(QLatin1Char('-')))
        return word.mid(1);
    return {};
}

} // namespace

std::optional<quint32> WindowIdFrom(const QString &text)
{
    bool ok = false;
    qulonglong value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = text.mid(2);
        // toULongLong would also take a second "0x" or a sign.
        for (QChar c : digits)
            if (!c.isDigit() && !QStringLiteral("abcdefABCDEF").contains(c))
                return std::nullopt;
        value = digits.toULongLong(&ok, 16);
    } else {
        for (QChar c : text)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        value = text.toULongLong(&ok, 10);
    }
    if (!ok || value == 0 || value > 0xFFFFFFFFull)
        return std::nullopt;
    return quint32(value);
}

HackOptions HackOptionsFrom(const QStringList &arguments)
{
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1Char('/')))
        return {};
    bool help = false;
    bool version = false;
    bool root = false;
    bool window = false;
    bool windowIdGiven = false;
    HackOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments.at(i);
        const QString name = OptionName(word);
        if (name == QLatin1String("help")) {
            help = true;
        } else if (name == QLatin1String("version")) {
            version = true;
        } else if (name == QLatin1String("root")) {
            root = true;
        } else if (name == QLatin1String("window")) {
            window = true;
        } else if (name == QLatin1String("window-id")) {
            windowIdGiven = true;
            const bool hasValue = i + 1 < arguments.size();
            options.windowId = hasValue ? WindowIdFrom(arguments.at(i + 1)).value_or(0) : 0;
            if (hasValue)
                ++i;
        } else if (name.startsWith(QLatin1String("window-id="))) {
            windowIdGiven = true;
            options.windowId = WindowIdFrom(name.mid(10)).value_or(0);
        } else {
            options.unknown << word;
        }
    }
    if (help)
        options.run = HackRun::Help;
    else if (version)
        options.run = HackRun::Version;
    else if (windowIdGiven)
        options.run = HackRun::WindowId;
    else if (root)
        options.run = HackRun::Root;
    else if (window)
        options.run = HackRun::Window;
    else
        return {}; // words like "-s" stay the Windows saver's to refuse
    if (options.run != HackRun::WindowId)
        options.windowId = 0;
    return options;
}

QString UnrecognisedOption(const QStringList &arguments)
{
    const HackOptions options = HackOptionsFrom(arguments);
    // Without a host's option only the first word decides: "/s -x" is a Windows switch.
    const QStringList words =
        options.run == HackRun::NotAHack ? arguments.mid(0, 1) : options.unknown;
    for (const QString &word : words) {
        if (word.startsWith(QLatin1Char('-')))
            return word;
    }
    return {};
}

QString HackUsage()
{
    return QStringLiteral("Usage: lumidex [/s | /p ID | /c]\n"
                          "       lumidex [-root | -window-id ID | -window]\n"
                          "\n"
                          "The Windows screen saver's switches:\n"
                          "  /s               run full screen (also with no switch)\n"
                          "  /p ID            show the preview inside window ID\n"
                          "  /c               open the settings\n"
                          "\n"
                          "As a screen-saver host's program (one or two leading dashes):\n"
                          "  -root            draw into the window in XSCREENSAVER_WINDOW,\n"
                          "                   or into the root window without it\n"
                          "  -window-id ID    draw into window ID (decimal or 0x-hexadecimal)\n"
                          "  -window          draw into a window of its own\n"
                          "  -help            show this text\n"
                          "  -version         show the version\n"
                          "\n"
                          "A host ends the program with SIGTERM; input never ends it.\n");
}

} // namespace startup
