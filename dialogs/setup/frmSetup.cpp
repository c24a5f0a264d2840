#include "dialogs/setup/frmSetup.h"

#include "Version.h"
#include "core/Dates.h"
#include "countdown/BuildCountdownText.h"
#include "dialogs/EnterKey.h"
#include "dialogs/about/frmAbout.h"
#include "platform/MessageBox.h"
#include "platform/Store.h"
#include "settings/Settings.h"
#include "state/modGeneral.h"
#include "ui_frmSetup.h"

namespace setup {

using modGeneral::State;

namespace {

QString SetupCaption()
{
    return QStringLiteral("Lumidex ScreenSaver Settings  - v %1.%2")
        .arg(LUMIDEX_VERSION_MAJOR)
        .arg(LUMIDEX_VERSION_MINOR);
}

// Members of a control array share one object name and tell themselves apart by index.
template <typename Control, size_t Count>
void NameControlArray(std::array<Control *, Count> &members, const char *name)
{
    for (size_t index = 0; index < Count; ++index) {
        members[index]->setObjectName(QString::fromLatin1(name));
        members[index]->setProperty("Index", int(index));
    }
}

} // namespace

frmSetup::frmSetup(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::frmSetup>())
{
    ui->setupUi(this);
    cmdFormat = {ui->cmdFormat0, ui->cmdFormat1};
    optPosition = {ui->optPosition0, ui->optPosition1};
    optDirection = {ui->optDirection0, ui->optDirection1, ui->optDirection2, ui->optDirection3};
    NameControlArray(cmdFormat, "cmdFormat");
    NameControlArray(optPosition, "optPosition");
    NameControlArray(optDirection, "optDirection");
    ShowAsDisplayOnly();
    ConnectControls();
    dialogs::EnterPressesFocusedButtons(*this);
    Form_Load();
}

frmSetup::~frmSetup() = default;

// Display-only boxes are greyed, as read-only fields are on a dialog.
void frmSetup::ShowAsDisplayOnly()
{
    for (QLineEdit *box : {ui->txtDateLong, ui->txtCurImage}) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        box->setPalette(palette);
    }
}

void frmSetup::ConnectControls()
{
    connect(ui->txtTitle, &QLineEdit::textChanged, this, &frmSetup::txtTitle_Change);
    connect(ui->txtTarget, &QLineEdit::textChanged, this, &frmSetup::txtTarget_Change);
    connect(ui->txtDate, &QLineEdit::textChanged, this, &frmSetup::txtDate_Change);
    // A check box's procedure runs whenever its value changes, by hand or by the load.
    connect(ui->chkDays, &QCheckBox::toggled, this, &frmSetup::chkDays_Click);
    connect(ui->chkImage, &QCheckBox::toggled, this, &frmSetup::chkImage_Click);
    connect(ui->CmdOK, &QPushButton::clicked, this, &frmSetup::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmSetup::cmdCancel_Click);
    connect(ui->cmdAbout, &QPushButton::clicked, this, &frmSetup::cmdAbout_Click);
    connect(ui->cmdCalendar, &QPushButton::clicked, this, &frmSetup::cmdCalendar_Click);
    connect(ui->cmdBackground, &QPushButton::clicked, this, &frmSetup::cmdBackground_Click);
    connect(ui->cmdImage, &QPushButton::clicked, this, &frmSetup::cmdImage_Click);
    connect(ui->cmdSaveSettings, &QPushButton::clicked, this, &frmSetup::cmdSaveSettings_Click);
    connect(ui->cmdRestoreSettings, &QPushButton::clicked, this,
            &frmSetup::cmdRestoreSettings_Click);
    connect(ui->cmdDefaults, &QPushButton::clicked, this, &frmSetup::cmdDefaults_Click);
    for (int index = 0; index < int(cmdFormat.size()); ++index)
        connect(cmdFormat[index], &QPushButton::clicked, this,
                [this, index] { cmdFormat_Click(index); });
    for (int index = 0; index < int(optPosition.size()); ++index)
        connect(optPosition[index], &QRadioButton::clicked, this,
                [this, index] { optPosition_Click(index); });
    for (int index = 0; index < int(optDirection.size()); ++index)
        connect(optDirection[index], &QRadioButton::clicked, this,
                [this, index] { optDirection_Click(index); });
}

void frmSetup::Form_Load()
{
    const platform::StoreReading reading;
    using settings::key::Restore;
    namespace key = settings::key;

    setWindowTitle(SetupCaption());
    ui->txtTitle->setText(settings::ReadText(key::Title));
    ui->txtDate->setText(settings::ReadText(key::Date));
    ui->txtTarget->setText(settings::ReadText(key::Target));
    State.Position = settings::ReadWhole16(key::Position);
    State.Direction = settings::ReadWhole16(key::Direction);
    ui->chkImage->setChecked(settings::ReadWhole16(key::ImageUsed) == 1);
    ui->chkDays->setChecked(settings::ReadWhole16(key::IncludeDays) == 1);
    ui->sldSpeed->setValue(settings::ReadWhole32(key::Speed));
    State.ImageName = settings::ReadText(key::ImageName);
    State.ImageTag = settings::ReadText(key::ImageTag);

    RestoreAvailable = settings::ReadFlag(Restore);
    if (RestoreAvailable)
        ui->cmdRestoreSettings->setEnabled(true);

    // A stored date that is no date leaves the long form empty rather than showing
    // the long form of an earlier load.
    const std::optional<QDate> date = core::ParseDate(ui->txtDate->text());
    ui->txtDateLong->setText(date ? core::LongDate(*date) : QString());

    ApplySampleFormats();

    // The sample always has the day total ready, so ticking the box needs no new count.
    countdown::BuiltCountdown built = countdown::BuildCountdownText(1, std::move(State.Countdown));
    State.Countdown = std::move(built.pieces);
    if (built.failure)
        platform::MsgBox(countdown::DateCalculationErrorText, platform::MsgButtons::Ok,
                         platform::MsgIcon::Critical);

    ui->lblSampleText->setText(ui->txtTitle->text());
    chkDays_Click();

    optPosition[State.Position]->setChecked(true);
    optPosition_Click(State.Position);
    optDirection[State.Direction]->setChecked(true);
    optDirection_Click(State.Direction);
    chkImage_Click();
}

void frmSetup::cmdCancel_Click()
{
    reject();
}

void frmSetup::cmdAbout_Click()
{
    about::frmAbout about(this);
    about.exec();
}

} // namespace setup
