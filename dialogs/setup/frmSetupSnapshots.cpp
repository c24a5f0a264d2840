// The operations on all settings: save a snapshot, restore it, reset to the defaults.
// Each asks first and ends by showing what the store now holds.

#include "dialogs/SavedOrTold.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"
#include "settings/Settings.h"
#include "settings/Snapshots.h"
#include "ui_frmSetup.h"

namespace setup {

namespace {

const QString SaveQuestion = QStringLiteral("This will Save your Current Settings\r\n"
                                            "so you can easily restore them later.\n\n"
                                            "Do you wish to proceed?");
const QString RestoreQuestion =
    QStringLiteral("This will Restore Previous Settings that you made\r\n"
                   "and over-write your Current Settings.\n\n"
                   "Do you wish to proceed?");
const QString DefaultsQuestion =
    QStringLiteral("This will erase all the Current Settings and restore\n"
                   "them back to the Original Default Settings.\n\n"
                   "Do you wish to proceed?");

} // namespace

bool frmSetup::Confirmed(const QString &text, const QString &caption)
{
    return platform::MsgBox({text, platform::MsgButtons::YesNo, platform::MsgIcon::Critical,
                             caption, platform::MsgAnswer::Yes}) == platform::MsgAnswer::Yes;
}

void frmSetup::cmdSaveSettings_Click()
{
    if (!Confirmed(SaveQuestion, QStringLiteral("Save Current Settings")))
        return;
    if (!dialogs::SavedOrTold(settings::WriteText(settings::key::Restore, QStringLiteral("True"))))
        return;
    RestoreAvailable = true;
    dialogs::SavedOrTold(
        settings::CopySnapshotKeys(platform::SettingsSection, platform::PreviousSection));
    Form_Load();
}

void frmSetup::cmdRestoreSettings_Click()
{
    if (!Confirmed(RestoreQuestion, QStringLiteral("Restore Previous Settings")))
        return;
    dialogs::SavedOrTold(
        settings::CopySnapshotKeys(platform::PreviousSection, platform::SettingsSection));
    Form_Load();
}

void frmSetup::cmdDefaults_Click()
{
    if (!Confirmed(DefaultsQuestion, QStringLiteral("Restore Original Default Settings")))
        return;
    dialogs::SavedOrTold(settings::WriteAllDefaults());
    Form_Load();
}

} // namespace setup
