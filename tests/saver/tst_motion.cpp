#include "TestSupport.h"

#include "saver/ScrollMotion.h"
#include "settings/MotionCodes.h"

#include <QTest>

using namespace saver;
using namespace settings;

namespace {

// A screen of 1024 x 768 pixels in twips, a block of 3000 x 1200 twips of two 600-twip
// lines, a picture of 2250 x 1125 twips; the preview travels 1824 twips.
constexpr qint32 Width = 15360;
constexpr qint32 Height = 11520;

struct Run
{
    modGeneral::SaverLayoutState layout;
    ElementSizes sizes{600, 600, QSizeF(2250, 1125)};
    MotionContext context;
    float random = 0.5f;

    Run(qint32 direction, bool saverMode = true, qint32 position = Center, qint32 width = Width)
        : context{saverMode, width, Height, [this] { return random; }}
    {
        layout = {0, 0, 600, 3000, 1200, direction, position, Width / 2};
        layout.PreviewSpan = 1824;
    }
};

} // namespace

class TstMotion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Where the block stands after some ticks from a start: it re-enters at the opposite
    // edge only once wholly off the screen (in the preview: at half its width, or 200 twips
    // above), centred or at a random height lifted to keep it on the screen. Rows: the
    // screen's width (0: the preview's 1824 twips), the direction (0 forward, 1 backward,
    // 2 downward, 3 upward, 7 unknown), the position and the random number, the start, the
    // ticks, the end.
    void reentersAtTheOppositeEdge()
    {
        for (const QStringList &row : testing::Table(R"(
15360 | 0 | 0 0.5 | 15360 5160 | 367 | -2990 5160
15360 | 0 | 0 0.5 | -2990 100 | 1 | 15360 5160
15360 | 0 | 1 0.25 | -2990 100 | 1 | 15360 2880
15360 | 0 | 1 0.99 | -2990 100 | 1 | 15360 10320
15360 | 1 | 0 0.5 | 15310 5160 | 1 | 15360 5160
15360 | 1 | 0 0.5 | 15360 5160 | 1 | -3000 5160
15360 | 2 | 0 0.5 | 0 12650 | 1 | 0 12700
15360 | 2 | 0 0.5 | 0 12700 | 1 | 0 -1200
15360 | 3 | 0 0.5 | 0 -1200 | 1 | 0 11520
15360 | 7 | 0 0.5 | 4000 3000 | 3 | 4000 3000
57600 | 0 | 0 0.5 | -2990 5160 | 1 | 57600 5160
0 | 0 | 0 0.5 | -1450 0 | 2 | 1824 0
0 | 1 | 0 0.5 | 1774 0 | 2 | -1500 0
0 | 2 | 0 0.5 | 0 1774 | 2 | 0 -200
0 | 3 | 0 0.5 | 0 -150 | 2 | 0 1824
)")) {
            Run run(row[1].toInt(), row[0] != "0", row[2].section(' ', 0, 0).toInt(),
                    row[0].toInt());
            run.random = row[2].section(' ', 1).toFloat();
            run.layout.BlockLeft = row[3].section(' ', 0, 0).toInt();
            run.layout.BlockTop = row[3].section(' ', 1).toInt();
            for (int tick = 0; tick < row[4].toInt(); ++tick)
                ScrollTick(run.layout, run.sizes, run.context);
            const QString end = QString("%1 %2").arg(run.layout.BlockLeft).arg(run.layout.BlockTop);
            QCOMPARE(row.mid(0, 5).join(" | ") + " | " + end, row.join(" | "));
        }
    }

    // The elements stand where the previous tick left the block; the picture stays
    // centred, below a block in the upper half and above one in the lower half; in the
    // preview it rides above the block at half size.
    void elementsFollowTheBlock()
    {
        Run run(Forward);
        run.layout.BlockLeft = 7000;
        run.layout.BlockTop = 1000;
        ElementPlaces places = ScrollTick(run.layout, run.sizes, run.context);
        QCOMPARE(places.title, QPointF(7000, 1000));
        QCOMPARE(places.time, QPointF(7000, 1600));
        QCOMPARE(run.layout.PictureTop, 1000 + 1200 + 50);
        run.layout.BlockTop = 9000;
        ScrollTick(run.layout, run.sizes, run.context);
        places = ScrollTick(run.layout, run.sizes, run.context);
        QCOMPARE(places.title, QPointF(6900, 9000));
        QCOMPARE(places.photo, QPointF(Width / 2 - 1125, 9000 - 1125));

        Run preview(Upward, false);
        preview.layout.BlockTop = 1000;
        preview.layout.PictureHalfHeight = 375;
        preview.layout.PictureHalfWidth = 750;
        ScrollTick(preview.layout, preview.sizes, preview.context);
        QCOMPARE(preview.sizes.photo, QSizeF(750, 375));
        QCOMPARE(preview.layout.PictureTop, 950 - 375);
    }

    // The first pass starts just outside the entry edge, centred across its way (halves
    // to even: 5159.5 -> 5160); vertical travel centres the lines' text. Rows: the
    // direction (0 forward, 1 backward, 2 downward, 3 upward), the start, centred text.
    void startsOutsideTheEntryEdge()
    {
        for (const QStringList &row : testing::Table(R"(
0 | 15360 5160 | false
1 | -3001 5160 | false
2 | 6180 -1201 | true
3 | 6180 11520 | true
9 | 111 222 | false
)")) {
            modGeneral::SaverLayoutState layout{111, 222, 0, 3001, 1201, row[0].toInt()};
            QCOMPARE(PlaceAtStart(layout, Width, Height), row[2] == "true");
            QCOMPARE(QString("%1 %2").arg(layout.BlockLeft).arg(layout.BlockTop), row[1]);
        }
    }
};

LUMIDEX_REGISTER_TEST(TstMotion)
#include "tst_motion.moc"
