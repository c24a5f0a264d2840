#include "TestSupport.h"

#include "state/modGeneral.h"
#include "platform/SaverWindowCalls.h"
#include "platform/Store.h"
#include "saver/frmMain.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

using saver::frmMain;

namespace {

void Send(QWidget &window, QEvent::Type type, QPoint at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, window.mapToGlobal(at), button,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

// A point of the window that no element covers.
QPoint Empty(const frmMain &form)
{
    for (int y = 0; y < form.height(); y += 10) {
        const QPoint point(5, y);
        if (!form.titleRect().contains(point) && !form.timeRect().contains(point) &&
            !form.photoRect().contains(point))
            return point;
    }
    return {};
}

} // namespace

// The saver window's input and ending, offscreen.
class TstFrmMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<frmMain> m_form;
    int m_cursorBefore = 0;

    frmMain &Load(qint32 runMode)
    {
        modGeneral::State.RunMode = runMode;
        m_cursorBefore = platform::CursorDisplayCount();
        m_form = std::make_unique<frmMain>();
        m_form->resize(1024, 768);
        m_form->Form_Load();
        m_form->show();
        return *m_form;
    }

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        modGeneral::State.SaverLayout = {};
        modGeneral::State.ScreenWidth = 1024 * 15;
        modGeneral::State.ScreenHeight = 768 * 15;
        platform::SaveSetting(platform::SettingsSection, QStringLiteral("Direction"),
                              QStringLiteral("7")); // the block stands still at the top left
    }
    void cleanup() { m_form.reset(); }

    void ninthMouseMoveEnds()
    {
        frmMain &form = Load(modGeneral::RunModeFullScreen);
        QCOMPARE(platform::CursorDisplayCount(), m_cursorBefore - 1);
        for (int move = 1; move <= 8; ++move)
            Send(form, QEvent::MouseMove, Empty(form));
        QVERIFY(!form.unloaded());
        Send(form, QEvent::MouseMove, Empty(form));
        QVERIFY(form.unloaded());
        QCOMPARE(form.MoveCount, 0);
        // Hidden once, shown twice on the way out: visible again.
        QCOMPARE(platform::CursorDisplayCount(), m_cursorBefore + 1);
        QVERIFY(!platform::ScreenSaverRunning());
    }

    void clicksEnd_data()
    {
        QTest::addColumn<int>("eventType");
        QTest::newRow("press") << int(QEvent::MouseButtonPress);
        QTest::newRow("double click") << int(QEvent::MouseButtonDblClick);
    }

    void clicksEnd()
    {
        QFETCH(int, eventType);
        frmMain &form = Load(modGeneral::RunModeFullScreen);
        Send(form, QEvent::Type(eventType), Empty(form));
        QVERIFY(form.unloaded());
    }

    void onlyCharacterKeysEnd_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ends");
        QTest::newRow("letter") << int(Qt::Key_A) << "a" << true;
        QTest::newRow("digit") << int(Qt::Key_5) << "5" << true;
        QTest::newRow("space") << int(Qt::Key_Space) << " " << true;
        QTest::newRow("enter") << int(Qt::Key_Return) << "\r" << true;
        QTest::newRow("escape") << int(Qt::Key_Escape) << "\x1b" << true;
        QTest::newRow("shift") << int(Qt::Key_Shift) << "" << false;
        QTest::newRow("ctrl") << int(Qt::Key_Control) << "" << false;
        QTest::newRow("arrow") << int(Qt::Key_Left) << "" << false;
        QTest::newRow("function key") << int(Qt::Key_F1) << "" << false;
    }

    void onlyCharacterKeysEnd()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, ends);
        frmMain &form = Load(modGeneral::RunModeFullScreen);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&form, &press);
        QCOMPARE(form.unloaded(), ends);
    }

    // Input on the text lines or the picture is theirs, not the window's.
    void inputOnTheElementsDoesNotCount()
    {
        frmMain &form = Load(modGeneral::RunModeFullScreen);
        const QPoint onTitle = form.titleRect().center();
        const QPoint onCountdown = form.timeRect().center();
        QVERIFY(form.rect().contains(onCountdown));
        for (int move = 0; move < 20; ++move)
            Send(form, QEvent::MouseMove, move % 2 ? onTitle : onCountdown);
        Send(form, QEvent::MouseButtonPress, onCountdown);
        QVERIFY(!form.unloaded());
        QCOMPARE(form.MoveCount, 0);
    }

    void previewIgnoresInput()
    {
        frmMain &form = Load(modGeneral::RunModePreview);
        for (int move = 0; move < 20; ++move)
            Send(form, QEvent::MouseMove, Empty(form));
        Send(form, QEvent::MouseButtonPress, Empty(form));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&form, &press);
        QVERIFY(!form.unloaded());
        QCOMPARE(form.MoveCount, 20);
    }

    // What the screen shows: the background, and the lines in their colours.
    void paintsTheBlock()
    {
        frmMain &form = Load(modGeneral::RunModeFullScreen);
        const QImage shot = form.grab().toImage();
        QCOMPARE(shot.pixelColor(Empty(form)), QColor(Qt::black));
        int yellow = 0;
        const QRect line = form.timeRect();
        for (int x = line.left(); x <= line.right(); ++x) {
            for (int y = line.top(); y <= line.bottom(); ++y)
                yellow += shot.pixelColor(x, y) == QColor(255, 255, 0);
        }
        QVERIFY2(yellow > 100, "the countdown line shows no yellow text");
    }
};

LUMIDEX_REGISTER_TEST(TstFrmMain)
#include "tst_frmmain.moc"
