#pragma once

#include "dialogs/setup/CommonDialog.h"

#include <QDialog>
#include <array>
#include <memory>

class QLabel;
class QPushButton;
class QRadioButton;

namespace Ui {
class frmSetup;
}

namespace setup {

// The settings dialog. Texts, date, motion and the picture flag reach the store when OK
// accepts the date; fonts, colours, the calendar's date and the picture as soon as their
// own dialog is confirmed; Cancel writes nothing.
//
// The procedures live in one file per group of controls: frmSetup.cpp (loading, Cancel,
// About), frmSetupTexts.cpp (texts, date, samples, OK, calendar), frmSetupFonts.cpp
// (fonts and colours), frmSetupMotion.cpp (position, direction, picture),
// frmSetupSnapshots.cpp (the three operations on all settings).
class frmSetup : public QDialog
{
    Q_OBJECT

public:
    explicit frmSetup(QWidget *parent = nullptr);
    ~frmSetup() override;

    // Fills every control from the store; runs again after the calendar and the
    // snapshot operations so the dialog shows what the store now holds.
    void Form_Load();

    void cmdCancel_Click();
    void cmdAbout_Click();

    void txtTitle_Change();
    void txtTarget_Change();
    void txtDate_Change();
    void chkDays_Click();
    void cmdOK_Click();
    void cmdCalendar_Click();

    void cmdBackground_Click();
    void cmdFormat_Click(int Index);
    void ApplySampleFormats();

    void optPosition_Click(int Index);
    void optDirection_Click(int Index);
    void chkImage_Click();
    void cmdImage_Click();

    void cmdSaveSettings_Click();
    void cmdRestoreSettings_Click();
    void cmdDefaults_Click();

    // The control arrays, by index.
    std::array<QPushButton *, 2> cmdFormat{};
    std::array<QRadioButton *, 2> optPosition{};
    std::array<QRadioButton *, 4> optDirection{};

    // The font and colour dialogs start from and return their values here.
    CommonDialog CommonDialog1;

private:
    void ConnectControls();
    void ShowAsDisplayOnly();
    void ApplySampleFormat(int line, QLabel *sample);
    // Asks before an operation on all settings; true to go on.
    bool Confirmed(const QString &text, const QString &caption);

    std::unique_ptr<Ui::frmSetup> ui;
    bool RestoreAvailable = false;
};

} // namespace setup
