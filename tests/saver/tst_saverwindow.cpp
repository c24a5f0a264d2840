#include "WindowTestSupport.h"

#include "countdown/BuildCountdownText.h"
#include "platform/SaverWindowCalls.h"
#include "saver/frmMain.h"
#include "state/modGeneral.h"

#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>

using modGeneral::State;
using saver::frmMain;
using testing::Store;

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
        for (const QStringList &pair : testing::Table(R"(
Background | 16711680
TextFontName0 | DejaVu Serif
TextFontSize0 | 20.5
TextFontBold0 | 0
TextFontUnderline1 | -1
TextFontColor1 | 65280
Direction | 3
Speed | 7
Title | Holidays
)"))
            Store(pair[0], pair[1]);
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
        QCOMPARE(State.SaverLayout.BlockTop, 768 * 15 - 50);
        QCOMPARE(form.lblText.size().width(), form.lblTime.size().width());
        QVERIFY(m_messages.asked.isEmpty());
    }

    // A value that cannot be read is reported and its default used; the run goes on.
    void unreadableValuesAreReported()
    {
        Store("Speed", "fast");
        Store("TextFontSize1", "1e50");
        Store("Date", "31/31/31");
        frmMain &form = Load();
        QCOMPARE(m_messages.Texts(),
                 (QStringList{countdown::DateCalculationErrorText,
                              "Error Number: 13\r\nType mismatch", "Error Number: 6\r\nOverflow"}));
        QCOMPARE(form.tmrScroll.interval(), 17);
        QCOMPARE(form.lblTime.font().pointSizeF(), 14.0);
    }

    // Rows: the stored folder ("<dir>": the test's) and file, the size factor, the picture's
    // size in pixels and the message. A picture file wins over the built-in picture; a folder
    // that is gone gives the logo; the small preview shows its default picture at half size.
    void picturesFromTheStore()
    {
        QTemporaryDir dir;
        QImage(40, 30, QImage::Format_RGB32).save(dir.filePath("Photo 1.JPG"), "JPEG");
        for (const QStringList &row : testing::Table(R"(
 |  | 0 | 150 75 | -
 |  | 3 | 450 225 | -
 |  | -2 | 75 37.5 | -
 |  | -1 | 150 75 | -
<dir> | Photo 1.JPG | 2 | 80 60 | -
<dir>/gone | a.jpg | 0 | 150 75 | -
<dir>/ | b.gif | 0 | 0 0 | Error Number: 53\r\nFile not found
preview | whatever.jpg | 4 | 50 25 | -
)")) {
            m_messages.asked.clear();
            Store("ImageUsed", "1");
            Store("ImagePath", QString(row[0]).replace("<dir>", dir.path()));
            Store("ImageName", row[1]);
            Store("ImageSize", row[2]);
            frmMain &form = Load(row[0] == "preview" ? modGeneral::RunModePreview
                                                     : modGeneral::RunModeFullScreen);
            const QStringList pixels = row[3].split(' ');
            QCOMPARE(form.imgPhoto.size(), QSizeF(pixels[0].toDouble(), pixels[1].toDouble()) * 15);
            QCOMPARE(m_messages.Texts().join(""), QString(row[4]).remove("-").replace("\\r", "\r"));
            QCOMPARE(form.lblTime.text(), QStringLiteral(" 1 year  2 months  3 days!"));
        }
    }

    // A click, a key that types a character, or the ninth mouse movement off the elements
    // ends the run with the cursor back; input on the elements is theirs; the preview
    // ignores all input.
    void inputThatEnds_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("ends");
        for (const QStringList &row : testing::Table(R"(
saver | 8 moves | false
saver | 9 moves | true
saver | press | true
saver | double | true
saver | a | true
saver | Space | true
saver | Escape | true
saver | Shift | false
saver | F1 | false
saver | 20 moves on the lines | false
saver | press on the lines | false
preview | 20 moves | false
preview | press | false
preview | a | false
)"))
            QTest::addRow("%s %s", qPrintable(row[0]), qPrintable(row[1]))
                << row[0] << row[1] << (row[2] == "true");
    }

    void inputThatEnds()
    {
        QFETCH(QString, mode);
        QFETCH(QString, input);
        QFETCH(bool, ends);
        Store("Direction", "7"); // the block stands still at the top left
        const int cursor = platform::CursorDisplayCount();
        frmMain &form =
            Load(mode == "saver" ? modGeneral::RunModeFullScreen : modGeneral::RunModePreview);
        const QPoint at = input.endsWith("lines") ? form.timeRect().center() : QPoint(1000, 700);
        const QHash<QString, Qt::Key> keys{{"a", Qt::Key_A},
                                           {"Space", Qt::Key_Space},
                                           {"Escape", Qt::Key_Escape},
                                           {"Shift", Qt::Key_Shift},
                                           {"F1", Qt::Key_F1}};
        const auto send = [&form](QEvent::Type type, QPoint at, Qt::MouseButton button) {
            QMouseEvent event(type, at, form.mapToGlobal(at), button, button, {});
            QApplication::sendEvent(&form, &event);
        };
        for (int move = input.section(' ', 0, 0).toInt(); move > 0; --move)
            send(QEvent::MouseMove, at + QPoint(move % 2, 0), Qt::NoButton);
        if (keys.contains(input))
            QTest::keyClick(&form, keys[input]); // with the text the key types
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
