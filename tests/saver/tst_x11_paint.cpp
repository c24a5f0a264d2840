#include "TestSupport.h"

#include "state/modGeneral.h"
#include "platform/SaverWindowCalls.h"
#include "saver/frmMain.h"

#include <xcb/xcb.h>

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <memory>

using saver::frmMain;

namespace {

xcb_connection_t *X() // Qt's own connection
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The server has carried out everything sent so far.
void Sync()
{
    std::free(xcb_get_input_focus_reply(X(), xcb_get_input_focus(X()), nullptr));
}

// Qt has received and handled the events the requests so far caused, paints included.
void Settle()
{
    Sync();
    QTest::qWait(150);
    Sync();
    QCoreApplication::processEvents();
    Sync();
}

xcb_window_t XWindow(const QWidget &widget)
{
    return xcb_window_t(widget.windowHandle()->winId());
}

// What the X server holds in a window, as RGB32 (a 24-bit visual; its pad byte ignored).
QImage Contents(xcb_drawable_t drawable, const QRect &rect)
{
    xcb_get_image_reply_t *reply = xcb_get_image_reply(
        X(),
        xcb_get_image(X(), XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, qint16(rect.x()), qint16(rect.y()),
                      quint16(rect.width()), quint16(rect.height()), ~0u),
        nullptr);
    if (!reply)
        return {};
    QImage image(rect.size(), QImage::Format_RGB32);
    const auto *pixels = reinterpret_cast<const quint32 *>(xcb_get_image_data(reply));
    for (int y = 0; y < rect.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < rect.width(); ++x)
            line[x] = pixels[qsizetype(y) * rect.width() + x] | 0xff000000u;
    }
    std::free(reply);
    return image;
}

// The window as a painter would draw the form where its elements stand now: the
// background, the picture, the countdown line, the title line.
QImage Expected(const frmMain &form)
{
    QImage image(form.size(), QImage::Format_RGB32);
    image.fill(form.backgroundColour());
    QPainter painter(&image);
    if (form.imgPhoto.hasPicture())
        painter.drawPixmap(form.photoRect().topLeft(), form.imgPhoto.pixmap());
    painter.drawPixmap(form.timeRect().topLeft(), form.lblTime.pixmap());
    painter.drawPixmap(form.titleRect().topLeft(), form.lblText.pixmap());
    return image;
}

// "" when the images match, else where and how they first differ and how many pixels do.
QString Difference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    QString first;
    qint64 count = 0;
    for (int y = 0; y < actual.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgb *>(actual.constScanLine(y));
        const auto *e = reinterpret_cast<const QRgb *>(expected.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            if (a[x] == e[x])
                continue;
            if (count++ == 0)
                first = QStringLiteral("at %1,%2: #%3, expected #%4")
                            .arg(x)
                            .arg(y)
                            .arg(a[x] & 0xffffff, 6, 16, QLatin1Char('0'))
                            .arg(e[x] & 0xffffff, 6, 16, QLatin1Char('0'));
        }
    }
    return count ? QStringLiteral("%1 pixels differ, first %2").arg(count).arg(first) : QString();
}

