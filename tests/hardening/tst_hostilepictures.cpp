#include "PictureBytes.h"
#include "ProcessMemory.h"
#include "TestSupport.h"
#include "setup/SetupTestSupport.h"

#include "app/Main.h"
#include "state/modGeneral.h"
#include "dialogs/browse/SizeFactor.h"
#include "dialogs/browse/frmBrowse.h"
#include "platform/Pictures.h"
#include "saver/frmMain.h"
#include "settings/SettingKeys.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using setuptest::Child;
using setuptest::Text;
using namespace testing;
namespace key = settings::key;

namespace {

const QString InvalidPictureMessage = QStringLiteral("Error Number: 481\r\nInvalid picture");

// ---- Pictures ----

// Qt writes no GIF, so this writes one: width x height claimed in both the screen and the
// picture's descriptor, with `pixels` pixels of 8-bit LZW codes behind it (a clear code
// often enough that the code width never grows).
QByteArray Gif(quint16 width, quint16 height, int pixels)
{
    QByteArray gif("GIF89a");
    Append(gif, width);
    Append(gif, height);
    gif.append("\xF6\0\0", 3); // a table of 128 colours
    QByteArray table(128 * 3, '\0');
    table[0] = char(0xFF); // colour 0 red
    gif.append(table);
    gif.append(',');
    Append(gif, 0);
    Append(gif, 0);
    Append(gif, width);
    Append(gif, height);
    gif.append("\0\x07", 2); // no table of its own, 7-bit codes
    QByteArray codes;
    for (int pixel = 0; pixel < pixels; ++pixel) {
        if (pixel % 100 == 0)
            codes.append(char(0x80)); // clear
        codes.append('\0');
    }
    codes.append(char(0x81)); // end of information
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size())).append(block);
    }
    return gif.append('\0').append(';');
}

QByteArray JpegClaiming(quint16 width, quint16 height)
{
    QByteArray jpeg = Encoded(TwoColours(), "JPEG");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0") + 5; // height, then width
    qToBigEndian(height, jpeg.data() + frame);
    qToBigEndian(width, jpeg.data() + frame + 2);
    return jpeg;
}

// A record whose size field says `words`, whatever it holds.
QByteArray RecordClaiming(quint32 words, quint16 function, std::initializer_list<int> parameters)
{
    QByteArray record = Record(function, parameters);
    qToLittleEndian(words, record.data());
    return record;
}

constexpr quint16 CreateBrushIndirect = 0x02FC;
constexpr quint16 SelectObject = 0x012D;
constexpr quint16 DeleteObject = 0x01F0;
constexpr quint16 Rectangle = 0x041B;
constexpr quint16 LineTo = 0x0213;
constexpr quint16 Polygon = 0x0324;
constexpr quint16 SetWindowExt = 0x020C;
constexpr quint16 SetMapMode = 0x0103;

// A red brush chosen and a rectangle drawn with it, between the hostile records.
QList<QByteArray> Drawing(const QList<QByteArray> &hostile)
{
    return QList<QByteArray>{Record(CreateBrushIndirect, {0, 0x00FF, 0, 0}),
                             Record(SelectObject, {0})} +
           hostile + QList<QByteArray>{Record(Rectangle, {450, 300, 0, 0})};
}

constexpr qint64 LargestGrowthKilobytes = 256 * 1024;

// A file's refusal may take this long: the metafile renderer's own limit is five seconds.
constexpr int LongestLoadMs = 8000;

QStringList Texts(const setuptest::MessageRecorder &recorder)
{
    QStringList texts;
    for (const platform::MessageBoxRequest &request : recorder.asked)
        texts << request.text;
    return texts;
}

} // namespace

// Picture files made to hurt, through every place that opens one: the loader, the image
// browser's preview (stored and clicked) and the saver's picture. Each is refused with
// its message, or shown when it is a picture after all; nothing crashes, hangs or takes
// much memory.
class TstHostilePictures : public QObject
{
    Q_OBJECT

    setuptest::MessageRecorder m_messages;
    QTemporaryDir m_folder;

    QString In(const QString &name) const { return m_folder.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QVERIFY2(testing::ResetPeak(), "the peak memory cannot be measured");
    }

