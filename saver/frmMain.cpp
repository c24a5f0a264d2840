#include "saver/frmMain.h"

#include "assets/BuiltInPictures.h"
#include "core/Dates.h"
#include "core/Twips.h"
#include "countdown/BuildCountdownText.h"
#include "platform/MessageBox.h"
#include "platform/NativeSurface.h"
#include "platform/SaverWindowCalls.h"
#include "platform/Store.h"
#include "saver/ApplySettings.h"
#include "state/modGeneral.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace saver {

namespace {

// More mouse movement than this ends the saver; a few events come from a table being
// bumped or from the window appearing under the pointer.
constexpr qint32 ToleratedMoves = 8;

using modGeneral::State;

bool InSaverMode()
{
    return State.RunMode == modGeneral::RunModeFullScreen;
}

QRect PixelRect(const QPointF &twips, const QPixmap &pixmap)
{
    return QRect(QPoint(core::ToPixels(twips.x()), core::ToPixels(twips.y())),
                 pixmap.deviceIndependentSize().toSize());
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent), ScreenWidth(State.ScreenWidth), ScreenHeight(State.ScreenHeight)
{
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent); // the background is painted here, once per region
    // On X11 without Qt's backing store: a full-screen one costs 33 MB at 4K and the
    // first frame waits for all of it to be painted and sent.
    setAttribute(Qt::WA_PaintOnScreen, platform::NativeSurface::Available());
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    ilsLogo = assets::BuiltInPicture(assets::LogoIndex);
    tmrScroll.setTimerType(Qt::PreciseTimer);
    tmrScroll.setInterval(10);
    connect(&tmrScroll, &QTimer::timeout, this, &frmMain::tmrScroll_Timer);
    tmrScroll.start();
    tmrDate.setInterval(60 * 1000);
    connect(&tmrDate, &QTimer::timeout, this, &frmMain::tmrDate_Timer);
    tmrDate.start();
    imgDefault = assets::DefaultPreviewPicture();

    // What the lines say until the set-up gives them their texts.
    for (TextLine *line : {&lblTime, &lblText}) {
        line->setFont(QFont(QStringLiteral("MS Sans Serif"), 24));
        line->setBackground(m_background);
    }
    lblTime.setText(QStringLiteral("lblTime"));
    lblText.setText(QStringLiteral("lblText"));
}

frmMain::~frmMain() = default;

void frmMain::Form_Load()
{
    const platform::StoreReading reading;
    m_countdownInputs = countdown::StoredCountdownInputs(State.IncludeDays);
    if (ComposeCountdown())
        platform::MsgBox(countdown::DateCalculationErrorText, platform::MsgButtons::Ok,
                         platform::MsgIcon::Critical);
    ApplySettings(*this);
    if (hidesCursor)
        platform::ShowCursor(false);
}

// A date that cannot be counted to leaves nothing to count: the title stands alone.
std::optional<core::Failure> frmMain::ComposeCountdown()
{
    countdown::CountdownPieces pieces;
    const std::optional<core::Failure> failure =
        countdown::ComposeCountdown(m_countdownInputs, pieces);
    if (failure) {
        const QString title = pieces.TitleText;
        pieces = {};
        pieces.TitleText = title;
    }
    State.Countdown = std::move(pieces);
    return failure;
}

// A saver left running overnight counts the new day, and switches to the completion
// phrase on the target date. The store is not read again: the texts are the load's.
void frmMain::tmrDate_Timer()
{
    const QDate today = core::Today();
    if (today == m_countdownInputs.today)
        return;
    m_countdownInputs.today = today;
    ComposeCountdown();
    ShowNewCountdown(*this);
    update();
}

void frmMain::setBackgroundColour(const QColor &colour)
{
    m_background = colour;
    update();
}

MotionContext frmMain::Motion()
{
    return {InSaverMode(), ScreenWidth, ScreenHeight,
            [this] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(m_random); }};
}

void frmMain::tmrScroll_Timer()
{
    const QRect oldTitle = titleRect();
    const QRect oldTime = timeRect();
    const QRect oldPhoto = photoRect();

    ElementSizes sizes{lblText.size().height(), lblTime.size().height(), imgPhoto.size()};
    m_places = ScrollTick(SaverLayout, sizes, Motion());
    imgPhoto.setSize(sizes.photo);

    RepaintElements(oldTitle, oldTime, oldPhoto);
}

QRect frmMain::titleRect() const
{
    return PixelRect(m_places.title, lblText.pixmap());
}

QRect frmMain::timeRect() const
{
    return PixelRect(m_places.time, lblTime.pixmap());
}

QRect frmMain::photoRect() const
{
    return PixelRect(m_places.photo, imgPhoto.pixmap());
}

// Only where an element was or now is: the rest of the screen stays as it is.
void frmMain::RepaintElements(const QRect &oldTitle, const QRect &oldTime, const QRect &oldPhoto)
{
    const QRect pairs[][2] = {
        {oldTitle, titleRect()}, {oldTime, timeRect()}, {oldPhoto, photoRect()}};
    for (const auto &pair : pairs) {
        if (pair[0] != pair[1]) {
            update(pair[0]);
            update(pair[1]);
        }
    }
}

