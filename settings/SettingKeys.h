#pragma once

#include <QString>
#include <span>

// The keys of the settings store: their text forms, defaults and the values the
// dialogs offer. Every reader and writer takes its defaults from this one table.
namespace settings {

enum class Form {
    Text,     // used unchanged
    Date,     // free text, parsed where it is used
    Whole,    // decimal digits
    CheckBox, // "0" or "1"
    Flag,     // "True" or "False"
    Colour,   // 0x00BBGGRR as a whole number
    FontSize, // points, a single-precision number
};

struct SettingKey
{
    QString name;
    Form form;
    QString defaultText;
    // The values the dialogs offer; a stored number outside them reads as the default.
    double lowest = 0;
    double highest = 0;
};

// All 31 keys: the 30 that a snapshot copies, in the order of every copy, then Restore.
std::span<const SettingKey> AllKeys();
// The 30 keys a snapshot copies between "Settings" and "Previous".
std::span<const SettingKey> SnapshotKeys();

// The table row of a key; unknown names are a programming error.
const SettingKey &KeyNamed(const QString &name);

// The seven font keys of a text line are a base name followed by the line's digit.
enum class FontAttribute { Name, Size, Color, Bold, Italic, Strikethru, Underline };
inline constexpr int TitleLine = 0;
inline constexpr int CountdownLine = 1;
QString FontKey(FontAttribute attribute, int line);

// Key names the code refers to directly.
namespace key {
inline const QString Background = QStringLiteral("Background");
inline const QString Target = QStringLiteral("Target");
inline const QString Date = QStringLiteral("Date");
inline const QString Direction = QStringLiteral("Direction");
inline const QString Position = QStringLiteral("Position");
inline const QString Speed = QStringLiteral("Speed");
inline const QString Title = QStringLiteral("Title");
inline const QString IncludeDays = QStringLiteral("IncludeDays");
inline const QString ImageIndex = QStringLiteral("ImageIndex");
inline const QString ImageTag = QStringLiteral("ImageTag");
inline const QString ImageUsed = QStringLiteral("ImageUsed");
inline const QString ImageSize = QStringLiteral("ImageSize");
inline const QString ImageDrive = QStringLiteral("ImageDrive");
inline const QString ImagePath = QStringLiteral("ImagePath");
inline const QString ImageName = QStringLiteral("ImageName");
inline const QString DefaultTab = QStringLiteral("DefaultTab");
inline const QString Restore = QStringLiteral("Restore");
} // namespace key

} // namespace settings
