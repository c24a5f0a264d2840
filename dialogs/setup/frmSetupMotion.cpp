// Position, direction and the picture line.

#include "app/modGeneral.h"
#include "dialogs/browse/frmBrowse.h"
#include "dialogs/setup/frmSetup.h"
#include "ui_frmSetup.h"

namespace setup {

namespace {

// The position codes; the direction codes are the saver's.
constexpr int Center = 0;

using saver::Downward;
using saver::Forward;
using saver::Upward;

} // namespace

// A random height only makes sense for sideways travel: Random takes away Downward and
// Upward, and any position choice falls back to Forward from them.
void frmSetup::optPosition_Click(int Index)
{
    modGeneral::Position = qint16(Index);
    const bool vertical = Index == Center;
    optDirection[Downward]->setEnabled(vertical);
    optDirection[Upward]->setEnabled(vertical);
    if (optDirection[Downward]->isChecked() || optDirection[Upward]->isChecked()) {
        optDirection[Forward]->setChecked(true);
        optDirection_Click(Forward);
    }
}

void frmSetup::optDirection_Click(int Index)
{
    modGeneral::Direction = qint16(Index);
}

// A picture file, when one is chosen, wins over the built-in picture.
void frmSetup::chkImage_Click()
{
    if (ui->chkImage->isChecked()) {
        ui->cmdImage->setEnabled(true);
        modGeneral::ImageUsed = 1;
        if (!modGeneral::ImageName.isEmpty()) {
            ui->lblCurImage->setText(QStringLiteral("File Image:"));
            ui->txtCurImage->setText(modGeneral::ImageName);
        } else {
            ui->lblCurImage->setText(QStringLiteral("List Image:"));
            ui->txtCurImage->setText(modGeneral::ImageTag);
        }
        return;
    }
    modGeneral::ImageUsed = 0;
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
