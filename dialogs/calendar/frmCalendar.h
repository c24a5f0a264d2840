#pragma once

#include "dialogs/DialogWithoutKeyButtons.h"

#include <QDate>
#include <memory>

class QLineEdit;
namespace Ui {
class frmCalendar;
}

namespace calendar {

// Picks the target date on a month calendar. It starts at the date in the settings
// dialog's date box; OK writes the chosen date back into that box and stores it at once.
class frmCalendar : public dialogs::DialogWithoutKeyButtons
{
    Q_OBJECT

public:
    // setupDate is the settings dialog's date box; it must outlive this dialog.
    explicit frmCalendar(QLineEdit &setupDate, QWidget *parent = nullptr);
    ~frmCalendar() override;

    void Form_Load();

public Q_SLOTS:
    void cmdNextDay_Click();
    void cmdNextMonth_Click();
    void cmdNextYear_Click();
    void cmdPrevDay_Click();
    void cmdPrevMonth_Click();
    void cmdPrevYear_Click();
    void cmdAbout_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
private:
    // The month calendar's members; the selected date lives in the widget alone.
    void SetValue(const QString &dateText);
    QDate Value() const;
    void Select(QDate date);
    void NextDay() { Select(Value().addDays(1)); }
    void NextMonth();
    void NextYear();
    void PreviousDay() { Select(Value().addDays(-1)); }
    void PreviousMonth();
    void PreviousYear();
    void AboutBox();

    std::unique_ptr<Ui::frmCalendar> ui;
    QLineEdit &m_setupDate;
};

} // namespace calendar
