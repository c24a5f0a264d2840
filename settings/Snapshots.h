#pragma once

#include <QString>
#include <optional>

// The operations on all settings at once, each one rewrite of the store: the keys are all
// written or, when the store cannot be written, none, and the system's reason comes back.
namespace settings {

// Copies the 30 snapshot keys from one section into the other as text; a key missing in
// the source is written as its default, so the target always ends up with all 30.
std::optional<QString> CopySnapshotKeys(const QString &fromSection, const QString &toSection);

// Writes every key of "Settings" with its default text. The snapshot section is not
// touched.
std::optional<QString> WriteAllDefaults();

} // namespace settings
