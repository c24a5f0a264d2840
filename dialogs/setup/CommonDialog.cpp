#include "dialogs/setup/CommonDialog.h"

#include "core/Colours.h"
#include "dialogs/setup/FontChooser.h"
#include "settings/Settings.h"

#include <QColorDialog>
#include <QCoreApplication>

namespace setup {

namespace {

CommonDialog::Responder &InstalledResponder()
{
    static CommonDialog::Responder responder;
    return responder;
}

} // namespace

void CommonDialog::SetResponder(Responder responder)
{
    InstalledResponder() = std::move(responder);
}

bool CommonDialog::ShowColor(QWidget *parent)
{
    if (const Responder respond = InstalledResponder())
        return respond(*this, Kind::Color);

    QColorDialog dialog(parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QCoreApplication::translate("setup::CommonDialog", "Colour"));
    dialog.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    // Without cdlCCRGBInit the system's dialog opens at black, whatever Color holds.
    dialog.setCurrentColor((Flags & cdlCCRGBInit) ? QColor(core::RgbFromStored(Color))
                                                  : QColor(Qt::black));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Color = core::StoredFromRgb(dialog.selectedColor().rgb());
    return true;
}

bool CommonDialog::ShowFont(QWidget *parent)
{
    if (const Responder respond = InstalledResponder())
        return respond(*this, Kind::Font);

    FontChooser chooser(*this, parent);
    chooser.SetSampleBackground(
        QColor(core::RgbFromStored(settings::ReadWhole32(settings::key::Background))));
    if (chooser.exec() != QDialog::Accepted)
        return false;
    chooser.TakeChoice(*this);
    return true;
}

} // namespace setup
