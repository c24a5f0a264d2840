#include "TestSupport.h"

#include "assets/BuiltInPictures.h"

#include <QImageReader>
#include <QSet>
#include <QTest>
#include <climits>


using namespace assets;

namespace {

// Drawn pictures have many colours; a blank or failed drawing has one or two.
int DistinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return colours.size();
}

} // namespace

class BuiltInPicturesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures_data();
    void pictures();
    void outsideTheList();
    void checkMarkIsBlueOnTransparent();
};

void BuiltInPicturesTest::pictures_data()
{
    QTest::addColumn<int>("index"); // 0: a resource no index names
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    const struct
    {
        int index;
        const char *tag, *file;
        QSize size;
        const char *format;
    } pictures[] = {
        {1, "Logo", "logo.gif", {150, 75}, "gif"},
        {2, "Birthday Cake", "birthday_cake.gif", {150, 75}, "gif"},
        {3, "Candles", "candles.gif", {150, 75}, "gif"},
        {4, "Hammock", "hammock.jpg", {150, 99}, "jpeg"},
        {5, "Mountains", "mountains.jpg", {150, 101}, "jpeg"},
        {6, "Cruise Ship", "cruise_ship.jpg", {150, 99}, "jpeg"},
        {7, "Sunset", "sunset.jpg", {150, 99}, "jpeg"},
        {8, "Wreath", "wreath.gif", {150, 75}, "gif"},
        {9, "Wedding Cake", "wedding_cake.gif", {156, 186}, "gif"},
        {0, "default picture", "default.bmp", {100, 50}, "bmp"},
        {0, "check mark", "check.png", {32, 32}, "png"},
    };
    for (const auto &p : pictures)
        QTest::newRow(p.tag) << p.index << QString(p.tag) << QString(p.file) << p.size
                             << QByteArray(p.format);
}

void BuiltInPicturesTest::pictures()
{
    QFETCH(int, index);
    QFETCH(QString, tag);
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    // The resource holds the stated format, decided by content, and is really drawn.
    QImageReader reader(":/pictures/" + file);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage stored = reader.read();
    QCOMPARE(stored.size(), size);
    QVERIFY2(DistinctColours(stored) >= 8, "the picture looks blank");
    if (index > 0) {
        QCOMPARE(BuiltInPictureTag(index), tag);
        QCOMPARE(BuiltInPicture(index), stored);
    }
    if (index == BuiltInPictureCount)
        QVERIFY(size.height() > size.width()); // the wedding cake stands upright
}

void BuiltInPicturesTest::outsideTheList()
{
    for (const int index : {0, BuiltInPictureCount + 1, -1, INT_MIN, INT_MAX}) {
        QVERIFY2(BuiltInPictureTag(index).isEmpty(), qPrintable(QString::number(index)));
        QVERIFY2(BuiltInPicture(index).isNull(), qPrintable(QString::number(index)));
    }
}

void BuiltInPicturesTest::checkMarkIsBlueOnTransparent()
{
    const QImage mark(":/pictures/check.png");
    QVERIFY(mark.hasAlphaChannel());
    QCOMPARE(qAlpha(mark.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(mark.pixel(31, 31)), 0);
    const QColor stroke = mark.pixelColor(13, 22); // the corner of the tick
    QCOMPARE(stroke.alpha(), 255);
    QVERIFY(stroke.blue() > 150 && stroke.red() < 60);
}

LUMIDEX_REGISTER_TEST(BuiltInPicturesTest)
#include "tst_builtinpictures.moc"
