#include "PictureBytes.h"
#include "WindowTestSupport.h"

#include "core/Dates.h"
#include "countdown/BuildCountdownText.h"
#include "platform/MessageBox.h"
#include "platform/SaverWindowCalls.h"
#include "saver/frmMain.h"
#include "state/modGeneral.h"

#include <QMetaEnum>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <unistd.h>

using modGeneral::State;
using saver::frmMain;
using testing::Store;

// What `work` writes to standard error.
template <typename Work> static QByteArray StandardError(Work work)
{
    QTemporaryFile file; // not open: nothing is captured, and the comparison fails
    file.open();
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    file.seek(0);
    return file.readAll();
}

// The saver window on a 1024 x 768 screen, offscreen: its set-up from the store, and the
// input that ends it.
class TstSaverWindow : public QObject
{
    Q_OBJECT

    testing::MessageRecorder m_messages;
    std::unique_ptr<frmMain> m_form;

    frmMain &Load(qint32 runMode = modGeneral::RunModeFullScreen)
    {
        State.RunMode = runMode;
        m_form = std::make_unique<frmMain>();
        m_form->resize(1024, 768);
        m_form->Form_Load();
        m_form->show();
        return *m_form;
    }

private Q_SLOTS:
    void init()
    {
        testing::ResetRun(QDate(2026, 12, 5));
        m_messages.Install();
        State.ImageIndex = 1;
        State.ScreenWidth = 1024 * 15;
        State.ScreenHeight = 768 * 15;
        Store("Date", "2028-02-08");
    }
    void cleanup()
    {
        m_form.reset();
        testing::ResetRun();
    }

    void setsUpFromTheStore()
    {
        testing::StoreAll({"Background=16711680", "TextFontName0=DejaVu Serif",
                           "TextFontSize0=20.5", "TextFontBold0=0", "TextFontUnderline1=-1",
                           "TextFontColor1=65280", "Direction=3", "Speed=7", "Title=Holidays"});
        State.IncludeDays = 2; // only 1 adds the day total
        frmMain &form = Load();
        QCOMPARE(form.backgroundColour(), QColor(Qt::blue));
        QCOMPARE(form.lblText.text() + '|' + form.lblTime.text(),
                 QStringLiteral("Holidays| 1 year  2 months  3 days!"));
        QCOMPARE(form.lblText.font().toString(),
                 "DejaVu Serif,20.5,-1,5,400,0,0,0,0,0,0,0,0,0,0,1");
        QVERIFY(form.lblTime.font().bold() && form.lblTime.font().underline());
        QVERIFY(form.lblTime.color() == Qt::green && form.lblText.color() == Qt::red);
        QCOMPARE(form.tmrScroll.interval(), 12);
        // Upward: centred text, the block entering from below, both lines one width.
        QCOMPARE(form.lblText.alignment(), Qt::AlignHCenter);
        QCOMPARE(form.SaverLayout.BlockTop, 768 * 15 - 50);
        QCOMPARE(form.lblText.size().width(), form.lblTime.size().width());
        QVERIFY(m_messages.asked.isEmpty());
    }

    // A full-screen run shows one box, over its own window once that is up: the first
    // failure. Values that cannot be read silently give their defaults; every further
    // failure is a line on standard error. A date that cannot be counted leaves the title.
    void oneMessageBoxARun()
    {
        testing::StoreAll({"TextFontSize1=1e50", "Date=31/31/31", "Title=Soon", "ImageUsed=1",
                           "ImagePath=/", "ImageName=no such picture.jpg"});
        m_messages.asked.clear();
        const QByteArray lines = StandardError([] { QVERIFY(!startup::Main({"/s"})); });
        frmMain &form = *startup::MainForm();
        QVERIFY(m_messages.asked.isEmpty() && form.isVisible());
        QTRY_COMPARE(m_messages.Texts(), QStringList{countdown::DateCalculationErrorText});
        QCOMPARE(lines, "lumidex: Error Number: 53 File not found\n");
        QCOMPARE(form.lblText.text() + '|' + form.lblTime.text(), QStringLiteral("Soon|"));
        QCOMPARE(form.lblTime.font().pointSizeF(), 14.0);
    }

    // Left running overnight, the saver counts the new day and reaches the completion
    // phrase on the target date; the block is measured for each new text and, travelling
    // down, stays centred.
    void countFollowsTheDate()
    {
        testing::StoreAll({"Date=2026-12-07", "Title=Party", "Direction=2"});
        frmMain &form = Load();
        QVERIFY(form.tmrDate.isActive());
        for (const QStringList &row : testing::Table(R"(
2026-12-05 | Party | 2 days!
2026-12-06 | Party | 1 day!
2026-12-07 |  | Completion phrase upon reaching target date.
)")) {
            core::SetToday(QDate::fromString(row[0], Qt::ISODate));
            form.tmrDate_Timer();
            QCOMPARE(form.lblText.text() + '|' + form.lblTime.text().trimmed(),
                     row[1] + '|' + row[2]);
            const qint32 width = form.SaverLayout.BlockWidth;
            QCOMPARE(width, qMax(form.lblText.size().width(), form.lblTime.size().width()));
            QVERIFY(qAbs(2 * form.SaverLayout.BlockLeft + width - State.ScreenWidth) <= 1);
        }
    }

