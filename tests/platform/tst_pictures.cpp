#include "PictureBytes.h"
#include "TestSupport.h"
#include "core/Failure.h"

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
using namespace core;
using namespace testing;

namespace {

constexpr QRgb Red = testing::PictureRed;
constexpr QRgb Blue = testing::PictureBlue;
constexpr QRgb White = 0xffffffff;

// Qt writes no GIF, so the test writes one of 40 x 30: a red frame, then a blue one. Each
// frame's pixels are 8-bit LZW codes, with a clear code often enough that the width never
// grows.
QByteArray Gif()
{
    QByteArray gif("GIF89a\x28\0\x1e\0\xF6\0\0", 13); // 40 x 30, a table of 128 colours
    QByteArray table(128 * 3, '\0');
    for (int channel = 0; channel < 3; ++channel) {
        table[channel] = char(Red >> (16 - 8 * channel));
        table[3 + channel] = char(Blue >> (16 - 8 * channel));
    }
    gif.append(table);
    for (const char frame : {0, 1}) {
        // 0.1 s each; at 0, 0, 40 x 30, no table of its own, 7-bit codes.
        gif.append("\x21\xF9\x04\x00\x0A\x00\x00\x00,\0\0\0\0\x28\0\x1e\0\0\x07", 19);
        QByteArray codes;
        for (int pixel = 0; pixel < 40 * 30; ++pixel) {
            if (pixel % 100 == 0)
                codes.append(char(0x80)); // clear
            codes.append(frame);
        }
        codes.append(char(0x81)); // end of information
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            gif.append(char(block.size())).append(block);
        }
        gif.append('\0');
    }
    return gif.append(';');
}

