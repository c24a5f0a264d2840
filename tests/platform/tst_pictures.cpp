#include "TestSupport.h"

#include "platform/Pictures.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <optional>

#include <sys/resource.h>

using namespace platform;

namespace {

constexpr QRgb Red = 0xffd02020;
constexpr QRgb Blue = 0xff2040c0;

// A picture with a red left half and a blue right half, so a decode can be checked.
QImage TwoColours(QSize size = QSize(40, 30))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Blue);
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height(), QColor(Red));
    return image;
}

QByteArray Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void Append16(QByteArray &bytes, int value)
{
    const auto word = qToLittleEndian(quint16(value));
    bytes.append(reinterpret_cast<const char *>(&word), 2);
}

void Append32(QByteArray &bytes, quint32 value)
{
    const auto word = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&word), 4);
}

// Qt writes no GIF, so the test writes one: one frame per colour, each frame's pixels as
// 8-bit LZW codes with a clear code often enough that the code width never grows.
QByteArray Gif(QSize size, const QList<QRgb> &frames)
{
    QByteArray gif("GIF89a");
    Append16(gif, size.width());
    Append16(gif, size.height());
    gif.append("\xF6\0\0", 3); // global table of 128 colours
    QByteArray table(128 * 3, '\0');
    for (int i = 0; i < frames.size(); ++i) {
        table[i * 3] = char(qRed(frames[i]));
        table[i * 3 + 1] = char(qGreen(frames[i]));
        table[i * 3 + 2] = char(qBlue(frames[i]));
    }
    gif.append(table);
    for (int frame = 0; frame < frames.size(); ++frame) {
        gif.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8); // 0.1 s per frame
        gif.append(',');
        Append16(gif, 0);
        Append16(gif, 0);
        Append16(gif, size.width());
        Append16(gif, size.height());
        gif.append('\0');
        QByteArray codes;
        for (int pixel = 0; pixel < size.width() * size.height(); ++pixel) {
            if (pixel % 100 == 0)
                codes.append(char(0x80)); // clear
            codes.append(char(frame));
        }
        codes.append(char(0x81)); // end of information
        gif.append('\x07');
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            gif.append(char(block.size()));
            gif.append(block);
        }
        gif.append('\0');
    }
    gif.append(';');
    return gif;
}

// One metafile record: its size in words, its function, its parameters.
QByteArray Record(quint16 function, std::initializer_list<int> parameters)
{
    QByteArray record;
    Append32(record, quint32(3 + parameters.size()));
    Append16(record, function);
    for (const int parameter : parameters)
        Append16(record, parameter);
    return record;
}

// A placeable metafile whose box is box, in unitsPerInch, holding these records.
QByteArray Metafile(QRect box, int unitsPerInch, const QList<QByteArray> &records)
{
    QByteArray wmf;
    Append32(wmf, 0x9AC6CDD7);
    Append16(wmf, 0);
    for (const int value : {box.left(), box.top(), box.right() + 1, box.bottom() + 1})
        Append16(wmf, value);
    Append16(wmf, unitsPerInch);
    Append32(wmf, 0);
    quint16 sum = 0;
    for (int at = 0; at < 20; at += 2)
        sum ^= qFromLittleEndian<quint16>(wmf.constData() + at);
    Append16(wmf, sum);

    const QByteArray body = records.join() + Record(0x0000, {}); // end of file
    qsizetype largest = 3;
    for (const QByteArray &record : records)
        largest = qMax(largest, record.size() / 2);
    Append16(wmf, 1);
    Append16(wmf, 9);
    Append16(wmf, 0x0300);
    Append32(wmf, quint32(9 + body.size() / 2));
    Append16(wmf, 1); // objects
    Append32(wmf, quint32(largest));
    Append16(wmf, 0);
    return wmf + body;
}

