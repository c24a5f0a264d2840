#include "settings/Snapshots.h"

#include "platform/Store.h"
#include "settings/SettingKeys.h"

namespace settings {

namespace {

// Key by key, in the table's order, up to the first that cannot be stored.
template <typename Text>
std::optional<QString> WriteKeys(std::span<const SettingKey> keys, const QString &section,
                                 Text text)
{
    for (const SettingKey &key : keys)
        if (auto failure = platform::SaveSetting(section, key.name, text(key)))
            return failure;
    return std::nullopt;
}

} // namespace

std::optional<QString> CopySnapshotKeys(const QString &fromSection, const QString &toSection)
{
    return WriteKeys(SnapshotKeys(), toSection, [&](const SettingKey &key) {
        return platform::GetSetting(fromSection, key.name, key.defaultText);
    });
}

std::optional<QString> WriteAllDefaults()
{
    return WriteKeys(AllKeys(), platform::SettingsSection,
                     [](const SettingKey &key) { return key.defaultText; });
}

} // namespace settings