// A metafile that paints a rectangle red, its window origin maybe moved.
QByteArray Wmf(QRect box, int unitsPerInch, QRect rectangle,
               std::optional<QPoint> windowOrigin = {})
{
    QList<QByteArray> records;
    if (windowOrigin)
        records << Record(0x020B, {windowOrigin->y(), windowOrigin->x()}); // SetWindowOrg
    const int bgr = qRgb(qBlue(Red), qGreen(Red), qRed(Red)) & 0xFFFFFF;
    records << Record(0x02FC, {0, bgr & 0xFFFF, bgr >> 16, 0}) // CreateBrushIndirect, solid
            << Record(0x012D, {0})                             // SelectObject
            << Record(0x041B, {rectangle.bottom() + 1, rectangle.right() + 1, rectangle.top(),
                               rectangle.left()}); // Rectangle
    return Metafile(records, {.box = box, .unitsPerInch = unitsPerInch});
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

    void paths_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path"); // of "a b.jpg" in that folder
        const char *const cases[][3] = {
            {"c:\\", "/", "/a b.jpg"},
            {"c:\\Pictures\\", "/Pictures/", "/Pictures/a b.jpg"},
            {"C:\\My Pictures", "/My Pictures", "/My Pictures/a b.jpg"},
            {"Z:/pics", "/pics", "/pics/a b.jpg"},
            {"c:", "/", "/a b.jpg"},
            {"", "/", "/a b.jpg"},
            {"/home/me/odd\\name", "/home/me/odd\\name", "/home/me/odd\\name/a b.jpg"},
            // Not drive letters: left as they are.
            {"cd:\\x", "cd:\\x", "cd:\\x/a b.jpg"},
            {"c:x", "c:x", "c:x/a b.jpg"},
        };
        for (const auto &[stored, folder, path] : cases)
            QTest::newRow(stored) << QString(stored) << QString(folder) << QString(path);
    }

    void paths()
    {
        QFETCH(QString, stored);
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(LinuxFolder(stored), folder);
        QCOMPARE(PicturePath(stored, "a b.jpg"), path);
    }

    void loads_data()
    {
        // Each is 40 x 30 with a red left half. The GIF's first frame is red all over, its
        // second blue; the metafiles paint only the left half, on white.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QRgb>("right");
        QTest::newRow("jpeg") << "photo.jpg" << jpeg << Blue;
        QTest::newRow("bmp, no extension") << "drawing" << bmp << Blue;
        QTest::newRow("gif, first frame") << QString::fromUtf8("Grüße – 夕日.gif") << gif << Red;
        QTest::newRow("jpeg named .gif") << "my 'best' \"one\" .gif" << jpeg << Blue;
        // At 96 pixels an inch, 600 x 450 twips and 40 x 30 units of 1/96 inch: 40 x 30.
        QTest::newRow("wmf in twips") << "clip.wmf" << wmf << White;
        QTest::newRow("wmf, box off the origin")
            << "off.wmf" << Wmf(QRect(-500, 1000, 40, 30), 96, QRect(-500, 1000, 20, 30)) << White;
        QTest::newRow("wmf, window origin at the box")
            << "origin.wmf"
            << Wmf(QRect(1000, 2000, 600, 450), 1440, QRect(1000, 2000, 300, 450),
                   QPoint(1000, 2000))
            << White;
    }

    void loads()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QRgb, right);
        const QString path = folder.filePath(name);
        QVERIFY(Write(path, bytes));

        const Converted<QImage> loaded = LoadPicture(path);
        QVERIFY2(loaded.ok(), qPrintable(loaded.failure.description));
        QCOMPARE(loaded.value->size(), QSize(40, 30));
        QVERIFY(Near(loaded.value->pixel(5, 15), Red));
        QVERIFY(Near(loaded.value->pixel(35, 15), right));
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<std::optional<QByteArray>>("bytes"); // nothing: no file is written
        QTest::addColumn<int>("failure");
        QTest::addColumn<int>("milliseconds"); // the longest the refusal may take
        const auto row = [](const char *tag, const QString &name, std::optional<QByteArray> bytes,
                            int failure = InvalidPicture, int milliseconds = 2000) {
            QTest::newRow(tag) << name << bytes << failure << milliseconds;
        };
        row("folder is a file", "plain.bmp/a.jpg", std::nullopt, PathNotFound);
        row("missing file", "none.jpg", std::nullopt, FileNotFound);
        row("a folder", ".", std::nullopt, FileNotFound);
        row("zero bytes", "empty.jpg", QByteArray());
        row("png", "image.png", Encoded(TwoColours(), "PNG"));
        // Cut inside the compressed pixels (a cut inside the tables is easy to notice), and
        // inside the GIF's first frame.
        const qsizetype scan = jpeg.lastIndexOf("\xFF\xDA");
        row("truncated jpeg", "cut.jpg", jpeg.left((scan + jpeg.size()) / 2));
        row("truncated bmp", "cut.bmp", bmp.left(bmp.size() / 2));
        row("truncated gif", "cut.gif", gif.left(gif.size() / 4));
        row("truncated wmf", "cut.wmf", wmf.left(wmf.size() - 10));
        // Headers that claim 30000 x 30000 pixels (3.6 GB as 32-bit colour), or 32767 inches.
        QByteArray huge = jpeg;
        const qsizetype frame = jpeg.indexOf("\xFF\xC0") + 5; // height, then width
        qToBigEndian(quint16(30000), huge.data() + frame);
        qToBigEndian(quint16(30000), huge.data() + frame + 2);
        row("jpeg of 30000 x 30000", "huge.jpg", huge);
        row("wmf of 32767 inches", "huge.wmf",
            Wmf(QRect(0, 0, 32767, 32767), 1, QRect(0, 0, 10, 10)));
        // Each of these blits keeps libwmf busy for about two seconds.
        const QByteArray slowBlit = Record(0x0940, {1915, 925, 836, 1868, 1643, 1005, 543, 5412});
        row("wmf that takes too long", "slow.wmf",
            Metafile(QList<QByteArray>(100, slowBlit),
                     {.box = QRect(0, 0, 1932, 1795), .unitsPerInch = 1311}),
            InvalidPicture, 8000);
    }

    void refuses()
    {
        QFETCH(QString, name);
        QFETCH(std::optional<QByteArray>, bytes);
        QFETCH(int, failure);
        QFETCH(int, milliseconds);
        const QString path = folder.filePath(name);
        if (bytes)
            QVERIFY(Write(path, *bytes));

        const long peakBefore = PeakKilobytes();
        QElapsedTimer timer;
        timer.start();
        const Converted<QImage> loaded = LoadPicture(path);
        QVERIFY(timer.elapsed() < milliseconds);
        QVERIFY2(PeakKilobytes() - peakBefore < 64 * 1024, "the refusal decoded a large picture");
        QVERIFY(!loaded.ok());
        QCOMPARE(loaded.failure.number, failure);
    }

private:
    QTemporaryDir folder;
    const QByteArray jpeg = Encoded(TwoColours(), "JPEG");
    const QByteArray bmp = Encoded(TwoColours(), "BMP");
    const QByteArray gif = Gif();
    const QByteArray wmf = Wmf(QRect(0, 0, 600, 450), 1440, QRect(0, 0, 300, 450));
};

LUMIDEX_REGISTER_TEST(PicturesTest)
#include "tst_pictures.moc"