// A metafile that paints one rectangle with a solid brush.
QByteArray Wmf(QRect box, int unitsPerInch, QRect rectangle, QRgb colour,
               std::optional<QPoint> windowOrigin = {})
{
    QList<QByteArray> records;
    if (windowOrigin)
        records << Record(0x020B, {windowOrigin->y(), windowOrigin->x()}); // SetWindowOrg
    const int bgr = qRgb(qBlue(colour), qGreen(colour), qRed(colour)) & 0xFFFFFF;
    records << Record(0x02FC, {0, bgr & 0xFFFF, bgr >> 16, 0}) // CreateBrushIndirect, solid
            << Record(0x012D, {0})                             // SelectObject
            << Record(0x041B, {rectangle.bottom() + 1, rectangle.right() + 1, rectangle.top(),
                               rectangle.left()}); // Rectangle
    return Metafile(box, unitsPerInch, records);
}

// The bytes with a 16- or 32-bit number written over them, as a hostile header would.
template <typename Number>
QByteArray Patched(QByteArray bytes, qsizetype at, Number value, bool big)
{
    if (big)
        qToBigEndian(value, bytes.data() + at);
    else
        qToLittleEndian(value, bytes.data() + at);
    return bytes;
}

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 &&
           qAbs(qBlue(a) - qBlue(b)) < 24;
}

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(Write(folder.filePath("plain.bmp"), "a file, not a folder")); }

    void paths_data();
    void paths();

    void loads_data();
    void loads();
    void metafileAtItsNaturalSize_data();
    void metafileAtItsNaturalSize();

    void refuses_data();
    void refuses();
    void refusesAMetafileThatTakesTooLong();

private:
    QTemporaryDir folder;
};

void PicturesTest::paths_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("path"); // of "a b.jpg" in that folder
    const char *const cases[][3] = {
        {"c:\\", "/", "/a b.jpg"},
        {"c:\\Pictures\\", "/Pictures/", "/Pictures/a b.jpg"},
        {"C:\\My Pictures", "/My Pictures", "/My Pictures/a b.jpg"},
        {"d:\\a\\b c\\", "/a/b c/", "/a/b c/a b.jpg"},
        {"Z:/pics", "/pics", "/pics/a b.jpg"},
        {"c:", "/", "/a b.jpg"},
        {"", "/", "/a b.jpg"},
        {"/", "/", "/a b.jpg"},
        {"/home/me/Pictures", "/home/me/Pictures", "/home/me/Pictures/a b.jpg"},
        {"/home/me/odd\\name", "/home/me/odd\\name", "/home/me/odd\\name/a b.jpg"},
        {"cd:\\x", "cd:\\x", "cd:\\x/a b.jpg"},
        {"1:\\x", "1:\\x", "1:\\x/a b.jpg"},
        {"c:x", "c:x", "c:x/a b.jpg"},
    };
    for (const auto &[stored, folder, path] : cases)
        QTest::newRow(stored) << QString(stored) << QString(folder) << QString(path);
}

void PicturesTest::paths()
{
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    QFETCH(QString, path);
    QCOMPARE(LinuxFolder(stored), folder);
    QCOMPARE(PicturePath(stored, "a b.jpg"), path);
}

void PicturesTest::loads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRgb>("right");
    const QImage picture = TwoColours();
    const QByteArray jpeg = Encoded(picture, "JPEG");
    const QByteArray bmp = Encoded(picture, "BMP");
    const QByteArray gif = Gif(picture.size(), {Red, Blue});
    const QByteArray wmf = Wmf(QRect(0, 0, 600, 450), 1440, QRect(0, 0, 300, 450), Red);
    // The left half of each is red. The GIF's first frame is red all over, its second
    // blue; the metafile paints only the left half on white.
    const QRgb white = qRgb(255, 255, 255);
    QTest::newRow("jpeg") << "photo.jpg" << jpeg << Blue;
    QTest::newRow("bmp") << "drawing.bmp" << bmp << Blue;
    QTest::newRow("gif, first frame") << "moving.gif" << gif << Red;
    QTest::newRow("wmf") << "clip.wmf" << wmf << white;
    QTest::newRow("upper-case extension") << "PHOTO.JPG" << jpeg << Blue;
    QTest::newRow("jpeg named .bmp") << "photo.bmp" << jpeg << Blue;
    QTest::newRow("gif named .jpg") << "moving.jpg" << gif << Red;
    QTest::newRow("no extension") << "picture" << bmp << Blue;
    QTest::newRow("blanks and quotes") << "my 'best' \"one\" .jpg" << jpeg << Blue;
    QTest::newRow("non-ASCII") << QString::fromUtf8("Grüße aus Köln – 夕日.gif") << gif << Red;
}

