// Position, direction and the picture line.

#include "dialogs/browse/frmBrowse.h"
#include "dialogs/setup/frmSetup.h"
#include "settings/MotionCodes.h"
#include "state/modGeneral.h"
#include "ui_frmSetup.h"

namespace setup {

using modGeneral::State;
using settings::Downward;
using settings::Forward;
using settings::Upward;

// A random height only makes sense for sideways travel: Random takes away Downward and
// Upward, and any position choice falls back to Forward from them.
void frmSetup::optPosition_Click(int Index)
{
    State.Position = qint16(Index);
    const bool vertical = Index == settings::Center;
    optDirection[Downward]->setEnabled(vertical);
    optDirection[Upward]->setEnabled(vertical);
    if (optDirection[Downward]->isChecked() || optDirection[Upward]->isChecked()) {
        optDirection[Forward]->setChecked(true);
        optDirection_Click(Forward);
    }
}

void frmSetup::optDirection_Click(int Index)
{
    State.Direction = qint16(Index);
}

// A picture file, when one is chosen, wins over the built-in picture.
void frmSetup::chkImage_Click()
{
    if (ui->chkImage->isChecked()) {
        ui->cmdImage->setEnabled(true);
        State.ImageUsed = 1;
        if (!State.ImageName.isEmpty()) {
            ui->lblCurImage->setText(QStringLiteral("File Image:"));
            ui->txtCurImage->setText(State.ImageName);
        } else {
            ui->lblCurImage->setText(QStringLiteral("List Image:"));
            ui->txtCurImage->setText(State.ImageTag);
        }
        return;
    }
    State.ImageUsed = 0;
    ui->cmdImage->setEnabled(false);
    ui->lblCurImage->setText(QStringLiteral("Image:"));
    ui->txtCurImage->setText(QStringLiteral("No Image"));
}

// The browser's OK stores the picture and redraws the picture line itself.
void frmSetup::cmdImage_Click()
{
    browse::frmBrowse browser([this] { chkImage_Click(); }, this);
    browser.exec();
}

} // namespace setup
