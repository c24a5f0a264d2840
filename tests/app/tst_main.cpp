#include "TestSupport.h"

#include "app/Main.h"
#include "app/modGeneral.h"
#include "platform/Store.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

void Store(const QString &key, const QString &text)
{
    platform::SaveSetting(platform::SettingsSection, key, text);
}

} // namespace

// Start-up inside this process: what it records for the windows that follow.
class TstMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        modGeneral::ResetState();
    }

    void readsStartupSettingsAndScreen()
    {
        Store(QStringLiteral("ImageIndex"), QStringLiteral("7"));
        Store(QStringLiteral("DefaultTab"), QStringLiteral("1"));
        Store(QStringLiteral("IncludeDays"), QStringLiteral("1"));
        QCOMPARE(modGeneral::Main({"/x"}), 0);
        QCOMPARE(modGeneral::ImageIndex, qint16(7));
        QCOMPARE(modGeneral::DefaultTab, qint16(1));
        QCOMPARE(modGeneral::IncludeDays, qint16(1));
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QVERIFY(screen.width() > 0);
        QCOMPARE(modGeneral::ScreenWidth, screen.width() * 15);
        QCOMPARE(modGeneral::ScreenHeight, screen.height() * 15);
        QCOMPARE(modGeneral::RunMode, 0);
    }

    void unreadableStartupSettingsUseDefaults()
    {
        Store(QStringLiteral("ImageIndex"), QStringLiteral("picture"));
        Store(QStringLiteral("DefaultTab"), QStringLiteral("99999"));
        Store(QStringLiteral("IncludeDays"), QStringLiteral(""));
        modGeneral::Main({"/x"});
        QCOMPARE(modGeneral::ImageIndex, qint16(1));
        QCOMPARE(modGeneral::DefaultTab, qint16(0));
        QCOMPARE(modGeneral::IncludeDays, qint16(0));
    }

    void modesSetTheRunMode_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<int>("runMode");
        QTest::addColumn<int>("previewWindow");
        QTest::addColumn<int>("status");
        QTest::newRow("saver") << QStringList{"/s"} << 1 << 0 << 3;
        QTest::newRow("no switch") << QStringList{} << 1 << 0 << 3;
        QTest::newRow("preview") << QStringList{"/p", "4711"} << 4 << 4711 << 3;
        QTest::newRow("preview without host") << QStringList{"/p"} << 4 << 0 << 3;
        QTest::newRow("settings") << QStringList{"/c:4711"} << 0 << 0 << 3;
        QTest::newRow("other") << QStringList{"/a"} << 0 << 0 << 0;
    }

    void modesSetTheRunMode()
    {
        QFETCH(QStringList, words);
        QFETCH(int, runMode);
        QFETCH(int, previewWindow);
        QFETCH(int, status);
        QCOMPARE(modGeneral::Main(words), status);
        QCOMPARE(modGeneral::RunMode, runMode);
        QCOMPARE(modGeneral::PreviewWindow, previewWindow);
    }

    void startupNeverWritesTheStore()
    {
        modGeneral::Main({"/s"});
        modGeneral::Main({"/c"});
        QVERIFY(!QFileInfo::exists(platform::StoreFilePath()));
    }
};

LUMIDEX_REGISTER_TEST(TstMain)
#include "tst_main.moc"
