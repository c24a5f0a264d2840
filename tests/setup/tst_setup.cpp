#include "SetupTestSupport.h"
#include "TestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "dialogs/setup/frmSetup.h"
#include "core/Dates.h"
#include "settings/SettingKeys.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

using namespace setuptest;
using setup::frmSetup;

namespace {

const QString CompletionPhrase = QStringLiteral("Completion phrase upon reaching target date.");

} // namespace

// Loading the settings dialog, its texts and samples, the motion and picture options, OK
// and Cancel.
class TstSetup : public QObject
{
    Q_OBJECT

    MessageRecorder m_messages;

    static void Show(frmSetup &dialog)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

    static void Click(const frmSetup &dialog, const char *name)
    {
        QTest::mouseClick(Child<QAbstractButton>(dialog, name), Qt::LeftButton);
    }

    static bool Checked(const frmSetup &dialog, const char *name)
    {
        return Child<QAbstractButton>(dialog, name)->isChecked();
    }

private Q_SLOTS:
    void init() { BeginDialogTest(m_messages); }
    void cleanup() { EndDialogTest(); }

    void emptyStoreShowsTheDefaultsAndWritesNothing()
    {
        frmSetup dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Lumidex ScreenSaver Settings  - v 2.2"));
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Enter Title Text"));
        QCOMPARE(Text(dialog, "txtDate"), QStringLiteral("1/1/2005"));
        QCOMPARE(Text(dialog, "txtDateLong"), core::LongDate(QDate(2005, 1, 1)));
        QCOMPARE(Text(dialog, "txtTarget"), CompletionPhrase);
        QVERIFY(dialog.optPosition[0]->isChecked());
        QVERIFY(dialog.optDirection[0]->isChecked());
        QCOMPARE(Child<QSlider>(dialog, "sldSpeed")->value(), 5);
        QVERIFY(!Checked(dialog, "chkDays"));
        QVERIFY(!Checked(dialog, "chkImage"));
        QCOMPARE(Text(dialog, "lblCurImage"), QStringLiteral("Image:"));
        QCOMPARE(Text(dialog, "txtCurImage"), QStringLiteral("No Image"));
        QVERIFY(!Child(dialog, "cmdImage")->isEnabled());
        QVERIFY(!Child(dialog, "cmdRestoreSettings")->isEnabled());
        QCOMPARE(Text(dialog, "lblSampleText"), QStringLiteral("Enter Title Text"));
        // 1 January 2005 lies in the past.
        QCOMPARE(Text(dialog, "lblSampleDate"), CompletionPhrase);
        QVERIFY(m_messages.asked.isEmpty());
        QVERIFY(StoreFileBytes().isEmpty());
    }

    void controlsFollowTheStore()
    {
        testing::Store("Title", QStringLiteral("Ünïcode Holidays"));
        testing::Store("Date", QStringLiteral("2/8/2028"));
        testing::Store("Target", QStringLiteral("We are there!"));
        testing::Store("Position", QStringLiteral("1"));
        testing::Store("Direction", QStringLiteral("1"));
        testing::Store("Speed", QStringLiteral("9"));
        testing::Store("IncludeDays", QStringLiteral("1"));
        testing::Store("ImageUsed", QStringLiteral("1"));
        testing::Store("ImageTag", QStringLiteral("Beach"));
        frmSetup dialog;
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Ünïcode Holidays"));
        QCOMPARE(Text(dialog, "txtDateLong"), core::LongDate(QDate(2028, 2, 8)));
        QVERIFY(dialog.optPosition[1]->isChecked());
        QVERIFY(dialog.optDirection[1]->isChecked());
        QVERIFY(!dialog.optDirection[2]->isEnabled() && !dialog.optDirection[3]->isEnabled());
        QCOMPARE(Child<QSlider>(dialog, "sldSpeed")->value(), 9);
        QCOMPARE(Text(dialog, "lblCurImage"), QStringLiteral("List Image:"));
        QCOMPARE(Text(dialog, "txtCurImage"), QStringLiteral("Beach"));
        QVERIFY(Child(dialog, "cmdImage")->isEnabled());
        QCOMPARE(Text(dialog, "lblSampleDate"),
                 QStringLiteral(" 1 year  2 months  2 days!   (429 days!)"));
    }

