#include "WindowTestSupport.h"
#include "bench/ProcessMemory.h"

#include "countdown/BuildCountdownText.h"
#include "dialogs/browse/frmBrowse.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/Store.h"
#include "saver/frmMain.h"
#include "settings/SettingKeys.h"
#include "state/modGeneral.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace key = settings::key;

// Whatever one key holds, a run takes no more than this on top. A title of 100000
// characters drawn into one unbounded pixmap took 180 MB.
constexpr qint64 LargestGrowthKilobytes = 128 * 1024;

// Every key of the store holding each kind of garbage, alone in the file: the saver runs,
// the settings dialog and the image browser open and are cancelled, only the program's
// own failure messages are shown, and the file is exactly as it was.
class TstBadStore : public QObject
{
    Q_OBJECT

    testing::MessageRecorder m_messages;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(bench::ResetPeak(), "the peak memory cannot be measured"); }
    void cleanup() { testing::ResetRun(); }

    void everyKeyHoldsGarbage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("offered"); // a number from 0 to 10, which every numeric key offers
        // Each takes a path of its own: empty, no number, too large for 16 bits but not for 32,
        // below every range, too long for anything, not UTF-8; and offered: rounded for whole
        // numbers, and ending at a raw line break ("0" has no '=').
        const QByteArrayList refused = {
            "", "letters", "1e9", "-99999", QByteArray(100000, '9'), "\xFF\xFE\x80xyz"};
        for (const settings::SettingKey &key : settings::AllKeys())
            for (const QByteArray &text : refused + QByteArrayList{"3.5", "5\n0"})
                QTest::addRow("%s=%s", qPrintable(key.name),
                              text.left(12).toPercentEncoding().data())
                    << key.name << text << !refused.contains(text);
    }

    void everyKeyHoldsGarbage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        QFETCH(bool, offered);
        // Before the default target date the title and the countdown are drawn; from it on,
        // the completion phrase alone.
        testing::ResetRun(name == key::Target ? QDate(2026, 12, 6) : QDate(2004, 10, 20));
        m_messages.Install();
        const QByteArray stored = "[Settings]\n" + name.toLatin1() + '=' + text + '\n';
        testing::WriteStoreBytes(stored);

        const qint64 growth = bench::PeakGrowth([&] {
            saver::frmMain *form =
                startup::Main({QStringLiteral("/s")}) ? nullptr : startup::MainForm();
            QVERIFY(form);
            for (int tick = 0; tick < 3; ++tick) {
                form->tmrScroll_Timer();
                QCoreApplication::processEvents();
            }
            QVERIFY(!form->grab().isNull() && form->tmrScroll.isActive());
            if (name == key::Background && !offered)
                QCOMPARE(form->backgroundColour(), QColor(Qt::black));
            if (name == key::Speed && !offered)
                QCOMPARE(form->tmrScroll.interval(), 17); // the default speed's: 100 ms / 6
            // Closed rather than ended: ending quits the application, and every modal dialog
            // after that would return at once.
            QVERIFY(form->close());

            startup::ResetState();
            QVERIFY(!startup::Main({QStringLiteral("/c")}));
            setup::frmSetup *dialog = startup::SetupForm();
            QVERIFY(dialog && dialog->isVisible());
            for (const qint16 tab : {modGeneral::State.DefaultTab, qint16(1)}) {
                modGeneral::State.DefaultTab = tab;
                browse::frmBrowse([] {}, dialog).cmdCancel_Click();
            }
            dialog->cmdCancel_Click();
            QVERIFY(!dialog->isVisible());
        });
        QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth) + " kB"));

        QStringList allowed = {QStringLiteral("Error Number: 13\r\nType mismatch"),
                               QStringLiteral("Error Number: 6\r\nOverflow"),
                               countdown::DateCalculationErrorText};
        // The browser looks for the stored file in the stored folder, the root by default.
        if (name == key::ImageName)
            allowed << QStringLiteral("Error Number: 53\r\nFile not found");
        for (const QString &message : m_messages.Texts())
            QVERIFY2(allowed.contains(message), qPrintable(message));
        QCOMPARE(testing::StoreBytes(), stored);
        QCOMPARE(testing::StoreFolderEntries(), QStringList{"Lumidex.conf"});
    }
};

LUMIDEX_REGISTER_TEST(TstBadStore)
#include "tst_badstore.moc"
