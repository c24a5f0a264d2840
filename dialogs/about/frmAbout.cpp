#include "dialogs/about/frmAbout.h"
#include "ui_frmAbout.h"

#include "Version.h"
#include "dialogs/EnterKey.h"
#include "platform/Documents.h"
#include "platform/MessageBox.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>

namespace about {

namespace {

const QString MakerContact = QStringLiteral("www.vantrel.example  \u00b7  support@vantrel.example");

// The maker's logo, 200 x 100 pixels: an emblem and the wordmark. Drawn rather than
// shipped, so the box needs no picture file.
QPixmap MakerLogo()
{
    QPixmap logo(200, 100);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);

    const QColor deep(11, 94, 110);
    const QColor light(28, 164, 168);
    QLinearGradient shade(QPointF(12, 20), QPointF(72, 80));
    shade.setColorAt(0, light);
    shade.setColorAt(1, deep);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawEllipse(QRectF(12, 20, 60, 60));

    QPainterPath chevron;
    chevron.moveTo(26, 34);
    chevron.lineTo(36, 34);
    chevron.lineTo(42, 56);
    chevron.lineTo(48, 34);
    chevron.lineTo(58, 34);
    chevron.lineTo(46, 68);
    chevron.lineTo(38, 68);
    chevron.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(chevron);

    QFont word(QStringLiteral("Liberation Sans"));
    word.setPixelSize(30);
    word.setBold(true);
    painter.setFont(word);
    painter.setPen(QColor(31, 42, 51));
    painter.drawText(QPointF(82, 58), QStringLiteral("Vantrel"));

    QFont tagline(QStringLiteral("Liberation Sans"));
    tagline.setPixelSize(10);
    tagline.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    painter.setFont(tagline);
    painter.setPen(deep);
    painter.drawText(QPointF(84, 74), QStringLiteral("SOFTWARE"));
    return logo;
}

} // namespace

QString VersionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmAbout>()), m_readMePath(platform::InstalledReadMe())
{
    ui->setupUi(this);
    setFixedSize(size());
    ui->Image2->setPixmap(MakerLogo());
    connect(ui->cmdViewReadMe, &QPushButton::clicked, this, &frmAbout::cmdViewReadMe_Click);
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    dialogs::EnterPressesFocusedButtons(*this);
    ui->cmdOK->setFocus();
    CentreOnScreen();
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + platform::ApplicationTitle);
    ui->lblVersion->setText(
        VersionLine(LUMIDEX_VERSION_MAJOR, LUMIDEX_VERSION_MINOR, LUMIDEX_VERSION_PATCH));
    ui->lblTitle->setText(platform::ApplicationTitle);
    ui->lblDescription->setText(
        QStringLiteral("Use this screen saver to count down to a specific date. ") +
        QStringLiteral("The date is calculated by subtracting the Current Date ") +
        QStringLiteral("from the Future Date. The Target Text will be displayed ") +
        QStringLiteral("when the Future Date is reached."));
    ui->lblAddress->setText(MakerContact);
}

void frmAbout::cmdViewReadMe_Click()
{
    if (platform::OpenWithDefaultViewer(m_readMePath))
        return;
    platform::MsgBox(QStringLiteral("The read-me file could not be opened:\n") + m_readMePath,
                     platform::MsgButtons::Ok, platform::MsgIcon::Exclamation);
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // OK is also the cancel button: Escape presses it, as Enter does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ui->cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Centred on the whole screen, not over the settings dialog as a dialog would open.
void frmAbout::CentreOnScreen()
{
    QRect frame(QPoint(), size());
    frame.moveCenter(screen()->geometry().center());
    move(frame.topLeft());
}

} // namespace about