    void init()
    {
        setuptest::BeginDialogTest(m_messages);
        browse::SetScreenSizeTwips(QSize(15360, 11520));
    }

    void cleanup()
    {
        startup::ResetState();
        browse::SetScreenSizeTwips(std::nullopt);
        setuptest::EndDialogTest();
    }

    void hostileFiles_data();
    void hostileFiles();
};

void TstHostilePictures::hostileFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("pixels"); // empty: refused as an invalid picture
    const QSize refused;
    const QByteArray jpeg = Encoded(TwoColours(), "JPEG");
    const QByteArray bmp = Encoded(TwoColours(), "BMP");
    const QByteArray gif = Gif(40, 30, 40 * 30);

    QTest::newRow("zero bytes") << "empty.jpg" << QByteArray() << refused;
    QTest::newRow("zero-byte metafile") << "empty.wmf" << QByteArray() << refused;
    QTest::newRow("jpeg cut in half") << "cut.jpg" << jpeg.left(jpeg.size() / 2) << refused;
    QTest::newRow("gif cut in half") << "cut.gif" << gif.left(gif.size() / 2) << refused;
    QTest::newRow("bmp cut in half") << "cut.bmp" << bmp.left(bmp.size() / 2) << refused;
    // What a file holds counts, not its name.
    QTest::newRow("gif named .jpg") << "really a gif.jpg" << gif << QSize(40, 30);
    QTest::newRow("text named .bmp") << "notes.bmp" << QByteArray("BMP notes\n") << refused;
    QTest::newRow("text starting like a bmp")
        << "bm.bmp" << QByteArray("BM, the initials of a text file\n") << refused;

    // Decompression bombs: small files whose headers claim 30000 x 30000 pixels (3.6 GB).
    QTest::newRow("bmp of 30000 x 30000")
        << "bomb.bmp" << BmpHeader(30000, 30000, false) << refused;
    QTest::newRow("run-length bmp of 30000 x 30000")
        << "rle bomb.bmp" << BmpHeader(30000, 30000, true) << refused;
    QTest::newRow("bmp of 30000 x -30000")
        << "upside.bmp" << BmpHeader(30000, -30000, true) << refused;
    QTest::newRow("gif of 30000 x 30000") << "bomb.gif" << Gif(30000, 30000, 1000) << refused;
    QTest::newRow("jpeg of 30000 x 30000") << "bomb.jpg" << JpegClaiming(30000, 30000) << refused;
    QTest::newRow("wmf of 30000 x 30000 pixels")
        << "bomb.wmf"
        << Metafile(Drawing({}),
                    MetafileHeader{.box = QRect(0, 0, 30000, 30000), .unitsPerInch = 96})
        << refused;

    // Metafiles with absurd records.
    QTest::newRow("wmf record of size 0")
        << "size0.wmf" << Metafile(Drawing({RecordClaiming(0, Rectangle, {10, 10, 0, 0})}))
        << refused;
    QTest::newRow("wmf record of size 0xFFFFFFFF")
        << "sizeffff.wmf"
        << Metafile(Drawing({RecordClaiming(0xFFFFFFFF, Rectangle, {10, 10, 0, 0})})) << refused;
    QTest::newRow("wmf record larger than the file")
        << "sizebig.wmf" << Metafile(Drawing({RecordClaiming(0x100000, Rectangle, {10, 10, 0, 0})}))
        << refused;
    QTest::newRow("wmf largest record 0xFFFFFFFF")
        << "largest.wmf" << Metafile(Drawing({}), MetafileHeader{.largestRecord = 0xFFFFFFFF})
        << refused;
    QTest::newRow("wmf polygon claiming 32767 points")
        << "polygon.wmf" << Metafile(Drawing({Record(Polygon, {32767, 0, 0, 10, 10})})) << refused;
    // A table of 65535 objects is harmless; choosing one beyond the table is not.
    QTest::newRow("wmf of 65535 objects")
        << "objects.wmf"
        << Metafile(Drawing({Record(DeleteObject, {65534})}), MetafileHeader{.objects = 65535})
        << QSize(40, 30);
    QTest::newRow("wmf choosing object 65535")
        << "beyond.wmf" << Metafile(Drawing({Record(SelectObject, {65535})})) << refused;
    QTest::newRow("wmf with huge coordinates")
        << "huge.wmf"
        << Metafile(Drawing({Record(Rectangle, {32767, 32767, -32768, -32768}),
                             Record(LineTo, {-32768, 32767}), Record(SetWindowExt, {-32768, 32767}),
                             Record(Rectangle, {32767, 32767, -32768, -32768})}))
        << QSize(40, 30);
    QTest::newRow("wmf with a window of no size")
        << "nowindow.wmf"
        << Metafile(Drawing({Record(SetMapMode, {8}), Record(SetWindowExt, {0, 0})})) << refused;
}

