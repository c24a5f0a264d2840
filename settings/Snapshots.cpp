#include "settings/Snapshots.h"

#include "platform/Store.h"
#include "settings/SettingKeys.h"

namespace settings {

std::optional<QString> CopySnapshotKeys(const QString &fromSection, const QString &toSection)
{
    platform::SettingTexts texts;
    {
        const platform::StoreReading reading;
        for (const SettingKey &key : SnapshotKeys())
            texts.append({key.name, platform::GetSetting(fromSection, key.name, key.defaultText)});
    }
    return platform::SaveSettings(toSection, texts);
}

std::optional<QString> WriteAllDefaults()
{
    platform::SettingTexts texts;
    for (const SettingKey &key : AllKeys())
        texts.append({key.name, key.defaultText});
    return platform::SaveSettings(platform::SettingsSection, texts);
}

} // namespace settings
