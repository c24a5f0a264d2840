#include "TestSupport.h"

#include "saver/ScrollMotion.h"
#include "settings/MotionCodes.h"

#include <QTest>
#include <deque>

using namespace saver;
using namespace settings;

namespace {

// A screen of 1024 x 768 pixels in twips, a block of 3000 x 1200 twips.
constexpr qint32 Width = 15360;
constexpr qint32 Height = 11520;

struct Run
{
    SaverLayoutState layout;
    ElementSizes sizes{600, 600, QSizeF(2250, 1125)};
    std::deque<float> randoms;
    bool saverMode = true;
    qint32 screenWidth = Width;

    Run(qint32 direction, qint32 position = 0)
    {
        layout.Direction = direction;
        layout.Position = position;
        layout.BlockWidth = 3000;
        layout.BlockHeight = 1200;
        layout.LineGap = 600;
        layout.PictureCenterX = Width / 2;
    }

    ElementPlaces tick()
    {
        const MotionContext context{saverMode, screenWidth, Height, [this] {
                                        const float r = randoms.empty() ? 0.5f : randoms.front();
                                        if (!randoms.empty())
                                            randoms.pop_front();
                                        return r;
                                    }};
        return ScrollTick(layout, sizes, context);
    }
};

} // namespace

class TstMotion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forwardReentersAfterLeavingTheLeftEdge()
    {
        Run run(Forward);
        run.layout.BlockLeft = Width;
        for (int tick = 1; tick < 368; ++tick)
            run.tick();
        QCOMPARE(run.layout.BlockLeft, -2990); // still partly on the screen
        run.tick();
        QCOMPARE(run.layout.BlockLeft, Width); // -3040 < -3000: back at the right edge
        QCOMPARE(run.layout.BlockTop, 5160);   // 5760 - 600: centred
    }

    void backwardReentersOnceBeyondTheRightEdge()
    {
        Run run(Backward);
        run.layout.BlockLeft = Width - 50;
        run.tick();
        QCOMPARE(run.layout.BlockLeft, Width); // at the edge, not beyond it
        run.tick();
        QCOMPARE(run.layout.BlockLeft, -3000);
    }

    void verticalTravel()
    {
        Run down(Downward);
        down.layout.BlockTop = Height;
        int ticksOffScreen = 0;
        while (down.layout.BlockTop > 0) {
            down.tick();
            ++ticksOffScreen;
        }
        // It leaves at the bottom, and comes back at -BlockHeight only once its top has
        // passed the screen's height plus its own height.
        QCOMPARE(down.layout.BlockTop, -1200);
        QCOMPARE(ticksOffScreen, 1200 / 50 + 1);

        Run up(Upward);
        up.layout.BlockTop = -1150;
        up.tick();
        QCOMPARE(up.layout.BlockTop, -1200);
        up.tick();
        QCOMPARE(up.layout.BlockTop, Height);
        QCOMPARE(up.layout.BlockLeft, 0); // vertical travel never moves sideways
    }

    // Each re-entry takes a fresh random height; one that would reach below the screen
    // is lifted until the block's bottom touches the bottom edge.
    void randomHeightsKeepTheBlockOnTheScreen()
    {
        Run run(Forward, 1);
        run.layout.BlockLeft = -2990;
        run.randoms = {0.25f, 0.99f};
        run.tick();
        QCOMPARE(run.layout.BlockTop, 2880);
        run.layout.BlockLeft = -2990;
        run.tick();
        QCOMPARE(run.layout.BlockTop, Height - 1200); // 11405 lifted to 10320
        // Without a re-entry the height stays.
        run.tick();
        QCOMPARE(run.layout.BlockTop, Height - 1200);
    }

    void pictureFollowsTheBlock()
    {
        Run run(Forward);
        run.layout.BlockLeft = 5000;
        run.layout.BlockTop = 1000; // upper half: picture 50 twips below the block
        run.tick();
        QCOMPARE(run.layout.PictureTop, 1000 + 1200 + 50);
        run.layout.BlockTop = 9000; // lower half: picture right above it
        run.tick();
        QCOMPARE(run.layout.PictureTop, 9000 - 1125);
        const ElementPlaces places = run.tick();
        QCOMPARE(places.photo, QPointF(Width / 2 - 1125, 9000 - 1125)); // centred
    }

    // What a tick computes shows on the next one.
    void elementsStandWhereThePreviousTickLeftThem()
    {
        Run run(Forward);
        run.layout.BlockLeft = 7000;
        run.layout.BlockTop = 2000;
        const ElementPlaces first = run.tick();
        QCOMPARE(first.title, QPointF(7000, 2000));
        QCOMPARE(first.time, QPointF(7000, 2600));
        QCOMPARE(run.tick().title, QPointF(6950, 2000));
    }

    void unknownDirectionStandsStill()
    {
        Run run(7);
        run.layout.BlockLeft = 4000;
        run.layout.BlockTop = 3000;
        for (int tick = 0; tick < 3; ++tick)
            QCOMPARE(run.tick().title, QPointF(4000, 3000));
    }

    // 3840 pixels are 57600 twips: far beyond 16 bits.
    void wideScreens()
    {
        Run run(Forward);
        run.screenWidth = 57600;
        run.layout.BlockLeft = 57600;
        for (int tick = 0; tick < (57600 + 3000) / 50 + 1; ++tick)
            run.tick();
        QCOMPARE(run.layout.BlockLeft, 57600);
    }

    void previewTravel_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("beforeReentry");
        QTest::addColumn<int>("afterReentry");
        // Forward: -1500 is not below -BlockWidth / 2; -1550 is.
        QTest::newRow("forward") << int(Forward) << -1450 << -1500 << 1824;
        QTest::newRow("backward") << int(Backward) << 1774 << 1824 << -1500;
        QTest::newRow("downward") << int(Downward) << 1774 << 1824 << -200;
        QTest::newRow("upward") << int(Upward) << -150 << -200 << 1824;
    }

    void previewTravel()
    {
        QFETCH(int, direction);
        QFETCH(int, start);
        QFETCH(int, beforeReentry);
        QFETCH(int, afterReentry);
        Run run(direction);
        run.saverMode = false;
        run.layout.PreviewSpan = 1824;
        const bool horizontal = direction == Forward || direction == Backward;
        qint32 &moving = horizontal ? run.layout.BlockLeft : run.layout.BlockTop;
        moving = start;
        run.tick();
        QCOMPARE(moving, beforeReentry);
        run.tick();
        QCOMPARE(moving, afterReentry);
    }

    void previewPictureRidesAboveAtHalfSize()
    {
        Run run(Upward);
        run.saverMode = false;
        run.layout.PreviewSpan = 1344;
        run.layout.BlockTop = 1000;
        run.layout.PictureHalfHeight = 375;
        run.layout.PictureHalfWidth = 750;
        run.tick();
        QCOMPARE(run.sizes.photo, QSizeF(750, 375));
        QCOMPARE(run.layout.PictureCenterX, 375 + 750);
        QCOMPARE(run.layout.PictureTop, 950 - 375);
        // No bottom rule in the preview: the block may go anywhere.
        run.layout.BlockTop = 1344;
        run.tick();
        QCOMPARE(run.layout.BlockTop, 1294);
    }

    void startPositions_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("centredText");
        // Halves go to the even neighbour: 5159.5 -> 5160, 6179.5 -> 6180.
        QTest::newRow("forward") << int(Forward) << 15360 << 5160 << false;
        QTest::newRow("backward") << int(Backward) << -3001 << 5160 << false;
        QTest::newRow("downward") << int(Downward) << 6180 << -1201 << true;
        QTest::newRow("upward") << int(Upward) << 6180 << 11520 << true;
        QTest::newRow("unknown") << 9 << 111 << 222 << false;
    }

    void startPositions()
    {
        QFETCH(int, direction);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(bool, centredText);
        SaverLayoutState layout;
        layout.Direction = direction;
        layout.BlockWidth = 3001;
        layout.BlockHeight = 1201;
        layout.BlockLeft = 111;
        layout.BlockTop = 222;
        QCOMPARE(PlaceAtStart(layout, 15360, 11520), centredText);
        QCOMPARE(layout.BlockLeft, left);
        QCOMPARE(layout.BlockTop, top);
    }
};

LUMIDEX_REGISTER_TEST(TstMotion)
#include "tst_motion.moc"