    void restoreButtonFollowsTheStoredFlag_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("-1") << "-1" << true;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("garbage") << "perhaps" << false;
    }

    void restoreButtonFollowsTheStoredFlag()
    {
        QFETCH(QString, stored);
        QFETCH(bool, enabled);
        testing::Store("Restore", stored);
        frmSetup dialog;
        QCOMPARE(Child(dialog, "cmdRestoreSettings")->isEnabled(), enabled);
    }

    // What cannot be read shows its default; the load never writes.
    void garbageInTheStoreShowsDefaults()
    {
        testing::Store("Position", QStringLiteral("left"));
        testing::Store("Direction", QStringLiteral("7"));
        testing::Store("Speed", QStringLiteral("1e9"));
        testing::Store("IncludeDays", QStringLiteral("3.5"));
        testing::Store("ImageUsed", QStringLiteral("-99999"));
        testing::Store("Date", QStringLiteral("next Tuesday"));
        testing::Store("Background", QStringLiteral("blue"));
        testing::Store("TextFontBold0", QStringLiteral("maybe"));
        testing::Store("Title", QString(100000, QLatin1Char('x')));
        const QByteArray before = StoreFileBytes();
        frmSetup dialog;
        QVERIFY(dialog.optPosition[0]->isChecked());
        QVERIFY(dialog.optDirection[0]->isChecked());
        QCOMPARE(Child<QSlider>(dialog, "sldSpeed")->value(), 5);
        QVERIFY(!Checked(dialog, "chkDays"));
        QVERIFY(!Checked(dialog, "chkImage"));
        QCOMPARE(Text(dialog, "txtDate"), QStringLiteral("next Tuesday"));
        QCOMPARE(Text(dialog, "txtDateLong"), QString());
        QCOMPARE(Text(dialog, "txtTitle").size(), 100000);
        QVERIFY(Child(dialog, "lblSampleText")->font().bold());
        // The countdown cannot count to a date it cannot read, and says so once.
        QCOMPARE(m_messages.asked.size(), 1);
        QVERIFY(m_messages.asked[0].text.startsWith("There has been an Error in the Date"));
        QCOMPARE(StoreFileBytes(), before);
    }

    // Whatever a key holds, the dialog opens, shows a usable value and writes nothing.
    void anyKeyMayHoldGarbage()
    {
        const QStringList garbage = {
            "", "letters", "1e9", "-99999", "3.5", "a\nb\r\nc", QString(100000, QLatin1Char('9'))};
        for (const settings::SettingKey &key : settings::AllKeys()) {
            for (const QString &text : garbage) {
                testing::ClearStore();
                testing::Store(key.name, text);
                const QByteArray before = StoreFileBytes();
                frmSetup dialog;
                QVERIFY2(dialog.optPosition[modGeneral::State.Position]->isChecked(),
                         qPrintable(key.name));
                QVERIFY(Child<QSlider>(dialog, "sldSpeed")->value() <= 10);
                QCOMPARE(StoreFileBytes(), before);
            }
        }
    }

    void samplesFollowTheTyping()
    {
        testing::Store("Date", QStringLiteral("2/8/2028"));
        frmSetup dialog;
        Show(dialog);
        const QString countdown = Text(dialog, "lblSampleDate");
        auto *title = Child<QLineEdit>(dialog, "txtTitle");
        title->clear();
        QTest::keyClicks(title, QStringLiteral("Wedding "));
        QKeyEvent heart(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("♥"));
        QApplication::sendEvent(title, &heart);
        QCOMPARE(Text(dialog, "lblSampleText"), QStringLiteral("Wedding ♥"));

        // A typed date changes only its long form, never the countdown sample.
        auto *date = Child<QLineEdit>(dialog, "txtDate");
        date->setText(QStringLiteral("2029-03-04"));
        QCOMPARE(Text(dialog, "txtDateLong"), core::LongDate(QDate(2029, 3, 4)));
        date->setText(QStringLiteral("2029-03-04x"));
        QCOMPARE(Text(dialog, "txtDateLong"), core::LongDate(QDate(2029, 3, 4)));
        QCOMPARE(Text(dialog, "lblSampleDate"), countdown);

        Child<QLineEdit>(dialog, "txtTarget")->setText(QStringLiteral("Married!"));
        QCOMPARE(Text(dialog, "lblSampleDate"), QStringLiteral("Married!"));
        Click(dialog, "chkDays");
        Click(dialog, "chkDays");
        QCOMPARE(Text(dialog, "lblSampleDate"), countdown);
        QVERIFY(!Checked(dialog, "chkDays"));
    }

    // The day total was prepared at load: ticking adds it without another count.
    void dayTotalComesAndGoesWithTheBox()
    {
        testing::Store("Date", QStringLiteral("2/8/2028"));
        testing::Store("IncludeDays", QStringLiteral("0"));
        frmSetup dialog;
        QCOMPARE(Text(dialog, "lblSampleDate"), QStringLiteral(" 1 year  2 months  2 days!"));
        testing::Store("Date", QStringLiteral("2/8/2040"));
        Click(dialog, "chkDays");
        QCOMPARE(Text(dialog, "lblSampleDate"),
                 QStringLiteral(" 1 year  2 months  2 days!   (429 days!)"));
        // The start-up value of the day total is left as it was.
        QCOMPARE(modGeneral::State.IncludeDays, qint16(0));
    }

    void okStoresItsEightKeysAsTyped()
    {
        testing::Store("Background", QStringLiteral("255"));
        frmSetup dialog;
        Show(dialog);
        Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("  Ready, set \"go\"  "));
        Child<QLineEdit>(dialog, "txtDate")->setText(QStringLiteral("14 Feb 2031"));
        Child<QLineEdit>(dialog, "txtTarget")->setText(QString());
        QTest::mouseClick(dialog.optPosition[1], Qt::LeftButton);
        QTest::mouseClick(dialog.optDirection[1], Qt::LeftButton);
        Click(dialog, "chkDays");
        Click(dialog, "chkImage");
        Child<QSlider>(dialog, "sldSpeed")->setValue(10);
        Click(dialog, "CmdOK");

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(Stored("Title"), QStringLiteral("  Ready, set \"go\"  "));
        QCOMPARE(Stored("Date"), QStringLiteral("14 Feb 2031"));
        QCOMPARE(Stored("Target"), QString());
        QCOMPARE(Stored("Position"), QStringLiteral("1"));
        QCOMPARE(Stored("Direction"), QStringLiteral("1"));
        QCOMPARE(Stored("IncludeDays"), QStringLiteral("1"));
        QCOMPARE(Stored("ImageUsed"), QStringLiteral("1"));
        QCOMPARE(Stored("Speed"), QStringLiteral("10"));
        // Nothing else: the other keys are written by their own dialogs.
        QCOMPARE(Stored("Background"), QStringLiteral("255"));
        QCOMPARE(Stored("ImageTag"), QStringLiteral("<missing>"));
        QCOMPARE(Stored("Restore"), QStringLiteral("<missing>"));
    }

    void okRefusesWhatIsNoDate_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "soon";
        QTest::newRow("no such day") << "2/30/2031";
        QTest::newRow("half typed") << "12/";
    }

    void okRefusesWhatIsNoDate()
    {
        QFETCH(QString, typed);
        frmSetup dialog;
        Show(dialog);
        Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("Edited"));
        Child<QLineEdit>(dialog, "txtDate")->setText(typed);
        Child(dialog, "CmdOK")->setFocus();
        Click(dialog, "CmdOK");

        QCOMPARE(m_messages.asked.size(), 1);
        const platform::MessageBoxRequest &message = m_messages.asked[0];
        QCOMPARE(message.text, QStringLiteral("Not a proper date. Please try again."));
        QCOMPARE(message.buttons, platform::MsgButtons::Ok);
        QCOMPARE(message.icon, platform::MsgIcon::None);
        QCOMPARE(message.title, platform::ApplicationTitle);
        QVERIFY(Child(dialog, "txtDate")->hasFocus());
        QVERIFY(dialog.isVisible());
        QVERIFY(StoreFileBytes().isEmpty());
    }

    void cancelAndEscapeWriteNothing()
    {
        testing::Store("Speed", QStringLiteral("3"));
        const QByteArray before = StoreFileBytes();
        for (bool byEscape : {false, true}) {
            frmSetup dialog;
            Show(dialog);
            Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("Unsaved"));
            Child<QSlider>(dialog, "sldSpeed")->setValue(8);
            if (byEscape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                Click(dialog, "cmdCancel");
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!dialog.isVisible());
            QCOMPARE(StoreFileBytes(), before);
        }
    }

    // No button answers Enter: pressing it in a text box leaves the dialog open.
    void enterPressesNothing()
    {
        frmSetup dialog;
        Show(dialog);
        Child(dialog, "txtTitle")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(StoreFileBytes().isEmpty());
    }

    void randomOnlyGoesSideways()
    {
        frmSetup dialog;
        Show(dialog);
        QTest::mouseClick(dialog.optDirection[3], Qt::LeftButton);
        QCOMPARE(modGeneral::State.Direction, qint16(3));
        QTest::mouseClick(dialog.optPosition[1], Qt::LeftButton);
        QVERIFY(!dialog.optDirection[2]->isEnabled());
        QVERIFY(!dialog.optDirection[3]->isEnabled());
        QVERIFY(dialog.optDirection[0]->isChecked());
        QCOMPARE(modGeneral::State.Direction, qint16(0));

        QTest::mouseClick(dialog.optPosition[0], Qt::LeftButton);
        QVERIFY(dialog.optDirection[2]->isEnabled() && dialog.optDirection[3]->isEnabled());
        QVERIFY(dialog.optDirection[0]->isChecked());

        QTest::mouseClick(dialog.optPosition[1], Qt::LeftButton);
        Click(dialog, "CmdOK");
        QCOMPARE(Stored("Position"), QStringLiteral("1"));
        QCOMPARE(Stored("Direction"), QStringLiteral("0"));
    }

    // Clicking the option already selected runs its procedure all the same.
    void centreClickedAgainLeavesDownward()
    {
        frmSetup dialog;
        Show(dialog);
        QTest::mouseClick(dialog.optDirection[2], Qt::LeftButton);
        QTest::mouseClick(dialog.optPosition[0], Qt::LeftButton);
        QVERIFY(dialog.optDirection[0]->isChecked());
        QCOMPARE(modGeneral::State.Direction, qint16(0));
    }

    void pictureLineFollowsTheChoice()
    {
        testing::Store("ImageName", QStringLiteral("my beach.JPG"));
        testing::Store("ImageTag", QStringLiteral("Flowers"));
        frmSetup dialog;
        Show(dialog);
        Click(dialog, "chkImage");
        QCOMPARE(Text(dialog, "lblCurImage"), QStringLiteral("File Image:"));
        QCOMPARE(Text(dialog, "txtCurImage"), QStringLiteral("my beach.JPG"));
        QCOMPARE(modGeneral::State.ImageUsed, qint16(1));
        Click(dialog, "chkImage");
        QCOMPARE(Text(dialog, "lblCurImage"), QStringLiteral("Image:"));
        QCOMPARE(Text(dialog, "txtCurImage"), QStringLiteral("No Image"));
        QVERIFY(!Child(dialog, "cmdImage")->isEnabled());
        QCOMPARE(modGeneral::State.ImageUsed, qint16(0));

        // Without a file the built-in tag shows, and clearing the box forgets neither.
        modGeneral::State.ImageName.clear();
        Click(dialog, "chkImage");
        QCOMPARE(Text(dialog, "lblCurImage"), QStringLiteral("List Image:"));
        QCOMPARE(Text(dialog, "txtCurImage"), QStringLiteral("Flowers"));
    }

    void calendarOkStoresAndReloads()
    {
        testing::Store("Title", QStringLiteral("Stored title"));
        frmSetup dialog;
        Show(dialog);
        Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("Typed, not stored"));
        QTimer::singleShot(0, [] {
            QWidget *calendar = QApplication::activeModalWidget();
            QVERIFY(calendar && calendar->objectName() == QLatin1String("frmCalendar"));
            QTest::mouseClick(Child<QPushButton>(*calendar, "cmdNextMonth"), Qt::LeftButton);
            QTest::mouseClick(Child<QPushButton>(*calendar, "cmdOK"), Qt::LeftButton);
        });
        Click(dialog, "cmdCalendar");
        const QString february = core::ShortDate(QDate(2005, 2, 1));
        QCOMPARE(Text(dialog, "txtDate"), february);
        QCOMPARE(Stored("Date"), february);
        QCOMPARE(Text(dialog, "txtDateLong"), core::LongDate(QDate(2005, 2, 1)));
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Stored title"));
    }

    void calendarCancelStillReloads()
    {
        frmSetup dialog;
        Show(dialog);
        Child<QLineEdit>(dialog, "txtTitle")->setText(QStringLiteral("Typed, not stored"));
        QTimer::singleShot(0, [] {
            QWidget *calendar = QApplication::activeModalWidget();
            QVERIFY(calendar && calendar->objectName() == QLatin1String("frmCalendar"));
            QTest::mouseClick(Child<QPushButton>(*calendar, "cmdCancel"), Qt::LeftButton);
        });
        Click(dialog, "cmdCalendar");
        QCOMPARE(Text(dialog, "txtTitle"), QStringLiteral("Enter Title Text"));
        QCOMPARE(Text(dialog, "txtDate"), QStringLiteral("1/1/2005"));
        QVERIFY(StoreFileBytes().isEmpty());
    }

    void aboutOpensOverTheDialog()
    {
        frmSetup dialog;
        Show(dialog);
        QString opened;
        QTimer::singleShot(0, [&opened] {
            QWidget *about = QApplication::activeModalWidget();
            opened = about ? about->windowTitle() : QString();
            if (about)
                QTest::keyClick(about, Qt::Key_Escape);
        });
        Click(dialog, "cmdAbout");
        QCOMPARE(opened, QStringLiteral("About Lumidex ScreenSaver"));
        QVERIFY(dialog.isVisible());
    }
};

LUMIDEX_REGISTER_TEST(TstSetup)
#include "tst_setup.moc"
