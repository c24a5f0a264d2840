// The size factor under the preview of "File Images".

#include "dialogs/browse/SizeFactor.h"
#include "dialogs/browse/frmBrowse.h"
#include "ui_frmBrowse.h"

#include "platform/MessageBox.h"
#include "settings/PictureSize.h"

namespace browse {

void frmBrowse::spnSize_Change()
{
    if (Updating)
        return;
    ApplySizeFactor();
    if (FitsScreen)
        return;
    // At the smallest factor there is no step left: the stepping back ends there.
    const std::optional<qint16> back = settings::SteppedBack(SizeFactor);
    if (!back)
        return;
    SizeFactor = *back;
    ui->spnSize->setValue(SizeFactor); // runs this again, until the picture fits
}

void frmBrowse::ApplySizeFactor()
{
    const qint16 factor = SteppedFactor(ui->spnSize->value(), SizeFactor);
    SizeFactor = factor;
    Updating = -1;
    ui->spnSize->setValue(factor);
    Updating = 0;
    ui->lblSize->setText(SizeCaption(factor));
    CheckScreenFit();
}

void frmBrowse::CheckScreenFit()
{
    FitsScreen = -1;
    if (settings::FitsOnScreen(PictureWidth, PictureHeight, SizeFactor, ScreenSizeTwips()))
        return;
    platform::MsgBox(QStringLiteral("The Image Size you have selected will be larger than\r\n"
                                    "your Screen Size. It will be automatically sized to fit."),
                     platform::MsgButtons::Ok, platform::MsgIcon::Information);
    FitsScreen = 0;
}

} // namespace browse
