#pragma once

#include <QString>
#include <optional>

// The operations on all settings at once. They work on the store key by key, in the
// snapshot order, so that an interrupted copy leaves whole values behind; the first key
// that cannot be stored ends them, with the system's reason.
namespace settings {

// Copies the 30 snapshot keys from one section into the other as text; a key missing in
// the source is written as its default, so the target always ends up with all 30.
std::optional<QString> CopySnapshotKeys(const QString &fromSection, const QString &toSection);

// Writes every key of "Settings" with its default text, Restore ("False") last.
// The snapshot section is not touched.
std::optional<QString> WriteAllDefaults();

} // namespace settings
