#pragma once

#include <QString>
#include <optional>

// The per-user settings store: an INI file, $XDG_CONFIG_HOME/Vantrel/Lumidex.conf, with one
// group per section. Every value is text and comes back exactly as it was written.
namespace platform {

inline const QString SettingsSection = QStringLiteral("Settings");
inline const QString PreviousSection = QStringLiteral("Previous");

// The stored text, or defaultText when the key (or its section, or the file) is missing
// or holds something that is not text. Sees what other processes wrote; never writes.
// Only a regular file (or a link to one) is read, and only its first MiB.
QString GetSetting(const QString &section, const QString &key, const QString &defaultText);

// Stores the text under the key, creating the file and the section as needed, in one
// rewrite of the file. A key whose text is already stored is not touched, and neither is
// anything else in the file: a rewrite changes the key's own line only. One that cannot
// keep what the file held otherwise (a line of the file read as part of a value, a file
// larger than is read) first keeps it beside it as Lumidex.conf.damaged.
// Returns the system's reason when the text could not be stored.
std::optional<QString> SaveSetting(const QString &section, const QString &key,
                                   const QString &value);

// While one exists, reads share one parse of the file, made at the first of them and
// dropped by any write: the settings of one start are read once.
class StoreReading
{
public:
    StoreReading();
    ~StoreReading();
    StoreReading(const StoreReading &) = delete;
    StoreReading &operator=(const StoreReading &) = delete;
};

// Where the store lives, for documentation and tests.
QString StoreFilePath();

// How much of the file is read: ten times anything the program writes.
inline constexpr qsizetype LargestStoreRead = 1024 * 1024;

} // namespace platform
