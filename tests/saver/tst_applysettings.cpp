#include "TestSupport.h"

#include "state/modGeneral.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"
#include "saver/ApplySettings.h"
#include "saver/frmMain.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using saver::frmMain;

namespace {

constexpr qint32 ScreenWidth = 15360;
constexpr qint32 ScreenHeight = 11520;

} // namespace

// The saver's set-up from the store, on a window that is never shown.
class TstApplySettings : public QObject
{
    Q_OBJECT

    QList<QString> m_messages;

    void Apply(frmMain &form)
    {
        modGeneral::State.Countdown.TitleText = QStringLiteral("Holidays");
        modGeneral::State.Countdown.DaysWord =
            QStringLiteral("Completion phrase upon reaching target date.");
        saver::ApplySettings(form);
    }

private Q_SLOTS:
    void init()
    {
        testing::ClearStore();
        modGeneral::State.Countdown = {};
        modGeneral::State.SaverLayout = {};
        modGeneral::State.RunMode = modGeneral::RunModeFullScreen;
        modGeneral::State.ImageIndex = 1;
        modGeneral::State.ScreenWidth = ScreenWidth;
        modGeneral::State.ScreenHeight = ScreenHeight;
        m_messages.clear();
        platform::SetMessageBoxResponder([this](const platform::MessageBoxRequest &request) {
            m_messages << request.text;
            return platform::MsgAnswer::Ok;
        });
    }
    void cleanup() { platform::SetMessageBoxResponder({}); }

