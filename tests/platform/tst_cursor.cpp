#include "TestSupport.h"

#include "platform/SaverWindowCalls.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

using namespace platform;

// The shape of the override cursor on top; ArrowCursor when there is none.
static Qt::CursorShape OverrideShape()
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

class SaverCursorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        // The count is process-wide: back to the visible state for the next case.
        while (CursorDisplayCount() != 0)
            ShowCursor(CursorDisplayCount() < 0);
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }

    void countAndCursor_data()
    {
        // steps: '-' hides, '+' shows. shapes: the override cursor after each step, 'b' blank,
        // 'n' none, 'w' the wait cursor the application set before the first step.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QString>("shapes");
        QTest::newRow("saver ends: one hide, two shows") << "-++" << QList<int>{-1, 0, 1} << "bnn";
        QTest::newRow("two hides need two shows") << "--++" << QList<int>{-1, -2, -1, 0} << "bbbn";
        QTest::newRow("shown first, then two hides") << "+--" << QList<int>{1, 0, -1} << "nnb";
        QTest::newRow("over a wait cursor") << "-+" << QList<int>{-1, 0} << "bw";
    }

    void countAndCursor()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, counts);
        QFETCH(QString, shapes);
        if (shapes.contains('w'))
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        for (int i = 0; i < steps.size(); ++i) {
            QCOMPARE(ShowCursor(steps[i] == '+'), counts[i]);
            QCOMPARE(CursorDisplayCount(), counts[i]);
            const char shape = shapes[i].toLatin1();
            QCOMPARE(OverrideShape(), shape == 'b'   ? Qt::BlankCursor
                                      : shape == 'w' ? Qt::WaitCursor
                                                     : Qt::ArrowCursor);
        }
    }

    void runningFlagIsRecorded()
    {
        SetScreenSaverRunning(true);
        QVERIFY(ScreenSaverRunning());
        SetScreenSaverRunning(false);
        QVERIFY(!ScreenSaverRunning());
    }

    void foreignWindowCallsNeedX11()
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
};

LUMIDEX_REGISTER_TEST(SaverCursorTest)
#include "tst_cursor.moc"
