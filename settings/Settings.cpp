#include "settings/Settings.h"

#include "core/Conversions.h"
#include "platform/Store.h"

namespace settings {

namespace {

QString StoredText(const SettingKey &key)
{
    return platform::GetSetting(platform::SettingsSection, key.name, key.defaultText);
}

// The default's own conversion cannot fail: the table holds only valid texts.
template <typename T, typename Convert>
Reading<T> ReadNumber(const QString &name, Bounds bounds, Convert convert)
{
    const SettingKey &key = KeyNamed(name);
    const T fallback = *convert(key.defaultText).value;
    const core::Converted<T> stored = convert(StoredText(key));
    if (!stored.ok())
        return {fallback, stored.failure};
    const T value = *stored.value;
    if (bounds == Bounds::Offered && (value < key.lowest || value > key.highest))
        return {fallback, std::nullopt};
    return {value, std::nullopt};
}

} // namespace

QString ReadText(const QString &key)
{
    return StoredText(KeyNamed(key));
}

Reading<qint16> TryWhole16(const QString &key, Bounds bounds)
{
    return ReadNumber<qint16>(key, bounds, core::ToWhole16);
}

Reading<qint32> TryWhole32(const QString &key, Bounds bounds)
{
    return ReadNumber<qint32>(key, bounds, core::ToWhole32);
}

Reading<float> TrySingle(const QString &key, Bounds bounds)
{
    return ReadNumber<float>(key, bounds, core::ToSingle);
}

Reading<bool> TryFlag(const QString &name)
{
    const SettingKey &key = KeyNamed(name);
    const bool fallback = *core::ToBoolean(key.defaultText).value;
    const core::Converted<bool> stored = core::ToBoolean(StoredText(key));
    if (!stored.ok())
        return {fallback, stored.failure};
    return {*stored.value, std::nullopt};
}

std::optional<QString> WriteTexts(const KeyTexts &texts)
{
    for (const auto &[key, text] : texts)
        if (auto failure =
                platform::SaveSetting(platform::SettingsSection, KeyNamed(key).name, text))
            return failure;
    return std::nullopt;
}

} // namespace settings
