#include "TestSupport.h"

#include "platform/SaverWindowCalls.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

using namespace platform;

class SaverCursorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void countAndCursor_data();
    void countAndCursor();
    void leavesOtherOverrideCursorsAlone();
    void runningFlagIsRecorded();
    void foreignWindowCallsNeedX11();
};

void SaverCursorTest::cleanup()
{
    // The count is process-wide: back to the visible state for the next case.
    while (CursorDisplayCount() != 0)
        ShowCursor(CursorDisplayCount() < 0);
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void SaverCursorTest::countAndCursor_data()
{
    // steps: '-' hides, '+' shows; blank: after each step, 'y' when the cursor is hidden.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("blank");
    QTest::newRow("hide, show") << "-+" << QList<int>{-1, 0} << "yn";
    QTest::newRow("saver ends: one hide, two shows") << "-++" << QList<int>{-1, 0, 1} << "ynn";
    QTest::newRow("two hides need two shows") << "--++" << QList<int>{-1, -2, -1, 0} << "yyyn";
    QTest::newRow("shown first, then two hides") << "+--" << QList<int>{1, 0, -1} << "nny";
}

void SaverCursorTest::countAndCursor()
{
    QFETCH(QString, steps);
    QFETCH(QList<int>, counts);
    QFETCH(QString, blank);
    QCOMPARE(CursorDisplayCount(), 0);
    for (int i = 0; i < steps.size(); ++i) {
        QCOMPARE(ShowCursor(steps[i] == '+'), counts[i]);
        QCOMPARE(CursorDisplayCount(), counts[i]);
        const QCursor *cursor = QGuiApplication::overrideCursor();
        if (blank[i] == 'y')
            QCOMPARE(cursor ? cursor->shape() : Qt::ArrowCursor, Qt::BlankCursor);
        else
            QCOMPARE(cursor, nullptr); // also: no blank cursor left stacked below
    }
}

void SaverCursorTest::leavesOtherOverrideCursorsAlone()
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ShowCursor(false);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    ShowCursor(true);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
}

void SaverCursorTest::runningFlagIsRecorded()
{
    SetScreenSaverRunning(true);
    QVERIFY(ScreenSaverRunning());
    SetScreenSaverRunning(false);
    QVERIFY(!ScreenSaverRunning());
}

void SaverCursorTest::foreignWindowCallsNeedX11()
{
    // Offscreen there is no X server: every id names nothing, and the rest does nothing
    // (nor crashes on the missing X11 interface).
    QWidget window;
    QCOMPARE(ForeignClientSize(0x400001), std::nullopt);
    QVERIFY(!EmbedInForeignWindow(&window, 0x400001, QSize(100, 100)));
    QVERIFY(!window.isVisible());
    WhenDestroyedFromOutside(&window, [] {});
    ActivateWindowByTitle(QStringLiteral("Anything"));
}

LUMIDEX_REGISTER_TEST(SaverCursorTest)
#include "tst_cursor.moc"
