#pragma once

#include "core/Failure.h"
#include "settings/SettingKeys.h"

#include <QList>
#include <QString>
#include <optional>
#include <utility>

// Typed reads and text writes of the section "Settings". A stored text that cannot be
// converted to the key's type reads as the key's default, and so does a number outside
// the values the dialogs offer unless the caller handles those itself (Bounds::Any).
// Nothing is ever written back by a read.
namespace settings {

enum class Bounds { Offered, Any };

// A value that is always usable, and the failure that put the default in its place,
// for the callers that tell the user about it.
template <typename T> struct Reading
{
    T value;
    std::optional<core::Failure> failure;
};

Reading<qint16> TryWhole16(const QString &key, Bounds bounds = Bounds::Offered);
Reading<qint32> TryWhole32(const QString &key, Bounds bounds = Bounds::Offered);
Reading<float> TrySingle(const QString &key, Bounds bounds = Bounds::Offered);
Reading<bool> TryFlag(const QString &key);

QString ReadText(const QString &key);
inline qint16 ReadWhole16(const QString &key, Bounds bounds = Bounds::Offered)
{
    return TryWhole16(key, bounds).value;
}
inline qint32 ReadWhole32(const QString &key, Bounds bounds = Bounds::Offered)
{
    return TryWhole32(key, bounds).value;
}
inline float ReadSingle(const QString &key, Bounds bounds = Bounds::Offered)
{
    return TrySingle(key, bounds).value;
}
inline bool ReadFlag(const QString &key)
{
    return TryFlag(key).value;
}

// Writes the texts of the section "Settings" key by key, in their order, and stops at the
// first that cannot be stored, with the system's reason.
using KeyTexts = QList<std::pair<QString, QString>>;
std::optional<QString> WriteTexts(const KeyTexts &texts);
inline std::optional<QString> WriteText(const QString &key, const QString &text)
{
    return WriteTexts({{key, text}});
}

} // namespace settings