void PicturesTest::loads()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QRgb, right);
    const QString path = folder.filePath(name);
    QVERIFY(Write(path, bytes));

    const Converted<QImage> loaded = LoadPicture(path);
    QVERIFY2(loaded.ok(), qPrintable(loaded.failure.description));
    const QImage &image = *loaded.value;
    QCOMPARE(image.size(), QSize(40, 30));
    QVERIFY(Near(image.pixel(5, 15), Red));
    QVERIFY(Near(image.pixel(35, 15), right));
}

void PicturesTest::metafileAtItsNaturalSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    // 1440 units an inch: 2 x 1 inches is 192 x 96 pixels; the rectangle fills the
    // middle of the left half.
    QTest::newRow("twips") << Wmf(QRect(0, 0, 2880, 1440), 1440, QRect(300, 300, 1140, 840),
                                  qRgb(30, 160, 60))
                           << QSize(192, 96) << QPoint(48, 48) << QPoint(150, 48);
    QTest::newRow("box off the origin, 100 units an inch")
        << Wmf(QRect(-500, 1000, 300, 150), 100, QRect(-500, 1000, 150, 150), qRgb(30, 160, 60))
        << QSize(288, 144) << QPoint(20, 70) << QPoint(250, 70);
    QTest::newRow("window origin at the box")
        << Wmf(QRect(1000, 2000, 1440, 960), 1440, QRect(1000, 2000, 720, 960), qRgb(30, 160, 60),
               QPoint(1000, 2000))
        << QSize(96, 64) << QPoint(10, 60) << QPoint(90, 10);
}

void PicturesTest::metafileAtItsNaturalSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    const QString path = folder.filePath("natural.wmf");
    QVERIFY(Write(path, bytes));

    const Converted<QImage> loaded = LoadPicture(path);
    QVERIFY(loaded.ok());
    QCOMPARE(loaded.value->size(), size);
    QCOMPARE(loaded.value->pixel(inside), qRgb(30, 160, 60));
    QCOMPARE(loaded.value->pixel(outside), qRgb(255, 255, 255));
}

