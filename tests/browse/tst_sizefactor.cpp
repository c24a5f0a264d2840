#include "TestSupport.h"

#include "dialogs/browse/SizeFactor.h"

#include <QTest>

using namespace browse;

class SizeFactorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stepsSkipOneAndMinusOne_data();
    void stepsSkipOneAndMinusOne();
    void stepBackEndsAtSmallestFactor();
    void screenFit_data();
    void screenFit();
    void roundingAndRange();
    void previewFit_data();
    void previewFit();
};

void SizeFactorTest::stepsSkipOneAndMinusOne_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("click"); // +1 right arrow, -1 left arrow, 0 the same value set again
    QTest::addColumn<int>("after");
    const auto row = [](int before, int click, int after) {
        QTest::addRow("%d%+d", before, click) << before << click << after;
    };
    row(0, +1, 2);
    row(0, -1, -2);
    row(2, -1, 0);
    row(-2, +1, 0);
    for (int n = 2; n <= 9; ++n)
        row(n, +1, n + 1);
    for (int n = 3; n <= 10; ++n)
        row(n, -1, n - 1);
    for (int n = -9; n <= -2; ++n)
        row(n, -1, n - 1);
    for (int n = -10; n <= -3; ++n)
        row(n, +1, n + 1);
    // 1 and -1 come only from the store.
    row(1, +1, 2);
    row(1, -1, 0);
    row(-1, -1, -2);
    row(-1, +1, 0);
    row(1, 0, 1);
    row(-1, 0, -1);
    row(5, 0, 5);
}

void SizeFactorTest::stepsSkipOneAndMinusOne()
{
    QFETCH(int, before);
    QFETCH(int, click);
    QFETCH(int, after);
    QCOMPARE(SteppedFactor(before + click, qint16(before)), after);
}

void SizeFactorTest::stepBackEndsAtSmallestFactor()
{
    QCOMPARE(SteppedBack(6), std::optional<qint16>(5));
    QCOMPARE(SteppedBack(2), std::optional<qint16>(0)); // never 1
    QCOMPARE(SteppedBack(-2), std::optional<qint16>(-3));
    QCOMPARE(SteppedBack(-9), std::optional<qint16>(-10));
    QCOMPARE(SteppedBack(-10), std::nullopt);
}

void SizeFactorTest::screenFit_data()
{
    QTest::addColumn<int>("widthUnits");
    QTest::addColumn<int>("heightUnits");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("fits");
    const QSize large(15360, 11520);
    QTest::newRow("x2 exactly the screen") << 640 << 480 << 2 << large << true;
    QTest::newRow("x2 one twip too high") << 640 << 480 << 2 << QSize(15360, 11519) << false;
    for (int natural : {-1, 0, 1})
        QTest::addRow("natural size at %d is never tested", natural)
            << 32767 << 32767 << natural << QSize(1, 1) << true;
    QTest::newRow("largest units at x10")
        << 32767 << 32767 << 10 << QSize(3932040, 3932040) << true;
}

void SizeFactorTest::screenFit()
{
    QFETCH(int, widthUnits);
    QFETCH(int, heightUnits);
    QFETCH(int, factor);
    QFETCH(QSize, screen);
    QFETCH(bool, fits);
    QCOMPARE(FitsOnScreen(qint16(widthUnits), qint16(heightUnits), qint16(factor), screen), fits);
}

void SizeFactorTest::roundingAndRange()
{
    // 36 / 8 = 4.5 and 60 / 8 = 7.5: halves go to the even neighbour.
    QCOMPARE(ScaledTwips(3, 5, -8), std::optional<QSize>(QSize(4, 8)));
    QCOMPARE(ToUnits(3000).value, std::optional<qint16>(250));
    QCOMPARE(ToUnits(2250).value, std::optional<qint16>(188)); // 187.5
    QCOMPARE(ToUnits(30).value, std::optional<qint16>(2));     // 2.5
    QCOMPARE(ToUnits(393204).value, std::optional<qint16>(32767));
    const auto beyond = ToUnits(393210); // 32767.5 rounds to 32768
    QVERIFY(!beyond.ok());
    QCOMPARE(beyond.failure.number, int(core::Overflow));
}

void SizeFactorTest::previewFit_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("fits") << QSize(3000, 2250) << QSize(3000, 2250) << false;
    QTest::newRow("exactly the frame") << QSize(3732, 3792) << QSize(3732, 3792) << false;
    QTest::newRow("one twip wider") << QSize(3733, 3792) << QSize(3674, 3792) << true;
    QTest::newRow("one twip higher") << QSize(3732, 3793) << QSize(3672, 3792) << true;
    QTest::newRow("wide") << QSize(6000, 4500) << QSize(3732, 2844) << true;
    QTest::newRow("square") << QSize(5000, 5000) << QSize(3732, 3792) << true;
    QTest::newRow("tall") << QSize(2250, 6000) << QSize(1400, 3792) << true; // 1399.5
}

void SizeFactorTest::previewFit()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, shown);
    QFETCH(bool, reduced);
    const PreviewFit fit = FitPreview(picture);
    QCOMPARE(fit.twips, shown);
    QCOMPARE(fit.reduced, reduced);
}

LUMIDEX_REGISTER_TEST(SizeFactorTest)
#include "tst_sizefactor.moc"
