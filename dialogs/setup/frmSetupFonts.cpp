// Fonts and colours of the two lines and the background: stored as soon as their dialog
// is confirmed, and shown at once on the samples.

#include "core/Colours.h"
#include "core/Conversions.h"
#include "dialogs/SavedOrTold.h"
#include "dialogs/setup/frmSetup.h"
#include "settings/Settings.h"
#include "ui_frmSetup.h"

namespace setup {

namespace {

using settings::FontAttribute;
using settings::FontKey;

constexpr qint32 ColourDialogFlags = CommonDialog::cdlCCRGBInit;
constexpr qint32 FontDialogFlags = CommonDialog::cdlCFBoth | CommonDialog::cdlCFEffects;

// The first stored value that cannot be read ends the procedure before any dialog shows.
template <typename T> bool Take(const settings::Reading<T> &reading, T &into)
{
    if (reading.failure)
        return false;
    into = reading.value;
    return true;
}

bool LoadFontChoice(CommonDialog &dialog, int line)
{
    dialog.FontName = settings::ReadText(FontKey(FontAttribute::Name, line));
    return Take(settings::TrySingle(FontKey(FontAttribute::Size, line)), dialog.FontSize) &&
           Take(settings::TryWhole32(FontKey(FontAttribute::Color, line)), dialog.Color) &&
           Take(settings::TryFlag(FontKey(FontAttribute::Bold, line)), dialog.FontBold) &&
           Take(settings::TryFlag(FontKey(FontAttribute::Italic, line)), dialog.FontItalic) &&
           Take(settings::TryFlag(FontKey(FontAttribute::Strikethru, line)),
                dialog.FontStrikethru) &&
           Take(settings::TryFlag(FontKey(FontAttribute::Underline, line)), dialog.FontUnderline);
}

void StoreFontChoice(const CommonDialog &dialog, int line)
{
    dialogs::SavedOrTold(settings::WriteTexts({
        {FontKey(FontAttribute::Name, line), dialog.FontName},
        {FontKey(FontAttribute::Size, line), core::SingleToText(dialog.FontSize)},
        {FontKey(FontAttribute::Color, line), QString::number(dialog.Color)},
        {FontKey(FontAttribute::Bold, line), core::BooleanToText(dialog.FontBold)},
        {FontKey(FontAttribute::Italic, line), core::BooleanToText(dialog.FontItalic)},
        {FontKey(FontAttribute::Strikethru, line), core::BooleanToText(dialog.FontStrikethru)},
        {FontKey(FontAttribute::Underline, line), core::BooleanToText(dialog.FontUnderline)},
    }));
}

} // namespace

void frmSetup::cmdBackground_Click()
{
    CommonDialog1.Flags = ColourDialogFlags;
    if (!Take(settings::TryWhole32(settings::key::Background), CommonDialog1.Color))
        return;
    if (!CommonDialog1.ShowColor(this))
        return;
    dialogs::SavedOrTold(
        settings::WriteText(settings::key::Background, QString::number(CommonDialog1.Color)));
    ApplySampleFormats();
}

void frmSetup::cmdFormat_Click(int Index)
{
    CommonDialog1.Flags = FontDialogFlags;
    if (!LoadFontChoice(CommonDialog1, Index))
        return;
    if (!CommonDialog1.ShowFont(this))
        return;
    StoreFontChoice(CommonDialog1, Index);
    ApplySampleFormats();
}

void frmSetup::ApplySampleFormats()
{
    ApplySampleFormat(settings::TitleLine, ui->lblSampleText);
    ApplySampleFormat(settings::CountdownLine, ui->lblSampleDate);
}

// The sample keeps the dialog's own size: the stored size is for the saver screen.
void frmSetup::ApplySampleFormat(int line, QLabel *sample)
{
    QFont font = this->font();
    font.setFamily(settings::ReadText(FontKey(FontAttribute::Name, line)));
    font.setBold(settings::ReadFlag(FontKey(FontAttribute::Bold, line)));
    font.setItalic(settings::ReadFlag(FontKey(FontAttribute::Italic, line)));
    font.setStrikeOut(settings::ReadFlag(FontKey(FontAttribute::Strikethru, line)));
    font.setUnderline(settings::ReadFlag(FontKey(FontAttribute::Underline, line)));
    sample->setFont(font);

    QPalette palette = sample->palette();
    palette.setColor(
        QPalette::WindowText,
        QColor(core::RgbFromStored(settings::ReadWhole32(FontKey(FontAttribute::Color, line)))));
    palette.setColor(QPalette::Window,
                     QColor(core::RgbFromStored(settings::ReadWhole32(settings::key::Background))));
    sample->setPalette(palette);
}

} // namespace setup
