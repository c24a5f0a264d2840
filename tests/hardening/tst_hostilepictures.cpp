#include "PictureBytes.h"
#include "WindowTestSupport.h"
#include "bench/ProcessMemory.h"

#include "dialogs/browse/frmBrowse.h"
#include "platform/Pictures.h"
#include "saver/frmMain.h"
#include "state/modGeneral.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace testing;

const QString Invalid = QStringLiteral("Error Number: 481\r\nInvalid picture");
constexpr qint64 LargestGrowthKilobytes = 256 * 1024;
// The metafile renderer gives up after five seconds.
constexpr qint64 LongestOpeningMs = 8000;

// Each opening of a file stays within the time and memory a refusal may take.
template <typename Work> static void Bounded(const char *opening, Work work)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 growth = bench::PeakGrowth(work);
    QVERIFY2(
        clock.elapsed() < LongestOpeningMs && growth < LargestGrowthKilobytes,
        qPrintable(QString::asprintf("%s: %lld ms, %lld kB", opening, clock.elapsed(), growth)));
}

// Picture files made to hurt, through every place that opens one: the loader, the image
// browser's preview (as stored and as clicked) and the saver's picture. Each is refused as
// an invalid picture, or shown when it is a picture after all, without a crash or a hang.
class TstHostilePictures : public QObject
{
    Q_OBJECT

