#pragma once

#include "settings/SettingKeys.h"

#include <QString>

// Typed reads and text writes of the section "Settings". A stored text that cannot be
// converted to the key's type reads as the key's default, and so does a number outside
// the values the dialogs offer unless the caller handles those itself (Bounds::Any).
// Nothing is ever written back by a read.
namespace settings {

enum class Bounds { Offered, Any };

QString ReadText(const QString &key);
qint16 ReadWhole16(const QString &key, Bounds bounds = Bounds::Offered);
qint32 ReadWhole32(const QString &key, Bounds bounds = Bounds::Offered);
float ReadSingle(const QString &key, Bounds bounds = Bounds::Offered);
bool ReadFlag(const QString &key);

void WriteText(const QString &key, const QString &text);

} // namespace settings