void PicturesTest::refuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::optional<QByteArray>>("bytes"); // nothing: no file is written
    QTest::addColumn<int>("failure");
    const QImage picture = TwoColours(QSize(64, 48));
    const QByteArray jpeg = Encoded(picture, "JPEG");
    const QByteArray bmp = Encoded(picture, "BMP");
    const QByteArray gif = Gif(picture.size(), {Red});
    const QByteArray wmf = Wmf(QRect(0, 0, 600, 450), 1440, QRect(0, 0, 300, 450), Red);
    const std::optional<QByteArray> none;
    const auto row = [](const char *tag, const QString &name, std::optional<QByteArray> bytes,
                        int failure) { QTest::newRow(tag) << name << bytes << failure; };

    row("missing folder", "nowhere/a.jpg", none, PathNotFound);
    row("folder is a file", "plain.bmp/a.jpg", none, PathNotFound);
    row("missing file", "none.jpg", none, FileNotFound);
    row("a folder", ".", none, FileNotFound);
    row("zero bytes", "empty.jpg", QByteArray(), InvalidPicture);
    row("text", "notes.bmp", QByteArray("Not a picture.\n"), InvalidPicture);
    row("png", "image.png", Encoded(picture, "PNG"), InvalidPicture);
    // Cut inside the compressed pixels: a cut inside the tables is easy to notice.
    const qsizetype scan = jpeg.lastIndexOf("\xFF\xDA");
    row("truncated jpeg", "cut.jpg", jpeg.left((scan + jpeg.size()) / 2), InvalidPicture);
    row("truncated bmp", "cut.bmp", bmp.left(bmp.size() / 2), InvalidPicture);
    row("truncated gif", "cut.gif", gif.left(gif.size() / 2), InvalidPicture);
    row("truncated wmf", "cut.wmf", wmf.left(wmf.size() - 10), InvalidPicture);

    // Headers that claim 30000 x 30000 pixels, 3.6 GB as 32-bit colour.
    const quint32 huge = 30000;
    row("bmp of 30000 x 30000", "huge.bmp", Patched(Patched(bmp, 18, huge, false), 22, huge, false),
        InvalidPicture);
    const qsizetype frame = jpeg.indexOf("\xFF\xC0") + 5; // height, then width
    row("jpeg of 30000 x 30000", "huge.jpg",
        Patched(Patched(jpeg, frame, quint16(huge), true), frame + 2, quint16(huge), true),
        InvalidPicture);
    QByteArray gifHuge = gif;
    for (const qsizetype at : {6, 8, 410, 412}) // screen, then first image
        gifHuge = Patched(gifHuge, at, quint16(huge), false);
    row("gif of 30000 x 30000", "huge.gif", gifHuge, InvalidPicture);
    row("wmf of 32767 inches", "huge.wmf",
        Wmf(QRect(0, 0, 32767, 32767), 1, QRect(0, 0, 10, 10), Red), InvalidPicture);
    row("wmf with no units an inch", "zero.wmf",
        Wmf(QRect(0, 0, 600, 450), 0, QRect(0, 0, 300, 450), Red), InvalidPicture);
    row("wmf claiming a 4 GB record", "liar.wmf", Patched(wmf, 22 + 12, 0x7FFFFFFFu, false),
        InvalidPicture);
    row("wmf record of absurd size", "record.wmf", Patched(wmf, 22 + 18, 0xFFFFFFFFu, false),
        InvalidPicture);
}

void PicturesTest::refuses()
{
    QFETCH(QString, name);
    QFETCH(std::optional<QByteArray>, bytes);
    QFETCH(int, failure);
    const QString path = folder.filePath(name);
    if (bytes)
        QVERIFY(Write(path, *bytes));

    const long peakBefore = PeakKilobytes();
    QElapsedTimer timer;
    timer.start();
    const Converted<QImage> loaded = LoadPicture(path);
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY2(PeakKilobytes() - peakBefore < 64 * 1024, "the refusal decoded a large picture");
    QVERIFY(!loaded.ok());
    QCOMPARE(loaded.failure.number, failure);
}

void PicturesTest::refusesAMetafileThatTakesTooLong()
{
    // Each of these blits keeps libwmf busy for about two seconds.
    const QByteArray slowBlit = Record(0x0940, {1915, 925, 836, 1868, 1643, 1005, 543, 5412});
    const QString path = folder.filePath("slow.wmf");
    QVERIFY(Write(path, Metafile(QRect(0, 0, 1932, 1795), 1311, QList<QByteArray>(100, slowBlit))));

    QElapsedTimer timer;
    timer.start();
    const Converted<QImage> loaded = LoadPicture(path);
    QVERIFY(timer.elapsed() < 8000);
    QVERIFY(!loaded.ok());
    QCOMPARE(loaded.failure.number, int(InvalidPicture));
}

LUMIDEX_REGISTER_TEST(PicturesTest)
#include "tst_pictures.moc"
