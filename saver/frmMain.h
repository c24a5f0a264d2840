#pragma once

#include "countdown/CountdownText.h"
#include "saver/SaverElements.h"
#include "saver/ScrollMotion.h"
#include "state/SaverLayout.h"

#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <random>

namespace platform {
class NativeSurface;
}

namespace saver {

// A saver window: the content block travelling over the background, over one screen
// or inside another program's preview window. Each window has its own layout, so that
// the blocks on screens of different sizes travel independently.
class frmMain : public QWidget
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // The elements, in their creation order.
    QImage ilsLogo; // the fallback picture
    QTimer tmrScroll;
    QImage imgDefault; // the picture the preview shows in place of the chosen one
    PictureElement imgPhoto;
    TextLine lblTime;
    TextLine lblText;
    // Looks at the date once a minute: a single timer to midnight would fire late after
    // a suspend, and the count would go stale.
    QTimer tmrDate;

    qint32 MoveCount = 0;

    // Twips: the screen this window covers, the primary one unless set before Form_Load.
    qint32 ScreenWidth;
    qint32 ScreenHeight;
    modGeneral::SaverLayoutState SaverLayout;

    // Both set before Form_Load. A screen-saver host (XScreenSaver) watches the input and
    // the cursor itself and ends the run when it chooses: then both are false.
    bool endsOnInput = true;
    bool hidesCursor = true;

    void Form_Load();
    void tmrScroll_Timer();
    void tmrDate_Timer();
    void EndSaver();
    void EndPreview();

    void setBackgroundColour(const QColor &colour);
    QColor backgroundColour() const { return m_background; }
    void seedRandom(std::uint32_t seed) { m_random.seed(seed); }

    // Where each element stands now, in pixels of this window.
    QRect titleRect() const;
    QRect timeRect() const;
    QRect photoRect() const;

    // True once the window has been unloaded and the program asked to end.
    bool unloaded() const { return m_unloaded; }

    // Whether the window draws itself through the X server rather than through Qt.
    bool paintsNatively() const { return testAttribute(Qt::WA_PaintOnScreen); }

Q_SIGNALS:
    // Input ended the saver: the other windows of a full-screen run go too.
    void saverEnded();

protected:
    bool event(QEvent *event) override;
    QPaintEngine *paintEngine() const override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // The window draws no focus, so gaining it repaints nothing: QWidget's own handlers
    // would repaint the whole screen for it.
    void focusInEvent(QFocusEvent *) override {}
    void focusOutEvent(QFocusEvent *) override {}

private:
    void Form_MouseDown();
    void Form_MouseMove();
    void Form_KeyPress();
    void Form_Unload();
    void EndProgram();
    std::optional<core::Failure> ComposeCountdown();

    bool LandsOnAnElement(const QPointF &position) const;
    void RepaintElements(const QRect &oldTitle, const QRect &oldTime, const QRect &oldPhoto);
    void PaintNatively(const QRegion &region);
    void PaintWithQt(const QRegion &region);
    MotionContext Motion();

    countdown::CountdownInputs m_countdownInputs; // as read at the load, for the day counted
    QColor m_background = Qt::black;
    ElementPlaces m_places;
    std::minstd_rand m_random;
    bool m_unloaded = false;
    std::unique_ptr<platform::NativeSurface> m_surface;
};

} // namespace saver
