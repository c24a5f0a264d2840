#pragma once

#include <QString>

// The operations on all settings at once. They work on the store key by key, in the
// snapshot order, so that an interrupted copy leaves whole values behind.
namespace settings {

// Copies the 30 snapshot keys from one section into the other as text; a key missing in
// the source is written as its default, so the target always ends up with all 30.
void CopySnapshotKeys(const QString &fromSection, const QString &toSection);

// Writes every key of "Settings" with its default text, Restore ("False") last.
// The snapshot section is not touched.
void WriteAllDefaults();

} // namespace settings
