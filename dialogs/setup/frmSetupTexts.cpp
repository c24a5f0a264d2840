// The title, completion phrase and target date, their samples, OK and the calendar.

#include "core/Dates.h"
#include "dialogs/SavedOrTold.h"
#include "dialogs/calendar/frmCalendar.h"
#include "dialogs/setup/frmSetup.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"
#include "state/modGeneral.h"
#include "ui_frmSetup.h"

namespace setup {

using modGeneral::State;

namespace {

const QString NotADateText = QStringLiteral("Not a proper date. Please try again.");

QString CheckBoxText(const QCheckBox *box)
{
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

void frmSetup::txtTitle_Change()
{
    ui->lblSampleText->setText(ui->txtTitle->text());
}

void frmSetup::txtTarget_Change()
{
    ui->lblSampleDate->setText(ui->txtTarget->text());
}

// A date half typed is no date yet: the long form keeps its last text.
void frmSetup::txtDate_Change()
{
    if (const std::optional<QDate> date = core::ParseDate(ui->txtDate->text()))
        ui->txtDateLong->setText(core::LongDate(*date));
}

// The pieces are those of the last load, so the sample counts to the stored date.
void frmSetup::chkDays_Click()
{
    const countdown::CountdownPieces &pieces = State.Countdown;
    QString sample = pieces.PhraseWithoutTotal();
    if (ui->chkDays->isChecked())
        sample += pieces.TotalDaysText;
    ui->lblSampleDate->setText(sample);
}

void frmSetup::cmdOK_Click()
{
    if (!core::IsDate(ui->txtDate->text())) {
        platform::MsgBox(NotADateText);
        ui->txtDate->setFocus();
        return;
    }
    namespace key = settings::key;
    const std::optional<QString> failure = settings::WriteTexts({
        {key::Title, ui->txtTitle->text()},
        {key::Date, ui->txtDate->text()},
        {key::Target, ui->txtTarget->text()},
        {key::Position, QString::number(State.Position)},
        {key::Direction, QString::number(State.Direction)},
        {key::IncludeDays, CheckBoxText(ui->chkDays)},
        {key::ImageUsed, CheckBoxText(ui->chkImage)},
        {key::Speed, QString::number(ui->sldSpeed->value())},
    });
    if (dialogs::SavedOrTold(failure))
        accept();
}

// Whichever button closes the calendar, the dialog shows the store again afterwards.
void frmSetup::cmdCalendar_Click()
{
    calendar::frmCalendar calendar(*ui->txtDate, this);
    calendar.exec();
    Form_Load();
}

} // namespace setup
