#include "TestSupport.h"

#include "dialogs/browse/BuiltInPictures.h"

#include <QImageReader>
#include <QSet>
#include <QTest>
#include <climits>

using namespace browse;

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
    void outsideTheList_data();
    void outsideTheList();
    void resourceFiles_data();
    void resourceFiles();
    void checkMarkIsBlueOnTransparent();
};

void BuiltInPicturesTest::pictures_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("1") << 1 << "Logo" << "logo.gif" << QSize(150, 75) << QByteArray("gif");
    QTest::newRow("2") << 2 << "Birthday Cake" << "birthday_cake.gif" << QSize(150, 75)
                       << QByteArray("gif");
    QTest::newRow("3") << 3 << "Candles" << "candles.gif" << QSize(150, 75) << QByteArray("gif");
    QTest::newRow("4") << 4 << "Hammock" << "hammock.jpg" << QSize(150, 99) << QByteArray("jpeg");
    QTest::newRow("5") << 5 << "Mountains" << "mountains.jpg" << QSize(150, 101)
                       << QByteArray("jpeg");
    QTest::newRow("6") << 6 << "Cruise Ship" << "cruise_ship.jpg" << QSize(150, 99)
                       << QByteArray("jpeg");
    QTest::newRow("7") << 7 << "Sunset" << "sunset.jpg" << QSize(150, 99) << QByteArray("jpeg");
    QTest::newRow("8") << 8 << "Wreath" << "wreath.gif" << QSize(150, 75) << QByteArray("gif");
    QTest::newRow("9") << 9 << "Wedding Cake" << "wedding_cake.gif" << QSize(156, 186)
                       << QByteArray("gif");
}

void BuiltInPicturesTest::pictures()
{
    QFETCH(int, index);
    QFETCH(QString, tag);
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    QCOMPARE(BuiltInPictureTag(index), tag);
    const QImage picture = BuiltInPicture(index);
    QCOMPARE(picture.size(), size);
    QVERIFY2(DistinctColours(picture) >= 8, "the picture looks blank");

    // The stored file itself is in the stated format, decided by its content.
    QImageReader reader(":/pictures/" + file);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.read(), picture);
}

void BuiltInPicturesTest::outsideTheList_data()
{
    QTest::addColumn<int>("index");
    for (const int index : {0, BuiltInPictureCount + 1, -1, INT_MIN, INT_MAX})
        QTest::addRow("%d", index) << index;
}

void BuiltInPicturesTest::outsideTheList()
{
    QFETCH(int, index);
    QVERIFY(BuiltInPictureTag(index).isEmpty());
    QVERIFY(BuiltInPicture(index).isNull());
}

void BuiltInPicturesTest::resourceFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("default picture") << ":/pictures/default.bmp" << QSize(100, 50)
                                     << QByteArray("bmp");
    QTest::newRow("check mark") << ":/pictures/check.png" << QSize(32, 32) << QByteArray("png");
}

void BuiltInPicturesTest::resourceFiles()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QCOMPARE(image.size(), size);
    QVERIFY2(DistinctColours(image) >= 4, "the picture looks blank");
}

void BuiltInPicturesTest::checkMarkIsBlueOnTransparent()
{
    const QImage mark(":/pictures/check.png");
    QVERIFY(mark.hasAlphaChannel());
    QCOMPARE(qAlpha(mark.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(mark.pixel(31, 31)), 0);
    // The stroke passes through the corner of the tick.
    const QColor stroke = mark.pixelColor(13, 22);
    QCOMPARE(stroke.alpha(), 255);
    QVERIFY(stroke.blue() > 150 && stroke.red() < 60);
}

LUMIDEX_REGISTER_TEST(BuiltInPicturesTest)
#include "tst_builtinpictures.moc"