    // Ending a preview brings this program's own window with the application's title to
    // the front, not just any window that carries it.
    void endingAPreviewActivatesOwnWindow()
    {
        QWidget own, other;
        own.setWindowTitle(platform::ApplicationTitle);
        own.show();
        other.show();
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        Load(modGeneral::RunModePreview).close();
        QTRY_COMPARE(QApplication::activeWindow(), &own);
    }

    // Rows: the stored folder ("<dir>": the test's) and file, the size factor, the picture's
    // size in pixels and the message. A picture file wins over the built-in picture; a folder
    // that is gone gives the logo; the small preview shows its default picture at half size.
    // A picture never outgrows the 1024 x 768 screen: the factor steps back, a larger one
    // shrinks to fit.
    void picturesFromTheStore()
    {
        QTemporaryDir dir;
        for (const auto &[name, size] : {std::pair{"Photo 1.JPG", QSize(40, 30)},
                                         {"Wide.jpg", QSize(400, 300)},
                                         {"Huge.jpg", QSize(4096, 2048)}})
            QImage(size, QImage::Format_RGB32).save(dir.filePath(name), "JPEG");
        // A metafile is rendered whole, at 2048 x 1024 pixels here: the saver shrinks it.
        QVERIFY(testing::WriteFile(
            dir.filePath("Big.wmf"),
            testing::Metafile({}, {.width = 2048, .height = 1024, .unitsPerInch = 96})));
        for (const QStringList &row : testing::Table(R"(
 |  | 0 | 150 75 | -
 |  | 3 | 450 225 | -
 |  | -2 | 75 37.5 | -
 |  | -1 | 150 75 | -
<dir> | Photo 1.JPG | 2 | 80 60 | -
<dir> | Wide.jpg | 4 | 800 600 | -
<dir> | Huge.jpg | -1 | 1024 512 | -
<dir> | Big.wmf | 0 | 1024 512 | -
<dir>/gone | a.jpg | 0 | 150 75 | -
<dir>/ | b.gif | 0 | 0 0 | Error Number: 53\r\nFile not found
preview | whatever.jpg | 4 | 50 25 | -
)")) {
            m_messages.asked.clear();
            testing::StoreAll({"ImageUsed=1",
                               "ImagePath=" + QString(row[0]).replace("<dir>", dir.path()),
                               "ImageName=" + row[1], "ImageSize=" + row[2]});
            frmMain &form = Load(row[0] == "preview" ? modGeneral::RunModePreview
                                                     : modGeneral::RunModeFullScreen);
            const QStringList pixels = row[3].split(' ');
            QCOMPARE(form.imgPhoto.size(), QSizeF(pixels[0].toDouble(), pixels[1].toDouble()) * 15);
            QCOMPARE(m_messages.Texts().join(""), QString(row[4]).remove("-").replace("\\r", "\r"));
            QCOMPARE(form.lblTime.text(), QStringLiteral(" 1 year  2 months  3 days!"));
        }
    }

    // A click, a key that types a character (or Return, Tab, Backspace, Escape), or the ninth mouse
    // movement off the elements ends the run with the cursor back; input on the elements is theirs;
    // the preview ignores all input.
    void inputThatEnds_data()
    {
        testing::AddRows(R"(
saver | 8 moves | false
saver | 9 moves | true
saver | press | true
saver | double | true
saver | A | true
saver | Space | true
saver | Escape | true
saver | Return | true
saver | Tab | true
saver | Backspace | true
saver | Delete | false
saver | Shift | false
saver | F1 | false
saver | 20 moves on the lines | false
saver | press on the lines | false
preview | 20 moves | false
preview | press | false
preview | A | false
)");
    }

    void inputThatEnds()
    {
        QFETCH(QStringList, row);
        const QString &mode = row[0], &input = row[1];
        const bool ends = row[2] == "true";
        Store("Direction", "7"); // the block stands still at the top left
        const int cursor = platform::CursorDisplayCount();
        frmMain &form =
            Load(mode == "saver" ? modGeneral::RunModeFullScreen : modGeneral::RunModePreview);
        const QPoint at = input.endsWith("lines") ? form.timeRect().center() : QPoint(1000, 700);
        const auto send = [&form](QEvent::Type type, QPoint at, Qt::MouseButton button) {
            QMouseEvent event(type, at, form.mapToGlobal(at), button, button, {});
            QApplication::sendEvent(&form, &event);
        };
        for (int move = input.section(' ', 0, 0).toInt(); move > 0; --move)
            send(QEvent::MouseMove, at + QPoint(move % 2, 0), Qt::NoButton);
        // Each key with its text, as X gives it: Delete's is "\x7f", which Qt Test leaves out.
        const int key = QMetaEnum::fromType<Qt::Key>().keyToValue(qPrintable("Key_" + input));
        if (key >= 0)
            QTest::sendKeyEvent(QTest::Press, &form, Qt::Key(key),
                                key == Qt::Key_Delete ? '\x7f' : QTest::keyToAscii(Qt::Key(key)),
                                {});
        if (input.startsWith("press") || input == "double")
            send(input == "double" ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, at,
                 Qt::LeftButton);
        QCOMPARE(form.unloaded(), ends);
        // Hidden by the load; shown twice on the way out, so visible again.
        QCOMPARE(platform::CursorDisplayCount(), cursor + (ends ? 1 : -1));
    }
};

LUMIDEX_REGISTER_TEST(TstSaverWindow)
#include "tst_saverwindow.moc"
