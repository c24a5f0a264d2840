#include "saver/frmMain.h"

#include "app/modGeneral.h"
#include "countdown/BuildCountdownText.h"
#include "platform/MessageBox.h"
#include "platform/SaverWindowCalls.h"
#include "saver/ApplySettings.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

namespace saver {

namespace {

// More mouse movement than this ends the saver; a few events come from a table being
// bumped or from the window appearing under the pointer.
constexpr qint32 ToleratedMoves = 8;

bool InSaverMode()
{
    return modGeneral::RunMode == modGeneral::RunModeFullScreen;
}

QRect PixelRect(const QPointF &twips, const QPixmap &pixmap)
{
    return QRect(QPoint(ToPixels(twips.x()), ToPixels(twips.y())), pixmap.size());
}

} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent)
{
    setWindowFlag(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent); // the background is painted here, once per region
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    ilsLogo = QImage(QStringLiteral(":/pictures/logo.gif"));
    tmrScroll.setTimerType(Qt::PreciseTimer);
    tmrScroll.setInterval(10);
    connect(&tmrScroll, &QTimer::timeout, this, &frmMain::tmrScroll_Timer);
    tmrScroll.start();
    imgDefault = QImage(QStringLiteral(":/pictures/default.bmp"));

    // What the lines say until the set-up gives them their texts.
    for (TextLine *line : {&lblTime, &lblText}) {
        line->setFont(QFont(QStringLiteral("MS Sans Serif"), 24));
        line->setBackground(m_background);
    }
    lblTime.setText(QStringLiteral("lblTime"));
    lblText.setText(QStringLiteral("lblText"));
}

void frmMain::Form_Load()
{
    modGeneral::BuildCountdownText();
    modGeneral::ApplySettings(*this);
    platform::ShowCursor(false);
}

void frmMain::setBackgroundColour(const QColor &colour)
{
    m_background = colour;
    update();
}

MotionContext frmMain::Motion()
{
    return {InSaverMode(), modGeneral::ScreenWidth, modGeneral::ScreenHeight,
            [this] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(m_random); }};
}

void frmMain::tmrScroll_Timer()
{
    const QRect oldTitle = titleRect();
    const QRect oldTime = timeRect();
    const QRect oldPhoto = photoRect();

    ElementSizes sizes{lblText.size().height(), lblTime.size().height(), imgPhoto.size()};
    m_places = ScrollTick(modGeneral::SaverLayout, sizes, Motion());
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

void frmMain::paintEvent(QPaintEvent *event)
{
    // Rect by rect: the bounding rect of an element's old and new place and another's
    // would cover much more of the screen than either.
    QPainter painter(this);
    for (const QRect &rect : event->region())
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

// Keys that produce a character count (letters, digits, Space, Enter, Esc); Shift, Ctrl,
// arrows and function keys produce none.
void frmMain::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty())
        Form_KeyPress();
}

void frmMain::Form_MouseDown()
{
    if (InSaverMode())
        EndSaver();
}

void frmMain::Form_KeyPress()
{
    if (InSaverMode())
        EndSaver();
}

void frmMain::Form_MouseMove()
{
    MoveCount += 1;
    if (InSaverMode() && MoveCount > ToleratedMoves) {
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
    if (modGeneral::RunMode == modGeneral::RunModePreview) {
        EndPreview();
        return;
    }
    if (InSaverMode())
        platform::ShowCursor(true);
}

void frmMain::EndPreview()
{
    platform::ActivateWindowByTitle(platform::ApplicationTitle);
    hide();
    EndProgram();
}

// exit() rather than quit(): while embedded in a foreign window Qt ignores quit().
void frmMain::EndProgram()
{
    QCoreApplication::exit(0);
}

} // namespace saver