    void emptyStore()
    {
        frmMain form;
        Apply(form);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!form.imgPhoto.hasPicture());
        QCOMPARE(form.backgroundColour(), QColor(Qt::black));
        QCOMPARE(form.lblTime.text(),
                 QStringLiteral("Completion phrase upon reaching target date."));
        QCOMPARE(form.lblTime.color(), QColor(255, 255, 0));
        QCOMPARE(form.lblText.color(), QColor(255, 0, 0));
        QVERIFY(form.lblTime.font().bold());
        QCOMPARE(form.lblTime.font().pointSizeF(), 14.0);
        QCOMPARE(form.lblTime.font().family(), QStringLiteral("Arial"));
        QCOMPARE(form.lblTime.alignment(), Qt::AlignLeft);
        QCOMPARE(form.tmrScroll.interval(), 17);
        const auto &layout = modGeneral::State.SaverLayout;
        // The block starts just beyond the right edge, vertically centred; the start tick
        // has already run.
        QCOMPARE(layout.BlockLeft, ScreenWidth - 50);
        QCOMPARE(layout.BlockTop, qRound(ScreenHeight / 2.0 - layout.BlockHeight / 2.0));
        QCOMPARE(layout.BlockWidth, qint32(form.lblTime.size().width()));
        QCOMPARE(form.lblText.size().width(), form.lblTime.size().width());
        QCOMPARE(layout.LineGap, qint32(form.lblText.size().height()));
        QCOMPARE(layout.PictureCenterX, ScreenWidth / 2);
    }

    void storedLooks()
    {
        testing::Store(QStringLiteral("Background"), QStringLiteral("16711680")); // blue
        testing::Store(QStringLiteral("TextFontName0"), QStringLiteral("DejaVu Serif"));
        testing::Store(QStringLiteral("TextFontSize0"), QStringLiteral("20.5"));
        testing::Store(QStringLiteral("TextFontItalic0"), QStringLiteral("True"));
        testing::Store(QStringLiteral("TextFontBold0"), QStringLiteral("0"));
        testing::Store(QStringLiteral("TextFontUnderline1"), QStringLiteral("-1"));
        testing::Store(QStringLiteral("TextFontColor1"), QStringLiteral("65280")); // green
        testing::Store(QStringLiteral("Direction"), QStringLiteral("3"));
        testing::Store(QStringLiteral("Speed"), QStringLiteral("10"));
        frmMain form;
        Apply(form);
        QCOMPARE(form.backgroundColour(), QColor(0, 0, 255));
        QCOMPARE(form.lblText.font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(form.lblText.font().pointSizeF(), 20.5);
        QVERIFY(form.lblText.font().italic());
        QVERIFY(!form.lblText.font().bold());
        QVERIFY(form.lblTime.font().underline());
        QCOMPARE(form.lblTime.color(), QColor(0, 255, 0));
        QCOMPARE(form.tmrScroll.interval(), 9);
        // Upward: centred text, starting below the bottom edge.
        QCOMPARE(form.lblText.alignment(), Qt::AlignHCenter);
        QCOMPARE(modGeneral::State.SaverLayout.BlockTop, ScreenHeight - 50);
    }

    void timerFollowsTheSpeed_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<int>("interval");
        QTest::newRow("slowest") << "0" << 100;
        QTest::newRow("middle") << "5" << 17;
        QTest::newRow("half to even") << "7" << 12;
        QTest::newRow("fastest") << "10" << 9;
        QTest::newRow("beyond the slider") << "-1" << 17;
    }

    void timerFollowsTheSpeed()
    {
        QFETCH(QString, speed);
        QFETCH(int, interval);
        testing::Store(QStringLiteral("Speed"), speed);
        frmMain form;
        Apply(form);
        QCOMPARE(form.tmrScroll.interval(), interval);
        QVERIFY(m_messages.isEmpty());
    }

    // A value that cannot be read is reported, and the set-up goes on with its default.
    void unreadableValueIsReportedAndDefaulted()
    {
        testing::Store(QStringLiteral("Speed"), QStringLiteral("fast"));
        testing::Store(QStringLiteral("TextFontSize1"), QStringLiteral("1e50"));
        frmMain form;
        Apply(form);
        QCOMPARE(m_messages,
                 (QStringList{"Error Number: 13\r\nType mismatch", "Error Number: 6\r\nOverflow"}));
        QCOMPARE(form.tmrScroll.interval(), 17);
        QCOMPARE(form.lblTime.font().pointSizeF(), 14.0);
        QCOMPARE(form.lblTime.text(),
                 QStringLiteral("Completion phrase upon reaching target date."));
    }

    void sizeFactors_data()
    {
        QTest::addColumn<QString>("factor");
        QTest::addColumn<QSizeF>("pixels");
        QTest::addColumn<bool>("stretched");
        QTest::newRow("3") << "3" << QSizeF(450, 225) << true;
        QTest::newRow("-2") << "-2" << QSizeF(75, 37.5) << true;
        QTest::newRow("-1") << "-1" << QSizeF(150, 75) << false;
        QTest::newRow("0") << "0" << QSizeF(150, 75) << false;
        QTest::newRow("1") << "1" << QSizeF(150, 75) << false;
    }

    void sizeFactors()
    {
        QFETCH(QString, factor);
        QFETCH(QSizeF, pixels);
        QFETCH(bool, stretched);
        testing::Store(QStringLiteral("ImageUsed"), QStringLiteral("1"));
        testing::Store(QStringLiteral("ImageSize"), factor);
        frmMain form;
        Apply(form);
        QVERIFY(form.imgPhoto.hasPicture());
        QCOMPARE(form.imgPhoto.size(), pixels * 15);
        QCOMPARE(form.imgPhoto.stretched(), stretched);
    }

    void builtInPictureByIndex()
    {
        testing::Store(QStringLiteral("ImageUsed"), QStringLiteral("1"));
        modGeneral::State.ImageIndex = 9;
        frmMain form;
        Apply(form);
        QCOMPARE(form.imgPhoto.picture().size(), QSize(156, 186));
    }

    void pictureFiles()
    {
        QTemporaryDir folder;
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::magenta);
        QVERIFY(picture.save(folder.filePath("holiday photo.jpg"), "JPEG"));
        testing::Store(QStringLiteral("ImageUsed"), QStringLiteral("1"));
        testing::Store(QStringLiteral("ImagePath"), folder.path()); // no final separator
        testing::Store(QStringLiteral("ImageName"), QStringLiteral("holiday photo.jpg"));
        {
            frmMain form;
            Apply(form);
            QCOMPARE(form.imgPhoto.picture().size(), QSize(40, 30));
            QVERIFY(m_messages.isEmpty());
        }
        // A folder that is gone: the logo stands in, without a message.
        testing::Store(QStringLiteral("ImagePath"), folder.filePath("gone"));
        {
            frmMain form;
            Apply(form);
            QCOMPARE(form.imgPhoto.picture().size(), QSize(150, 75));
            QVERIFY(m_messages.isEmpty());
        }
        // A file that is gone, or not a picture: reported; the rest is set up all the same.
        testing::Store(QStringLiteral("ImagePath"), folder.path() + "/");
        testing::Store(QStringLiteral("ImageName"), QStringLiteral("missing.gif"));
        QFile notAPicture(folder.filePath("notes.bmp"));
        QVERIFY(notAPicture.open(QIODevice::WriteOnly));
        notAPicture.write("just text");
        notAPicture.close();
        for (const char *name : {"missing.gif", "notes.bmp"}) {
            testing::Store(QStringLiteral("ImageName"), QString::fromLatin1(name));
            frmMain form;
            Apply(form);
            QVERIFY(!form.imgPhoto.hasPicture());
            QCOMPARE(form.lblText.text(), QStringLiteral("Holidays"));
            QCOMPARE(form.tmrScroll.interval(), 17);
        }
        QCOMPARE(m_messages, (QStringList{"Error Number: 53\r\nFile not found",
                                          "Error Number: 481\r\nInvalid picture"}));
    }

    void previewShowsTheDefaultPicture()
    {
        modGeneral::State.RunMode = modGeneral::RunModePreview;
        testing::Store(QStringLiteral("ImageUsed"), QStringLiteral("1"));
        testing::Store(QStringLiteral("ImageName"), QStringLiteral("whatever.jpg"));
        testing::Store(QStringLiteral("ImageSize"), QStringLiteral("4"));
        frmMain form;
        Apply(form);
        QCOMPARE(modGeneral::State.SaverLayout.PictureHalfHeight, 375);
        QCOMPARE(modGeneral::State.SaverLayout.PictureHalfWidth, 750);
        // The start tick has already shrunk it to half.
        QCOMPARE(form.imgPhoto.size(), QSizeF(750, 375));
        QVERIFY(m_messages.isEmpty());
    }
};

LUMIDEX_REGISTER_TEST(TstApplySettings)
#include "tst_applysettings.moc"
