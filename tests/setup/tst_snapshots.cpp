#include "SetupTestSupport.h"
#include "TestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "dialogs/setup/frmSetup.h"
#include "core/Dates.h"
#include "settings/SettingKeys.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace setuptest;
using platform::MsgAnswer;
using setup::frmSetup;

namespace {

// Every snapshot key with a text unlike its default.
void StoreNonDefaults(const QString &section)
{
    for (const settings::SettingKey &key : settings::SnapshotKeys())
        platform::SaveSetting(section, key.name, key.name + QStringLiteral(" value"));
    platform::SaveSetting(section, QStringLiteral("Position"), QStringLiteral("1"));
    platform::SaveSetting(section, QStringLiteral("Title"), QStringLiteral("Snapshot title"));
    platform::SaveSetting(section, QStringLiteral("Date"), QStringLiteral("2/8/2028"));
}

} // namespace

// Save, restore and reset all settings from the settings dialog.
class TstSnapshots : public QObject
{
    Q_OBJECT

    MessageRecorder m_messages;

    void Answer(MsgAnswer answer) { m_messages.answer = answer; }

private Q_SLOTS:
    void init() { BeginDialogTest(m_messages); }
    void cleanup() { EndDialogTest(); }

    void questionsAskFirst_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("save") << 0
                              << "This will Save your Current Settings\r\nso you can easily "
                                 "restore them later.\n\nDo you wish to proceed?"
                              << "Save Current Settings";
        QTest::newRow("restore") << 1
                                 << "This will Restore Previous Settings that you made\r\nand "
                                    "over-write your Current Settings.\n\nDo you wish to proceed?"
                                 << "Restore Previous Settings";
        QTest::newRow("defaults") << 2
                                  << "This will erase all the Current Settings and restore\nthem "
                                     "back to the Original Default Settings.\n\nDo you wish to "
                                     "proceed?"
                                  << "Restore Original Default Settings";
    }

    // No leaves the store and the dialog, typed changes included, as they were.
    void questionsAskFirst()
    {
        QFETCH(int, operation);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        StoreNonDefaults(platform::SettingsSection);
        StoreNonDefaults(platform::PreviousSection);
        frmSetup dialog;
        Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("Typed"));
        const QByteArray before = StoreFileBytes();
        Answer(MsgAnswer::No);
        const std::array<void (frmSetup::*)(), 3> operations = {&frmSetup::cmdSaveSettings_Click,
                                                                &frmSetup::cmdRestoreSettings_Click,
                                                                &frmSetup::cmdDefaults_Click};
        (dialog.*operations[size_t(operation)])();

        QCOMPARE(m_messages.asked.size(), 1);
        const platform::MessageBoxRequest &question = m_messages.asked[0];
        QCOMPARE(question.text, text);
        QCOMPARE(question.title, caption);
        QCOMPARE(question.buttons, platform::MsgButtons::YesNo);
        QCOMPARE(question.icon, platform::MsgIcon::Critical);
        QCOMPARE(question.defaultButton, MsgAnswer::Yes);
        QCOMPARE(StoreFileBytes(), before);
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Typed"));
    }

    void saveFromAnEmptyStoreHoldsEveryDefault()
    {
        Answer(MsgAnswer::Yes);
        frmSetup dialog;
        Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("Typed, not stored"));
        dialog.cmdSaveSettings_Click();
        for (const settings::SettingKey &key : settings::SnapshotKeys())
            QCOMPARE(Stored(key.name, platform::PreviousSection), key.defaultText);
        QCOMPARE(Stored("Restore", platform::PreviousSection), QStringLiteral("<missing>"));
        QCOMPARE(Stored("Restore"), QStringLiteral("True"));
        QVERIFY(Child(dialog, "cmdRestoreSettings")->isEnabled());
        // The snapshot took the store, and the dialog shows the store again.
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Enter Title Text"));
    }

    void restoreBringsBackWhatWasSaved()
    {
        Answer(MsgAnswer::Yes);
        StoreNonDefaults(platform::SettingsSection);
        testing::Store("Direction", QStringLiteral("1"));
        QHash<QString, QString> saved;
        for (const settings::SettingKey &key : settings::SnapshotKeys())
            saved[key.name] = Stored(key.name);

        frmSetup dialog;
        dialog.cmdSaveSettings_Click();
        // Changes that other dialogs store at once, and some by hand.
        testing::Store("TextFontName0", QStringLiteral("Liberation Serif"));
        testing::Store("Background", QStringLiteral("65280"));
        testing::Store("Title", QStringLiteral("Changed since"));
        testing::Store("Direction", QStringLiteral("2"));
        dialog.cmdRestoreSettings_Click();

        for (const settings::SettingKey &key : settings::SnapshotKeys())
            QCOMPARE(Stored(key.name), saved[key.name]);
        QCOMPARE(Stored("Restore"), QStringLiteral("True"));
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Snapshot title"));
        QVERIFY(dialog.optPosition[1]->isChecked());
        QVERIFY(dialog.optDirection[1]->isChecked());
    }

    // Possible only when the file was edited by hand: the missing keys come back as
    // their defaults, so the settings again hold every key.
    void restoreFillsGapsWithDefaults()
    {
        Answer(MsgAnswer::Yes);
        StoreNonDefaults(platform::SettingsSection);
        platform::SaveSetting(platform::PreviousSection, QStringLiteral("Title"),
                              QStringLiteral("Only this"));
        frmSetup dialog;
        dialog.cmdRestoreSettings_Click();
        QCOMPARE(Stored("Title"), QStringLiteral("Only this"));
        for (const settings::SettingKey &key : settings::SnapshotKeys()) {
            if (key.name != QLatin1String("Title"))
                QCOMPARE(Stored(key.name), key.defaultText);
        }
        QCOMPARE(Stored("Restore"), QStringLiteral("<missing>"));
    }

    void defaultsResetEveryKeyButNotTheSnapshot()
    {
        Answer(MsgAnswer::Yes);
        StoreNonDefaults(platform::SettingsSection);
        StoreNonDefaults(platform::PreviousSection);
        testing::Store("Restore", QStringLiteral("True"));
        frmSetup dialog;
        QVERIFY(Child(dialog, "cmdRestoreSettings")->isEnabled());
        dialog.cmdDefaults_Click();

        for (const settings::SettingKey &key : settings::AllKeys())
            QCOMPARE(Stored(key.name), key.defaultText);
        QCOMPARE(Stored("Restore"), QStringLiteral("False"));
        QCOMPARE(Stored("Title", platform::PreviousSection), QStringLiteral("Snapshot title"));
        QCOMPARE(Text(dialog, "lblSampleText"), QStringLiteral("Enter Title Text"));
        QCOMPARE(Text(dialog, "lblSampleDate"),
                 QStringLiteral("Completion phrase upon reaching target date."));
        // Still offered while this dialog is open, and the snapshot still works.
        QVERIFY(Child(dialog, "cmdRestoreSettings")->isEnabled());
        dialog.cmdRestoreSettings_Click();
        QCOMPARE(Stored("Title"), QStringLiteral("Snapshot title"));

        frmSetup reopened;
        QVERIFY(!Child(reopened, "cmdRestoreSettings")->isEnabled());
    }
};

LUMIDEX_REGISTER_TEST(TstSnapshots)
#include "tst_snapshots.moc"