void TstHostilePictures::hostileFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, pixels);
    QFile file(In(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const bool refused = pixels.isEmpty();
    const QStringList said = refused ? QStringList{InvalidPictureMessage} : QStringList();

    // The loader.
    core::Converted<QImage> loaded;
    QElapsedTimer clock;
    clock.start();
    qint64 growth = PeakGrowth([&] { loaded = platform::LoadPicture(In(name)); });
    QVERIFY2(clock.elapsed() < LongestLoadMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth)));
    if (refused) {
        QVERIFY(!loaded.ok());
        QCOMPARE(loaded.failure.number, int(core::InvalidPicture));
    } else {
        QVERIFY2(loaded.ok(), qPrintable(loaded.failure.description));
        QCOMPARE(loaded.value->size(), pixels);
    }
    loaded = {};

    // The image browser opened on the stored file, then the file clicked in its list.
    testing::Store(key::ImagePath, m_folder.path());
    testing::Store(key::ImageName, name);
    modGeneral::State.DefaultTab = 1;
    std::unique_ptr<browse::frmBrowse> browser;
    growth = PeakGrowth([&] { browser = std::make_unique<browse::frmBrowse>([] {}); });
    QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth)));
    QCOMPARE(Texts(m_messages), said);
    const auto *preview = Child<QLabel>(*browser, "imgPreview");
    QCOMPARE(preview->isHidden(), refused);
    QCOMPARE(Text(*browser, "txtCurImage"), refused ? QStringLiteral("No Image") : name);
    if (!refused)
        QVERIFY(Text(*browser, "lblPreview").startsWith(QLatin1String("Preview - ")));

    auto *files = Child<QListWidget>(*browser, "flbFiles");
    const QList<QListWidgetItem *> listed = files->findItems(name, Qt::MatchExactly);
    QCOMPARE(listed.size(), 1);
    files->clearSelection();
    m_messages.asked.clear();
    growth = PeakGrowth([&] { files->setCurrentItem(listed.first()); });
    QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth)));
    QCOMPARE(Texts(m_messages), said);
    QCOMPARE(preview->isHidden(), refused);
    QTest::mouseClick(Child<QPushButton>(*browser, "cmdCancel"), Qt::LeftButton);
    QCOMPARE(browser->result(), int(QDialog::Rejected));
    browser.reset();

    // The saver with the file as its picture: reported, and the text runs without it.
    testing::Store(key::ImageUsed, QStringLiteral("1"));
    m_messages.asked.clear();
    startup::ResetState();
    saver::frmMain *form = nullptr;
    growth = PeakGrowth([&] {
        if (!startup::Main({QStringLiteral("/s")}))
            form = startup::MainForm();
        for (int tick = 0; form && tick < 6; ++tick) {
            form->tmrScroll_Timer();
            QCoreApplication::processEvents();
        }
    });
    QVERIFY(form);
    QVERIFY2(growth < LargestGrowthKilobytes, qPrintable(QString::number(growth)));
    QCOMPARE(Texts(m_messages), said);
    QCOMPARE(form->imgPhoto.hasPicture(), !refused);
    if (!refused)
        QCOMPARE(form->imgPhoto.picture().size(), pixels);
    // The default target date lies behind the fixed today: the completion phrase runs.
    QCOMPARE(form->lblTime.text(), settings::KeyNamed(key::Target).defaultText);
    QVERIFY(form->tmrScroll.isActive());
    QVERIFY(form->close());
}

LUMIDEX_REGISTER_TEST(TstHostilePictures)
#include "tst_hostilepictures.moc"
