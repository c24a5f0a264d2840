#include "settings/SettingKeys.h"

#include <QtGlobal>
#include <array>

namespace settings {

namespace {

constexpr double LargestColour = 0xFFFFFF;
// The largest point size a font dialog offers.
constexpr double LargestFontSize = 1638;

SettingKey Text(const char *name, const char *defaultText)
{
    return {QString::fromUtf8(name), Form::Text, QString::fromUtf8(defaultText)};
}

SettingKey Number(const char *name, Form form, const char *defaultText, double lowest,
                  double highest)
{
    return {QString::fromLatin1(name), form, QString::fromLatin1(defaultText), lowest, highest};
}

SettingKey Flag(const char *name, const char *defaultText)
{
    return {QString::fromLatin1(name), Form::Flag, QString::fromLatin1(defaultText)};
}

const std::array<SettingKey, 31> &Table()
{
    static const std::array<SettingKey, 31> table = {
        Number("Background", Form::Colour, "0", 0, LargestColour),
        Text("Target", "Completion phrase upon reaching target date."),
        SettingKey{QStringLiteral("Date"), Form::Date, QStringLiteral("1/1/2005")},
        Number("Direction", Form::Whole, "0", 0, 3),
        Number("Position", Form::Whole, "0", 0, 1),
        Number("Speed", Form::Whole, "5", 0, 10),
        Text("Title", "Enter Title Text"),
        Flag("TextFontBold0", "True"),
        Flag("TextFontBold1", "True"),
        Number("TextFontColor0", Form::Colour, "255", 0, LargestColour),
        Number("TextFontColor1", Form::Colour, "65535", 0, LargestColour),
        Flag("TextFontItalic0", "False"),
        Flag("TextFontItalic1", "False"),
        Text("TextFontName0", "Arial"),
        Text("TextFontName1", "Arial"),
        Number("TextFontSize0", Form::FontSize, "14", 1, LargestFontSize),
        Number("TextFontSize1", Form::FontSize, "14", 1, LargestFontSize),
        Flag("TextFontStrikethru0", "False"),
        Flag("TextFontStrikethru1", "False"),
        Flag("TextFontUnderline0", "False"),
        Flag("TextFontUnderline1", "False"),
        Number("IncludeDays", Form::CheckBox, "0", 0, 1),
        Number("ImageIndex", Form::Whole, "1", 1, 9),
        Text("ImageTag", "Logo"),
        Number("ImageUsed", Form::CheckBox, "0", 0, 1),
        Number("ImageSize", Form::Whole, "0", -10, 10),
        Text("ImageDrive", "c"),
        Text("ImagePath", "c:\\"),
        Text("ImageName", ""),
        Number("DefaultTab", Form::Whole, "0", 0, 1),
        Flag("Restore", "False"),
    };
    return table;
}

} // namespace

std::span<const SettingKey> AllKeys()
{
    return Table();
}

std::span<const SettingKey> SnapshotKeys()
{
    return AllKeys().first(30);
}

const SettingKey &KeyNamed(const QString &name)
{
    for (const SettingKey &key : Table()) {
        if (key.name == name)
            return key;
    }
    qFatal("Unknown settings key %s", qPrintable(name));
}

QString FontKey(FontAttribute attribute, int line)
{
    static const std::array<const char *, 7> baseNames = {
        "TextFontName",   "TextFontSize",       "TextFontColor",    "TextFontBold",
        "TextFontItalic", "TextFontStrikethru", "TextFontUnderline"};
    return QString::fromLatin1(baseNames[static_cast<size_t>(attribute)]) + QString::number(line);
}

} // namespace settings
