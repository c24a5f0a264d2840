#include "settings/Settings.h"

#include "platform/Conversions.h"
#include "platform/Store.h"

namespace settings {

namespace {

QString StoredText(const SettingKey &key)
{
    return platform::GetSetting(platform::SettingsSection, key.name, key.defaultText);
}

// The default's own conversion cannot fail: the table holds only valid texts.
template <typename T, typename Convert>
T ReadNumber(const QString &name, Bounds bounds, Convert convert)
{
    const SettingKey &key = KeyNamed(name);
    const T fallback = *convert(key.defaultText).value;
    const platform::Converted<T> stored = convert(StoredText(key));
    if (!stored.ok())
        return fallback;
    const T value = *stored.value;
    if (bounds == Bounds::Offered && (value < key.lowest || value > key.highest))
        return fallback;
    return value;
}

} // namespace

QString ReadText(const QString &key)
{
    return StoredText(KeyNamed(key));
}

qint16 ReadWhole16(const QString &key, Bounds bounds)
{
    return ReadNumber<qint16>(key, bounds, platform::ToWhole16);
}

qint32 ReadWhole32(const QString &key, Bounds bounds)
{
    return ReadNumber<qint32>(key, bounds, platform::ToWhole32);
}

float ReadSingle(const QString &key, Bounds bounds)
{
    return ReadNumber<float>(key, bounds, platform::ToSingle);
}

bool ReadFlag(const QString &name)
{
    const SettingKey &key = KeyNamed(name);
    const bool fallback = *platform::ToBoolean(key.defaultText).value;
    return platform::ToBoolean(StoredText(key)).valueOr(fallback);
}

void WriteText(const QString &key, const QString &text)
{
    platform::SaveSetting(platform::SettingsSection, KeyNamed(key).name, text);
}

} // namespace settings