long StatusKilobytes(const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

// The saver window drawing itself through the X server, checked pixel by pixel there.
class TstX11Paint : public QObject
{
    Q_OBJECT

    std::unique_ptr<frmMain> m_form;

    // The block travels down from the top with the built-in hammock picture below it: the
    // picture's top rows are left behind on every tick.
    frmMain &ShowFullScreen()
    {
        testing::Store(QStringLiteral("Direction"), QStringLiteral("2"));
        testing::Store(QStringLiteral("ImageUsed"), QStringLiteral("1"));
        testing::Store(QStringLiteral("Title"), QStringLiteral("Lumidex paint test"));
        testing::Store(QStringLiteral("Date"), QStringLiteral("2099-01-01")); // still ahead
        modGeneral::State.ImageIndex = 4;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        modGeneral::State.RunMode = modGeneral::RunModeFullScreen;
        modGeneral::State.SaverLayout = {};
        modGeneral::State.ScreenWidth = screen.width() * 15;
        modGeneral::State.ScreenHeight = screen.height() * 15;
        m_form = std::make_unique<frmMain>();
        m_form->Form_Load();
        m_form->tmrScroll.stop(); // the test moves the elements itself
        platform::PlaceTopmost(m_form.get(), screen);
        return *m_form;
    }

    void Tick(frmMain &form, int times)
    {
        for (int tick = 0; tick < times; ++tick) {
            form.tmrScroll_Timer();
            QCoreApplication::processEvents(); // one paint per tick, as the timer gets
        }
        Settle();
    }

private Q_SLOTS:
    void init() { testing::ClearStore(); }
    void cleanup()
    {
        m_form.reset();
        platform::ShowCursor(true);
    }

    void drawsTheElementsOverTheBackgroundAsTheyMove()
    {
        frmMain &form = ShowFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY2(form.paintsNatively(), "the saver paints through Qt on a 24-bit X server");
        Settle();
        QCOMPARE(Difference(Contents(XWindow(form), form.rect()), Expected(form)), QString());

        QVERIFY(form.imgPhoto.hasPicture());
        Tick(form, 2); // the picture takes its place below the block
        QVERIFY(form.rect().contains(form.photoRect()));
        QCOMPARE(Difference(Contents(XWindow(form), form.rect()), Expected(form)), QString());
        const QRect before = form.photoRect();
        Tick(form, 30);
        QVERIFY2(form.photoRect().top() > before.top() + 50, "the picture did not move down");
        QVERIFY(form.rect().contains(form.titleRect()));
        // Where the lines were is background again, where they are now shows them.
        QCOMPARE(Difference(Contents(XWindow(form), form.rect()), Expected(form)), QString());
        const QImage shot = Contents(XWindow(form), form.rect());
        QCOMPARE(shot.pixelColor(0, 0), form.backgroundColour());
        for (const QRect &element : {form.titleRect(), form.timeRect(), form.photoRect()}) {
            QImage blank(element.size(), QImage::Format_RGB32);
            blank.fill(form.backgroundColour());
            QVERIFY(shot.copy(element) != blank);
        }
    }

    // Another window over the saver goes: the server fills the background, the saver
    // draws its elements again.
    void repaintsWhatAnotherWindowUncovers()
    {
        frmMain &form = ShowFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Tick(form, 5);

        const QRect covered =
            form.photoRect().united(form.timeRect()).adjusted(-40, -40, 40, 40) & form.rect();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(X())).data->root;
        const xcb_window_t cover = xcb_generate_id(X());
        const quint32 values[] = {0x00ff00, 1}; // green, and no window manager's say
        xcb_create_window(X(), XCB_COPY_FROM_PARENT, cover, root, qint16(covered.x()),
                          qint16(covered.y()), quint16(covered.width()), quint16(covered.height()),
                          0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(X(), cover);
        Settle();
        const QImage coveredShot = Contents(root, covered);
        QCOMPARE(coveredShot.pixelColor(coveredShot.rect().center()), QColor(0, 255, 0));

        xcb_destroy_window(X(), cover);
        Settle();
        QCOMPARE(Difference(Contents(XWindow(form), form.rect()), Expected(form)), QString());
    }

    // No window-sized image in our memory: Qt's backing store would be shared memory of
    // the window's size, all of it written by the first paint.
    void keepsNoWindowSizedImage()
    {
        frmMain &form = ShowFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Tick(form, 5);
        const qint64 windowKilobytes = qint64(form.width()) * form.height() * 4 / 1024;
        const long shared = StatusKilobytes("RssShmem");
        QVERIFY(shared >= 0);
        QVERIFY2(shared < windowKilobytes / 2,
                 qPrintable(QStringLiteral("%1 kB shared for a %2 kB window")
                                .arg(shared)
                                .arg(windowKilobytes)));
    }
};

LUMIDEX_REGISTER_TEST(TstX11Paint)
#include "tst_x11_paint.moc"