    MessageRecorder m_messages;
    QTemporaryDir m_folder;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_folder.isValid() && bench::ResetPeak()); }
    void cleanup() { ResetRun(); }

    void hostileFile_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // of the file the row is named after
        QTest::addColumn<QSize>("pixels");     // none: refused as an invalid picture
        QTest::addColumn<QSize>("inSaver");    // decoded reduced to the screen's size
        const auto row = [](const char *name, const QByteArray &bytes, QSize pixels = QSize(0, 0),
                            std::optional<QSize> inSaver = {}) {
            QTest::newRow(name) << bytes << pixels << inSaver.value_or(pixels);
        };
        const QByteArray gif = Gif(40, 30);

        row("empty.jpg", {});
        row("cut short.jpg", Encoded(TwoColours(), "JPEG").chopped(20));
        row("cut short.gif", gif.chopped(20));
        row("cut short.bmp", Encoded(TwoColours(), "BMP").chopped(20));
        row("text starting BM.bmp", "BM, a text file\n");
        row("a gif.jpg", gif, QSize(40, 30)); // what a file holds counts, not its name
        row("a picture, then zeros to 256 MiB + 1.jpg", Encoded(TwoColours(), "JPEG"));

        // Small files claiming 30000 x 30000 pixels (3.6 GB).
        row("30000x30000.bmp", RleBmp(30000, 30000));
        row("30000x30000.gif", Gif(30000, 30000));
        row("30000x30000.jpg", JpegClaiming(30000, 30000), QSize(0, 0), QSize(800, 800));
        row("30000x30000.wmf", Metafile({}, {.width = 30000, .height = 30000, .unitsPerInch = 96}));

        // Metafiles with absurd records, and one that only looks absurd.
        row("record of 0 words.wmf", Metafile({Record({Rectangle, 1, 1, 0, 0}, 0)}));
        row("record of 2^32-1 words.wmf", Metafile({Record({Rectangle, 1, 1, 0, 0}, 0xFFFFFFFF)}));
        row("record beyond the file.wmf", Metafile({Record({Rectangle, 1, 1, 0, 0}, 0x100000)}));
        row("largest record 2^32-1.wmf", Metafile({}, {.largestRecord = 0xFFFFFFFF}));
        const QList<QByteArray> farOut = {
            Record({DeleteObject, 65534}), Record({Rectangle, 32767, 32767, -32768, -32768}),
            Record({LineTo, -32768, 32767}), Record({SetWindowExt, -32768, 32767}),
            Record({Rectangle, 32767, 32767, -32768, -32768})};
        row("65535 objects, huge coordinates.wmf", Metafile(farOut, {.objects = 65535}),
            QSize(40, 30));

        // A FIFO would wait for a writer and a device never ends: neither is opened nor listed.
        // A link to a picture is a picture.
        row("fifo.jpg", "<fifo>");
        row("zero.jpg", "<link>/dev/zero");
        row("link to a picture.jpg", "<link>picture.gif", QSize(40, 30));
    }

    void hostileFile()
    {
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, pixels);
        QFETCH(QSize, inSaver);
        ResetRun(QDate(2004, 10, 20));
        m_messages.Install();
        const QString path = m_folder.filePath(name);
        if (bytes == "<fifo>")
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else if (bytes.startsWith("<link>"))
            QVERIFY(WriteFile(m_folder.filePath("picture.gif"), Gif(40, 30)) &&
                    QFile::link(QDir(m_folder.path()).filePath(bytes.mid(6)), path));
        else
            QVERIFY(WriteFile(path, bytes));
        if (name.contains("256 MiB")) // a hole in the file: nothing written, nothing held
            QVERIFY(QFile::resize(path, (256 << 20) + 1));
        StoreAll({"ImagePath=" + m_folder.path(), "ImageName=" + name, "ImageUsed=1"});

        core::Converted<QImage> loaded;
        Bounded("loader", [&] { loaded = platform::LoadPicture(path); });
        QCOMPARE(loaded.failure.number, pixels.isEmpty() ? int(core::InvalidPicture) : 0);
        QCOMPARE(loaded.valueOr(QImage()).size(), pixels);

        // The browser opened on "File Images" shows the stored file; then it is clicked if listed.
        modGeneral::State.DefaultTab = 1;
        std::unique_ptr<browse::frmBrowse> browser;
        Bounded("browser", [&] { browser = std::make_unique<browse::frmBrowse>([] {}); });
        auto *files = Child<QListWidget>(*browser, "flbFiles");
        const QList<QListWidgetItem *> listed = files->findItems(name, Qt::MatchExactly);
        QCOMPARE(listed.size(), int(!bytes.startsWith('<') || !pixels.isEmpty())); // FIFO, device
        files->clearSelection();
        if (!listed.isEmpty())
            Bounded("click", [&] { files->setCurrentItem(listed.first()); });
        QCOMPARE(Child<QLabel>(*browser, "imgPreview")->isHidden(), pixels.isEmpty());

        // The saver reports the file and runs its text without it; the offscreen screen is
        // 800 x 800.
        saver::frmMain *form = nullptr;
        Bounded("saver", [&] {
            if (!startup::Main({QStringLiteral("/s")}) && (form = startup::MainForm()))
                form->tmrScroll_Timer();
        });
        QVERIFY(form);
        QCOMPARE(form->imgPhoto.picture().size(), inSaver);
        QTRY_COMPARE(
            m_messages.Texts(),
            QStringList(pixels.isEmpty() * (1 + listed.size()) + inSaver.isEmpty(), Invalid));
        QVERIFY(form->close());
    }

    // A picture wider than X11 draws, on a screen wider still: the picture and its pixmap,
    // at twice the density too, shrink to 32767 pixels.
    void widerThanX11Draws()
    {
        QVERIFY(WriteFile(m_folder.filePath("wide.gif"), Gif(40000, 600)));
        StoreAll({"ImagePath=" + m_folder.path(), "ImageName=wide.gif", "ImageUsed=1"});
        m_messages.Install();
        modGeneral::State.RunMode = modGeneral::RunModeFullScreen;
        saver::frmMain form;
        form.ScreenWidth = 50000 * 15;
        form.ScreenHeight = 1000 * 15;
        form.Form_Load();
        QCOMPARE(form.imgPhoto.picture().size(), QSize(32767, 491));
        form.imgPhoto.setDevicePixelRatio(2);
        QCOMPARE(form.imgPhoto.pixmap().size(), QSize(32767, 491));
        QVERIFY(form.close());
    }
};

LUMIDEX_REGISTER_TEST(TstHostilePictures)
#include "tst_hostilepictures.moc"