bool frmMain::event(QEvent *event)
{
    // A new X window (made, or replaced by Qt) gets the background before it is mapped,
    // so that the X server paints every exposed part at once.
    if (event->type() == QEvent::WinIdChange) {
        m_surface.reset();
        if (paintsNatively())
            m_surface = platform::NativeSurface::For(this);
        if (m_surface)
            m_surface->setBackground(m_background);
    }
    return QWidget::event(event);
}

// No engine of Qt's paints this window while it draws itself.
QPaintEngine *frmMain::paintEngine() const
{
    return paintsNatively() ? nullptr : QWidget::paintEngine();
}

void frmMain::paintEvent(QPaintEvent *event)
{
    // Rendered for the screen the window is on now: twice the pixels at twice the density.
    const qreal ratio = devicePixelRatioF();
    lblText.setDevicePixelRatio(ratio);
    lblTime.setDevicePixelRatio(ratio);
    imgPhoto.setDevicePixelRatio(ratio);
    if (paintsNatively())
        PaintNatively(event->region());
    else
        PaintWithQt(event->region());
}

// The background where no element stands, then the elements in the same order as
// PaintWithQt: no part of an element is ever blanked before it is drawn again.
void frmMain::PaintNatively(const QRegion &region)
{
    if (!m_surface || !m_surface->drawsInto(this)) {
        m_surface = platform::NativeSurface::For(this);
        if (!m_surface) {
            // A window whose pixels cannot be drawn here: Qt paints it after all.
            setAttribute(Qt::WA_PaintOnScreen, false);
            update();
            return;
        }
    }
    m_surface->setBackground(m_background);
    QRegion background = region;
    background -= timeRect();
    background -= titleRect();
    if (imgPhoto.hasPicture())
        background -= photoRect();
    m_surface->fill(background);
    if (imgPhoto.hasPicture())
        m_surface->draw(0, imgPhoto.pixmap(), photoRect().topLeft(), region);
    m_surface->draw(1, lblTime.pixmap(), timeRect().topLeft(), region);
    m_surface->draw(2, lblText.pixmap(), titleRect().topLeft(), region);
    m_surface->flush();
}

void frmMain::PaintWithQt(const QRegion &region)
{
    // Rect by rect: the bounding rect of an element's old and new place and another's
    // would cover much more of the screen than either.
    QPainter painter(this);
    for (const QRect &rect : region)
        painter.fillRect(rect, m_background);
    if (imgPhoto.hasPicture())
        painter.drawPixmap(photoRect().topLeft(), imgPhoto.pixmap());
    painter.drawPixmap(timeRect().topLeft(), lblTime.pixmap());
    painter.drawPixmap(titleRect().topLeft(), lblText.pixmap());
}

// Input on the text lines or the picture belongs to them, not to the window.
bool frmMain::LandsOnAnElement(const QPointF &position) const
{
    const QPoint point = position.toPoint();
    return titleRect().contains(point) || timeRect().contains(point) ||
           (imgPhoto.hasPicture() && photoRect().contains(point));
}

void frmMain::mousePressEvent(QMouseEvent *event)
{
    if (!LandsOnAnElement(event->position()))
        Form_MouseDown();
}

void frmMain::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!LandsOnAnElement(event->position()))
        Form_MouseDown();
}

void frmMain::mouseMoveEvent(QMouseEvent *event)
{
    if (!LandsOnAnElement(event->position()))
        Form_MouseMove();
}

// Keys that type a character end the saver (letters, digits, Space), and so do Return,
// Tab, Backspace and Escape. Shift, Ctrl, arrows and function keys type nothing, and
// Delete, which X reports as the character DEL, types nothing either.
void frmMain::keyPressEvent(QKeyEvent *event)
{
    static const QList<int> EndingKeys{Qt::Key_Return,  Qt::Key_Enter,     Qt::Key_Tab,
                                       Qt::Key_Backtab, Qt::Key_Backspace, Qt::Key_Escape};
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                                          [](QChar c) { return c.isPrint(); });
    if (printable || EndingKeys.contains(event->key()))
        Form_KeyPress();
}

void frmMain::Form_MouseDown()
{
    if (InSaverMode() && endsOnInput)
        EndSaver();
}

void frmMain::Form_KeyPress()
{
    if (InSaverMode() && endsOnInput)
        EndSaver();
}

void frmMain::Form_MouseMove()
{
    MoveCount += 1;
    if (InSaverMode() && endsOnInput && MoveCount > ToleratedMoves) {
        MoveCount = 0;
        EndSaver();
    }
}

void frmMain::EndSaver()
{
    platform::ShowCursor(true);
    platform::DropTopmost(this);
    platform::SetScreenSaverRunning(false);
    close(); // runs Form_Unload
    Q_EMIT saverEnded();
    EndProgram();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    tmrScroll.stop();
    tmrDate.stop();
    if (State.RunMode == modGeneral::RunModePreview) {
        EndPreview();
        return;
    }
    if (InSaverMode() && hidesCursor)
        platform::ShowCursor(true);
}

void frmMain::EndPreview()
{
    platform::ActivateOwnWindow(platform::ApplicationTitle, this);
    hide();
    EndProgram();
}

// exit() rather than quit(): while embedded in a foreign window Qt ignores quit().
void frmMain::EndProgram()
{
    QCoreApplication::exit(0);
}

} // namespace saver
