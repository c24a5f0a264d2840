#include "dialogs/calendar/frmCalendar.h"
#include "ui_frmCalendar.h"

#include "core/Dates.h"
#include "dialogs/EnterKey.h"
#include "dialogs/SavedOrTold.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

#include <QLineEdit>

namespace calendar {

frmCalendar::frmCalendar(QLineEdit &setupDate, QWidget *parent)
    : DialogWithoutKeyButtons(parent), ui(std::make_unique<Ui::frmCalendar>()),
      m_setupDate(setupDate)
{
    ui->setupUi(this);
    // A fixed dialog frame: title and close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    // Every date the calendar offers must survive the trip through the store: the short
    // date is written with a four-digit year, and the parser reads years 100 to 9999.
    ui->Calendar->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    // Frame1 overlaps the calendar's last row by a few pixels; clicks there belong to the
    // calendar.
    ui->Calendar->raise();

    connect(ui->cmdNextDay, &QPushButton::clicked, this, &frmCalendar::cmdNextDay_Click);
    connect(ui->cmdNextMonth, &QPushButton::clicked, this, &frmCalendar::cmdNextMonth_Click);
    connect(ui->cmdNextYear, &QPushButton::clicked, this, &frmCalendar::cmdNextYear_Click);
    connect(ui->cmdPrevDay, &QPushButton::clicked, this, &frmCalendar::cmdPrevDay_Click);
    connect(ui->cmdPrevMonth, &QPushButton::clicked, this, &frmCalendar::cmdPrevMonth_Click);
    connect(ui->cmdPrevYear, &QPushButton::clicked, this, &frmCalendar::cmdPrevYear_Click);
    connect(ui->cmdAbout, &QPushButton::clicked, this, &frmCalendar::cmdAbout_Click);
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmCalendar::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &frmCalendar::cmdCancel_Click);
    dialogs::EnterPressesFocusedButtons(*this);

    Form_Load();
}

frmCalendar::~frmCalendar() = default;

void frmCalendar::Form_Load()
{
    SetValue(m_setupDate.text());
}

void frmCalendar::cmdNextDay_Click()
{
    NextDay();
}

void frmCalendar::cmdNextMonth_Click()
{
    NextMonth();
}

void frmCalendar::cmdNextYear_Click()
{
    NextYear();
}

void frmCalendar::cmdPrevDay_Click()
{
    PreviousDay();
}

void frmCalendar::cmdPrevMonth_Click()
{
    PreviousMonth();
}

void frmCalendar::cmdPrevYear_Click()
{
    PreviousYear();
}

void frmCalendar::cmdAbout_Click()
{
    AboutBox();
}

void frmCalendar::cmdOK_Click()
{
    const QString date = core::ShortDate(Value());
    if (!dialogs::SavedOrTold(settings::WriteText(settings::key::Date, date)))
        return;
    // Setting the text runs the settings dialog's change procedure for its date box.
    m_setupDate.setText(date);
    accept();
}

void frmCalendar::cmdCancel_Click()
{
    reject();
}

// A date box that holds no date opens the calendar at today: the most likely start for
// picking a future target, and the user can still cancel without anything changing.
void frmCalendar::SetValue(const QString &dateText)
{
    Select(core::ParseDate(dateText).value_or(core::Today()));
}

QDate frmCalendar::Value() const
{
    return ui->Calendar->selectedDate();
}

// Steps past either end of the calendar's range stop at that end.
void frmCalendar::Select(QDate date)
{
    if (!date.isValid())
        return;
    ui->Calendar->setSelectedDate(
        qBound(ui->Calendar->minimumDate(), date, ui->Calendar->maximumDate()));
}

void frmCalendar::NextMonth()
{
    Select(core::AddMonths(Value(), 1));
}

void frmCalendar::NextYear()
{
    Select(core::AddMonths(Value(), 12));
}

void frmCalendar::PreviousMonth()
{
    Select(core::AddMonths(Value(), -1));
}

void frmCalendar::PreviousYear()
{
    Select(core::AddMonths(Value(), -12));
}

void frmCalendar::AboutBox()
{
    platform::MsgBox(QStringLiteral("Lumidex ScreenSaver month calendar\n\n"
                                    "Click a day, use the month and year selectors above the "
                                    "days, or step by day, month or year with the buttons."),
                     platform::MsgButtons::Ok, platform::MsgIcon::Information,
                     QStringLiteral("About Calendar"));
}

} // namespace calendar
