#include "settings/Snapshots.h"

#include "platform/Store.h"
#include "settings/SettingKeys.h"

namespace settings {

void CopySnapshotKeys(const QString &fromSection, const QString &toSection)
{
    for (const SettingKey &key : SnapshotKeys()) {
        const QString text = platform::GetSetting(fromSection, key.name, key.defaultText);
        platform::SaveSetting(toSection, key.name, text);
    }
}

void WriteAllDefaults()
{
    for (const SettingKey &key : AllKeys())
        platform::SaveSetting(platform::SettingsSection, key.name, key.defaultText);
}

} // namespace settings
