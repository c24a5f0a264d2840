#include "TestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/SaverWindowCalls.h"
#include "platform/Store.h"
#include "saver/frmMain.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

// Start-up inside this process: what it records for the windows that follow.
class TstMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        startup::ResetState();
    }
    void cleanup() { startup::ResetState(); }

    void readsStartupSettingsAndScreen()
    {
        testing::Store(QStringLiteral("ImageIndex"), QStringLiteral("7"));
        testing::Store(QStringLiteral("DefaultTab"), QStringLiteral("1"));
        testing::Store(QStringLiteral("IncludeDays"), QStringLiteral("1"));
        QCOMPARE(startup::Main({"/x"}), std::optional<int>(0));
        QCOMPARE(modGeneral::State.ImageIndex, qint16(7));
        QCOMPARE(modGeneral::State.DefaultTab, qint16(1));
        QCOMPARE(modGeneral::State.IncludeDays, qint16(1));
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QVERIFY(screen.width() > 0);
        QCOMPARE(modGeneral::State.ScreenWidth, screen.width() * 15);
        QCOMPARE(modGeneral::State.ScreenHeight, screen.height() * 15);
        QCOMPARE(modGeneral::State.RunMode, 0);
    }

    void unreadableStartupSettingsUseDefaults()
    {
        testing::Store(QStringLiteral("ImageIndex"), QStringLiteral("picture"));
        testing::Store(QStringLiteral("DefaultTab"), QStringLiteral("99999"));
        testing::Store(QStringLiteral("IncludeDays"), QStringLiteral(""));
        QCOMPARE(startup::Main({"/x"}), std::optional<int>(0));
        QCOMPARE(modGeneral::State.ImageIndex, qint16(1));
        QCOMPARE(modGeneral::State.DefaultTab, qint16(0));
        QCOMPARE(modGeneral::State.IncludeDays, qint16(0));
    }

    void modesSetTheRunMode_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<int>("runMode");
        QTest::addColumn<int>("previewWindow");
        QTest::addColumn<bool>("saverLoaded");
        QTest::addColumn<bool>("setupLoaded");
        QTest::newRow("saver") << QStringList{"/s"} << 1 << 0 << true << false;
        QTest::newRow("no switch") << QStringList{} << 1 << 0 << true << false;
        // Offscreen there is no X11 window to show a preview in.
        QTest::newRow("preview") << QStringList{"/p", "4711"} << 4 << 4711 << false << false;
        QTest::newRow("preview without host") << QStringList{"/p"} << 4 << 0 << false << false;
        QTest::newRow("settings") << QStringList{"/c:4711"} << 0 << 0 << false << true;
        QTest::newRow("other") << QStringList{"/a"} << 0 << 0 << false << false;
    }

    void modesSetTheRunMode()
    {
        QFETCH(QStringList, words);
        QFETCH(int, runMode);
        QFETCH(int, previewWindow);
        QFETCH(bool, saverLoaded);
        QFETCH(bool, setupLoaded);
        const std::optional<int> status = startup::Main(words);
        QCOMPARE(!status.has_value(), saverLoaded || setupLoaded);
        QCOMPARE(startup::MainForm() != nullptr, saverLoaded);
        QCOMPARE(startup::SetupForm() != nullptr, setupLoaded);
        if (setupLoaded)
            QVERIFY(startup::SetupForm()->isModal() && startup::SetupForm()->isVisible());
        QCOMPARE(modGeneral::State.RunMode, runMode);
        QCOMPARE(modGeneral::State.PreviewWindow, previewWindow);
    }

    // Full screen: the whole desktop, above the others, cursor hidden, saver running.
    void saverCoversTheDesktop()
    {
        const int cursorBefore = platform::CursorDisplayCount();
        QVERIFY(!startup::Main({"/s"}));
        saver::frmMain *form = startup::MainForm();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(form->geometry(), QRect(QPoint(0, 0), screen.size()));
        QVERIFY(form->isVisible());
        QCOMPARE(modGeneral::State.DisplayRect.right, screen.width());
        QCOMPARE(platform::CursorDisplayCount(), cursorBefore - 1);
        QVERIFY(platform::ScreenSaverRunning());
        form->EndSaver();
        QCOMPARE(platform::CursorDisplayCount(), cursorBefore + 1);
        QVERIFY(!platform::ScreenSaverRunning());
    }

    void startupNeverWritesTheStore()
    {
        startup::Main({"/s"});
        startup::Main({"/c"});
        QVERIFY(!QFileInfo::exists(platform::StoreFilePath()));
    }
};

LUMIDEX_REGISTER_TEST(TstMain)
#include "tst_main.moc"
