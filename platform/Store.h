#pragma once

#include <QString>

// The per-user settings store: an INI file, $XDG_CONFIG_HOME/Vantrel/Lumidex.conf, with one
// group per section. Every value is text and comes back exactly as it was written.
namespace platform {

inline const QString SettingsSection = QStringLiteral("Settings");
inline const QString PreviousSection = QStringLiteral("Previous");

// The stored text, or defaultText when the key (or its section, or the file) is missing
// or holds something that is not text. Sees what other processes wrote; never writes.
QString GetSetting(const QString &section, const QString &key, const QString &defaultText);

// Stores the text under the key, creating the file, section and key as needed.
// A file that could not be parsed is first kept beside it as Lumidex.conf.damaged.
void SaveSetting(const QString &section, const QString &key, const QString &value);

// Where the store lives, for documentation and tests.
QString StoreFilePath();

} // namespace platform
